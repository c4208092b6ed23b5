#include "graph/device_search.h"

#include <dshow.h>

#include "platform/com_holders.h"
#include "platform/system_services.h"

namespace {

// True when text begins with prefix, compared code unit by code unit.
bool BeginsWith(const WCHAR* text, const WCHAR* prefix)
{
    for (; *prefix; ++prefix, ++text) {
        if (*text != *prefix)
            return false;
    }
    return true;
}

WCHAR LowerAscii(WCHAR c)
{
    return c >= L'A' && c <= L'Z' ? WCHAR(c - L'A' + L'a') : c;
}

}  // namespace

void WalkDevices(const GUID& category, const std::function<bool(FoundDevice&)>& visit)
{
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(Services().CreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL,
                                         IID_ICreateDevEnum,
                                         reinterpret_cast<void**>(devices.ReleaseAndGetAddressOf()))))
        return;

    // S_FALSE means a category without devices.
    ComPtr<IEnumMoniker> monikers;
    if (devices->CreateClassEnumerator(category, monikers.ReleaseAndGetAddressOf(), 0) != S_OK ||
        !monikers)
        return;

    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK && moniker) {
        FoundDevice device = {FoundDevice::State::NoPropertyBag, nullptr, nullptr, {}};
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                          reinterpret_cast<void**>(bag.ReleaseAndGetAddressOf())))) {
            Services().DebugOutput("FindFilter(): Cannot BindToStorage");
            if (visit(device))
                return;
            continue;
        }

        // The bag chooses the type.
        VariantHolder name;
        if (FAILED(bag->Read(L"FriendlyName", name.Get(), nullptr))) {
            Services().DebugOutput("FindFilter(): IPropertyBag->Read method failed");
            device.state = FoundDevice::State::NoName;
            if (visit(device))
                return;
            continue;
        }
        // Only text can begin with a name sought; a null BSTR is the empty text.
        if (V_VT(name.Get()) == VT_BSTR) {
            const BSTR text = V_BSTR(name.Get());
            device.name = text ? text : L"";
        }

        // The path pairs a card's devices; a device without one is taken as before.
        VariantHolder path;
        if (SUCCEEDED(bag->Read(L"DevicePath", path.Get(), nullptr)) && V_VT(path.Get()) == VT_BSTR &&
            V_BSTR(path.Get()))
            device.path.Assign(V_BSTR(path.Get()));

        // The device is instantiated before its name is looked at.
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                         reinterpret_cast<void**>(device.filter.ReleaseAndGetAddressOf()))) ||
            !device.filter) {
            device.filter.Reset();
            device.state = FoundDevice::State::CannotOpen;
        } else {
            device.state = FoundDevice::State::Opened;
        }
        if (visit(device))
            return;
    }
}

void DevicePath::Assign(const WCHAR* path)
{
    size_t length = 0;
    for (; path && path[length] && length + 1 < kLength; ++length)
        text[length] = path[length];
    text[length] = 0;
}

bool DevicePath::Equals(const WCHAR* other) const
{
    size_t i = 0;
    for (; text[i] && other[i]; ++i) {
        if (LowerAscii(text[i]) != LowerAscii(other[i]))
            return false;
    }
    return text[i] == other[i];
}

DevicePath DeviceInstanceOf(const WCHAR* path)
{
    DevicePath instance;
    if (!path)
        return instance;
    for (size_t i = 0; path[i] && i + 1 < DevicePath::kLength; ++i) {
        if (path[i] == L'#' && path[i + 1] == L'{') {
            for (size_t j = 0; j < i; ++j)
                instance.text[j] = LowerAscii(path[j]);
            instance.text[i] = 0;
            return instance;
        }
    }
    return instance;
}

bool DeviceSearch::Visit(FoundDevice& device)
{
    if (m_ended)
        return true;
    switch (device.state) {
    case FoundDevice::State::NoPropertyBag:
        m_ended = true;
        break;
    case FoundDevice::State::NoName:
        break;
    case FoundDevice::State::CannotOpen:
        m_instanceListed = m_instanceListed || (Matches(device) && OfTheInstance(device));
        break;
    case FoundDevice::State::Opened:
        if (!Matches(device))
            break;
        if (m_deviceInstance.Empty() || OfTheInstance(device)) {
            m_result = std::move(device.filter);
            m_resultPath = device.path;
            m_first.Reset();
            m_ended = true;
        } else if (!m_first) {
            m_first = std::move(device.filter);
            m_firstPath = device.path;
        }
        break;
    }
    return m_ended;
}

ComPtr<IBaseFilter> DeviceSearch::TakeResult(DevicePath* path)
{
    ComPtr<IBaseFilter> result;
    if (path)
        path->Clear();
    if (m_result) {
        result = std::move(m_result);
        if (path)
            *path = m_resultPath;
    } else if (!m_instanceListed && m_first) {
        result = std::move(m_first);
        if (path)
            *path = m_firstPath;
    }
    m_first.Reset();
    return result;
}

bool DeviceSearch::OfTheInstance(const FoundDevice& device) const
{
    return !m_deviceInstance.Empty() && m_deviceInstance.Equals(DeviceInstanceOf(device.path.text).text);
}

bool DeviceSearch::Matches(const FoundDevice& device) const
{
    // Without a name sought any device will do; a name that is not text never matches.
    return !m_friendlyName || (device.name && BeginsWith(device.name, m_friendlyName));
}

bool DeviceSearch::ListedButClosed(const FoundDevice& device) const
{
    return device.state == FoundDevice::State::CannotOpen && device.name && Matches(device);
}
