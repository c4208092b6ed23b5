#include "sim/sim_devices.h"

#include <algorithm>

#include "platform/com_ptr.h"
#include "sim/sim_enumerator.h"
#include "sim/sim_filter.h"
#include "sim/sim_object.h"

namespace {

class SimPropertyBag : public SimObject<IPropertyBag> {
public:
    explicit SimPropertyBag(const SimDevice& device) : m_device(device) {}

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override
    {
        if (!name || !value)
            return E_POINTER;
        if (std::wstring(name) == L"DevicePath")
            return ReadPath(value);
        if (std::wstring(name) != L"FriendlyName")
            return E_INVALIDARG;
        const HRESULT injected = SimFaults::Check("IPropertyBag::Read");
        if (FAILED(injected))
            return injected;
        if (FAILED(m_device.readResult))
            return m_device.readResult;
        // Like the platform's bag: an empty variant gets the stored type; a text request too.
        if (V_VT(value) != VT_EMPTY && V_VT(value) != VT_BSTR)
            return E_INVALIDARG;
        if (m_device.nameIsText) {
            V_VT(value) = VT_BSTR;
            V_BSTR(value) = ::SysAllocString(m_device.friendlyName.c_str());
        } else {
            V_VT(value) = VT_I4;
            V_I4(value) = 8317;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_ACCESSDENIED; }

private:
    // As the platform's bag answers for a value the device's key does not hold.
    HRESULT ReadPath(VARIANT* value) const
    {
        if (m_device.devicePath.empty())
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        if (V_VT(value) != VT_EMPTY && V_VT(value) != VT_BSTR)
            return E_INVALIDARG;
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = ::SysAllocString(m_device.devicePath.c_str());
        return V_BSTR(value) ? S_OK : E_OUTOFMEMORY;
    }

    SimDevice m_device;
};

class SimMoniker : public SimObject<IMoniker> {
public:
    SimMoniker(SimDevice device, std::shared_ptr<SimDeviceCatalog> catalog)
        : m_device(std::move(device)), m_catalog(std::move(catalog))
    {
    }

    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        const HRESULT injected = SimFaults::Check("IMoniker::BindToStorage");
        if (FAILED(injected))
            return injected;
        if (!m_device.hasPropertyBag)
            return STG_E_FILENOTFOUND;
        ComPtr<IPropertyBag> bag;
        bag.Attach(new SimPropertyBag(m_device));
        return bag->QueryInterface(iid, ppv);
    }
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        const HRESULT injected = SimFaults::Check("IMoniker::BindToObject");
        if (FAILED(injected))
            return injected;
        if (FAILED(m_device.bindResult))
            return m_device.bindResult;
        ComPtr<IBaseFilter> filter;
        filter.Attach(m_device.makeFilter ? m_device.makeFilter()
                                          : SimFilter::Create(m_device.friendlyName.c_str()));
        if (!filter)
            return E_OUTOFMEMORY;
        ++m_catalog->bindCount;
        return filter->QueryInterface(iid, ppv);
    }

    // IPersist, IPersistStream and the rest of IMoniker: nothing the program needs.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override
    {
        if (!clsid)
            return E_POINTER;
        *clsid = CLSID_NULL;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker** reduced) override
    {
        return NotImplemented(reduced);
    }
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker** composite) override
    {
        return NotImplemented(composite);
    }
    HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker** enumerator) override
    {
        return NotImplemented(enumerator);
    }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override
    {
        return other == this ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) override
    {
        if (!hash)
            return E_POINTER;
        *hash = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override
    {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) override
    {
        return NotImplemented(inverse);
    }
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker** prefix) override
    {
        return NotImplemented(prefix);
    }
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker** path) override
    {
        return NotImplemented(path);
    }
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override
    {
        return NotImplemented(name);
    }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*,
                                               IMoniker** out) override
    {
        return NotImplemented(out);
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) override
    {
        if (!kind)
            return E_POINTER;
        *kind = MKSYS_NONE;
        return S_FALSE;
    }

protected:
    void* FindInterface(REFIID iid) override
    {
        if (iid == IID_IPersistStream || iid == IID_IPersist)
            return static_cast<IMoniker*>(this);
        return SimObject::FindInterface(iid);
    }

private:
    template <class T>
    static HRESULT NotImplemented(T** out)
    {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }

    SimDevice m_device;
    std::shared_ptr<SimDeviceCatalog> m_catalog;
};

class SimDeviceEnum : public SimObject<ICreateDevEnum> {
public:
    explicit SimDeviceEnum(std::shared_ptr<SimDeviceCatalog> catalog)
        : m_catalog(std::move(catalog))
    {
    }

    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                    DWORD flags) override
    {
        m_catalog->enumerations.push_back({category, flags});
        if (!enumerator)
            return E_POINTER;
        *enumerator = nullptr;
        const HRESULT injected = SimFaults::Check("ICreateDevEnum::CreateClassEnumerator");
        if (FAILED(injected))
            return injected;
        const std::vector<SimDevice>* devices = m_catalog->Find(category);
        if (!devices || devices->empty())
            return S_FALSE;  // as the platform answers for a category without devices
        std::vector<ComPtr<IMoniker>> monikers;
        for (const SimDevice& device : *devices) {
            monikers.emplace_back();
            monikers.back().Attach(new SimMoniker(device, m_catalog));
        }
        *enumerator = new SimEnumerator<IEnumMoniker, IMoniker>("IEnumMoniker", std::move(monikers));
        return S_OK;
    }

private:
    std::shared_ptr<SimDeviceCatalog> m_catalog;
};

}  // namespace

void SimDeviceCatalog::Add(REFGUID category, SimDevice device)
{
    for (auto& entry : m_categories) {
        if (entry.first == category) {
            entry.second.push_back(std::move(device));
            return;
        }
    }
    m_categories.emplace_back(category, std::vector<SimDevice>{std::move(device)});
}

void SimDeviceCatalog::Clear(REFGUID category)
{
    for (auto& entry : m_categories) {
        if (entry.first == category)
            entry.second.clear();
    }
}

const std::vector<SimDevice>* SimDeviceCatalog::Find(REFGUID category) const
{
    for (const auto& entry : m_categories) {
        if (entry.first == category)
            return &entry.second;
    }
    return nullptr;
}

ICreateDevEnum* CreateSimDeviceEnumerator(std::shared_ptr<SimDeviceCatalog> catalog)
{
    return new SimDeviceEnum(std::move(catalog));
}
