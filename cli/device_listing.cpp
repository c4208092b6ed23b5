#include "cli/device_listing.h"

#include <objbase.h>

#include "cli/com_start.h"
#include "cli/exit_status.h"
#include "graph/device_search.h"
#include "platform/identities.h"

namespace {

// Why a device is or is not the one used; whether is was used comes back in used.
std::wstring Verdict(DeviceSearch& search, FoundDevice& device, bool& used)
{
    if (search.Ended())
        return used ? L"not used: an earlier device is used"
                    : L"not used: the search ended at an earlier device";
    const bool ends = search.Visit(device);
    switch (device.state) {
    case FoundDevice::State::NoPropertyBag:
        return L"not used: its properties cannot be read, which ends the search";
    case FoundDevice::State::NoName:
        return L"not used: its name cannot be read";
    case FoundDevice::State::CannotOpen:
        return L"not used: it cannot be opened";
    case FoundDevice::State::Opened:
        break;
    }
    if (!ends)
        return device.name ? L"not used: its name is another" : L"not used: its name is not text";
    used = true;
    return L"used";
}

// Lists the category's devices; whether one of them is used.
bool ListCategory(Reporter& reporter, const wchar_t* title, const wchar_t* sought, const GUID& category)
{
    reporter.Result(std::wstring(title) + L" (the first that opens and whose name begins with \"" +
                    sought + L"\" is used):");
    DeviceSearch search(sought);
    bool used = false;
    int listed = 0;
    WalkDevices(category, [&](FoundDevice& device) {
        ++listed;
        const std::wstring verdict = Verdict(search, device, used);
        reporter.Result(L"  " + std::wstring(device.name ? device.name : L"(no name)") + L": " + verdict);
        return false;  // every device is listed
    });
    if (listed == 0)
        reporter.Result(L"  (none listed)");
    return used;
}

}  // namespace

int RunDevices(Reporter& reporter)
{
    if (!StartCom(reporter))
        return kExitReadWriteFailed;
    const bool tuner = ListCategory(reporter, L"Tuner devices", L"VKO 8317 Tuner 0", KSCATEGORY_BDA_NETWORK_TUNER);
    const bool receiver = ListCategory(reporter, L"Receiver devices", L"VKO 8317 Capture 0",
                                       KSCATEGORY_BDA_RECEIVER_COMPONENT);
    ::CoUninitialize();

    if (!tuner)
        reporter.Error(L"No VKO DVBS device!");
    if (!receiver)
        reporter.Error(L"the card's receiver device \"VKO 8317 Capture 0\" is not found");
    return tuner && receiver ? kExitSuccess : kExitNoCard;
}
