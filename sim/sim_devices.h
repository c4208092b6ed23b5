#pragma once
// The simulated system device enumerator: the installed devices of each category, as a test
// describes them, offered through ICreateDevEnum, IEnumMoniker, IMoniker and IPropertyBag.
// Each device can be made to fail the way a broken installation does.
#include <windows.h>
#include <strmif.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct SimDevice {
    explicit SimDevice(std::wstring name = L"") : friendlyName(std::move(name)) {}

    std::wstring friendlyName;
    bool hasPropertyBag = true;      // false: BindToStorage fails
    HRESULT readResult = S_OK;       // the result of reading "FriendlyName"
    bool nameIsText = true;          // false: the name comes back as a number, not as text
    HRESULT bindResult = S_OK;       // the result of BindToObject
    std::wstring devicePath;         // its "DevicePath" text; empty: the bag has none
    // Makes the device's filter, with one reference; by default a SimFilter without pins
    // named after the device.
    std::function<IBaseFilter*()> makeFilter;
};

// The devices installed on the simulated system, by category, in enumeration order. The
// enumerators read it when they are created, so a device added later shows up in the next
// search, as a device that arrives while the program runs.
class SimDeviceCatalog {
public:
    void Add(REFGUID category, SimDevice device);
    void Clear(REFGUID category);
    const std::vector<SimDevice>* Find(REFGUID category) const;

    int bindCount = 0;  // devices instantiated as filters, for tests that count binds

    // Each enumeration of a category asked of the device enumerator, in order.
    struct ClassEnumeration {
        GUID category;
        DWORD flags;
    };
    std::vector<ClassEnumeration> enumerations;

private:
    std::vector<std::pair<GUID, std::vector<SimDevice>>> m_categories;
};

// Makes a system device enumerator over the catalog, with one reference.
ICreateDevEnum* CreateSimDeviceEnumerator(std::shared_ptr<SimDeviceCatalog> catalog);
