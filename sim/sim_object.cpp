#include "sim/sim_object.h"

#include <objbase.h>

namespace {
LONG g_liveObjects = 0;
bool g_watchApartment = false;
LONG g_releasesWithoutCom = 0;
}  // namespace

void SimLiveObjects::WatchApartment(bool watch)
{
    g_watchApartment = watch;
    g_releasesWithoutCom = 0;
}

long SimLiveObjects::ReleasesWithoutCom()
{
    return g_releasesWithoutCom;
}

void SimLiveObjects::NoteRelease()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (g_watchApartment && FAILED(::CoGetApartmentType(&type, &qualifier)))
        ::InterlockedIncrement(&g_releasesWithoutCom);
}

long SimLiveObjects::Count()
{
    return g_liveObjects;
}

void SimLiveObjects::Add()
{
    ::InterlockedIncrement(&g_liveObjects);
}

void SimLiveObjects::Remove()
{
    ::InterlockedDecrement(&g_liveObjects);
}
