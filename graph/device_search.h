#pragma once
// The walk over the installed devices of one category, as the system device enumerator lists
// them, and the decision that picks the card's device from them. FindFilter is the walk with
// that decision; the console program's device listing walks the same way and asks the same
// decision, so that what it says the tool would use is what the tool uses.
#include <windows.h>
#include <strmif.h>

#include <functional>

#include "platform/com_ptr.h"

// A device path as the program keeps it: in a buffer of its own rather than a library string, so
// that the dialog program links no text library it does not otherwise need. The system's device
// paths are far shorter; a longer one is cut, and then only matches itself cut the same way.
struct DevicePath {
    static constexpr size_t kLength = 512;
    WCHAR text[kLength] = {};

    bool Empty() const { return text[0] == 0; }
    void Clear() { text[0] = 0; }
    void Assign(const WCHAR* path);
    // Equal, without regard to case (ASCII letters), as Windows compares paths.
    bool Equals(const WCHAR* other) const;
};

// One device as the walk meets it, in the order of the steps taken on it.
struct FoundDevice {
    enum class State {
        NoPropertyBag,  // its properties cannot be opened; a search ends here
        NoName,         // its friendly name cannot be read; passed over
        CannotOpen,     // it cannot be instantiated as a filter; passed over
        Opened,         // instantiated
    };
    State state;
    const WCHAR* name;            // the friendly name from CannotOpen on when it is text, else null
    ComPtr<IBaseFilter> filter;   // the device's filter when Opened, with one reference
    DevicePath path;              // the device path from CannotOpen on; empty when it has none
};

// The device-instance part of a device path: what comes before the interface class, such as
// "\\?\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5" of
// "\\?\pci#ven_1131&dev_7160&...#4&2b1c8c1f&0&00e5#{fd0a5af4-...}\{...}", in lower case. The
// tuner and the receiver of one card share it. Empty for a path without an interface class.
DevicePath DeviceInstanceOf(const WCHAR* path);

// Hands each device of the category to visit, in enumeration order, until visit returns true
// or the devices are exhausted. Nothing is visited when the device enumerator cannot be made
// or the category has no devices. The two failures FindFilter names on the debugger output
// (no property bag, no readable name) are written there by the walk.
void WalkDevices(const GUID& category, const std::function<bool(FoundDevice&)>& visit);

// FindFilter's decision, one device at a time: the first device that opens and whose friendly
// name is text beginning with the name sought (exact UTF-16 code units; with no name sought, any
// device whose name can be read) is the result, and a device whose properties cannot be opened
// ends the search without one.
//
// A search for the device of a card (a device instance given) takes the first such device of
// that instance instead. Only when no device of that instance bears the name is the first device
// taken as above, so that a card whose devices have no paths is found as before; a device of the
// instance that is listed but cannot be opened leaves the search without a result, since another
// card's device would not work with this card's.
class DeviceSearch {
public:
    explicit DeviceSearch(const WCHAR* friendlyName, const DevicePath& deviceInstance = DevicePath())
        : m_friendlyName(friendlyName), m_deviceInstance(deviceInstance)
    {
    }

    // Whether the search ends with this device; when the device is the result, its filter
    // reference moves into the search.
    bool Visit(FoundDevice& device);
    bool Ended() const { return m_ended; }
    // Whether the device bears a name the search takes but cannot be opened: in use by another
    // program, or its driver not started.
    bool ListedButClosed(const FoundDevice& device) const;
    // Whether the device bears a name the search takes.
    bool Matches(const FoundDevice& device) const;
    // Whether a device not of the instance sought is kept, to be the result should the card
    // have no device of its own.
    bool HoldsFirst() const { return static_cast<bool>(m_first); }
    // The result, handed over with its reference, and its device path; null, and an empty path,
    // when there is none.
    ComPtr<IBaseFilter> TakeResult(DevicePath* path = nullptr);

private:
    bool OfTheInstance(const FoundDevice& device) const;

    const WCHAR* m_friendlyName;
    DevicePath m_deviceInstance;
    bool m_ended = false;
    bool m_instanceListed = false;  // a device of the instance bears the name
    ComPtr<IBaseFilter> m_result;
    DevicePath m_resultPath;
    ComPtr<IBaseFilter> m_first;    // the first device that would do, kept while one of the
    DevicePath m_firstPath;         // instance may still come
};
