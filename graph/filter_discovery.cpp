#include <dshow.h>

#include "graph/bda_graph.h"
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

ComPtr<IBaseFilter> CreateStockFilter(REFCLSID clsid)
{
    ComPtr<IBaseFilter> filter;
    // Whatever the creation delivered: null when it failed.
    const HRESULT ignored = Services().CreateInstance(
        clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
        reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
    (void)ignored;
    return filter;
}

}  // namespace

ComPtr<IBaseFilter> CBDAGraph::FindFilter(const WCHAR* friendlyName, GUID category)
{
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(Services().CreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL,
                                         IID_ICreateDevEnum,
                                         reinterpret_cast<void**>(devices.ReleaseAndGetAddressOf()))))
        return nullptr;

    // S_FALSE means a category without devices.
    ComPtr<IEnumMoniker> monikers;
    if (devices->CreateClassEnumerator(category, monikers.ReleaseAndGetAddressOf(), 0) != S_OK ||
        !monikers)
        return nullptr;

    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK && moniker) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                          reinterpret_cast<void**>(bag.ReleaseAndGetAddressOf())))) {
            Services().DebugOutput("FindFilter(): Cannot BindToStorage");
            return nullptr;
        }

        // The bag chooses the type.
        VariantHolder name;
        if (FAILED(bag->Read(L"FriendlyName", name.Get(), nullptr))) {
            Services().DebugOutput("FindFilter(): IPropertyBag->Read method failed");
            continue;
        }

        // The device is instantiated before its name is looked at.
        ComPtr<IBaseFilter> filter;
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                         reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()))) ||
            !filter)
            continue;

        // Without a name sought, any name will do. Only text can begin with the name sought: a
        // name of another type never matches. A null BSTR is the empty text.
        if (!friendlyName)
            return filter;
        if (V_VT(name.Get()) == VT_BSTR) {
            const BSTR text = V_BSTR(name.Get());
            if (BeginsWith(text ? text : L"", friendlyName))
                return filter;
        }
    }
    return nullptr;
}

ComPtr<IBaseFilter> CBDAGraph::CreateMPEG2Demultiplexer()
{
    return CreateStockFilter(CLSID_MPEG2Demultiplexer);
}

ComPtr<IBaseFilter> CBDAGraph::CreateInfinitePinTee()
{
    return CreateStockFilter(CLSID_InfTee);
}
