#include "sim/sim_object.h"

namespace {
LONG g_liveObjects = 0;
}  // namespace

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
