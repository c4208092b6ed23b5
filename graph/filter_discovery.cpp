#include <dshow.h>

#include "graph/bda_graph.h"
#include "graph/device_search.h"
#include "platform/system_services.h"

namespace {

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
    DevicePath unused;
    return FindFilter(friendlyName, category, unused);
}

ComPtr<IBaseFilter> CBDAGraph::FindFilter(const WCHAR* friendlyName, GUID category, DevicePath& devicePath)
{
    DeviceSearch search(friendlyName);
    WalkDevices(category, [&search](FoundDevice& device) { return search.Visit(device); });
    return search.TakeResult(&devicePath);
}

ComPtr<IBaseFilter> CBDAGraph::FindFilterOfCard(const WCHAR* friendlyName, GUID category,
                                                const DevicePath& cardDevicePath)
{
    DeviceSearch search(friendlyName, DeviceInstanceOf(cardDevicePath.text));
    WalkDevices(category, [&search](FoundDevice& device) { return search.Visit(device); });
    return search.TakeResult();
}

ComPtr<IBaseFilter> CBDAGraph::CreateMPEG2Demultiplexer()
{
    return CreateStockFilter(CLSID_MPEG2Demultiplexer);
}

ComPtr<IBaseFilter> CBDAGraph::CreateInfinitePinTee()
{
    return CreateStockFilter(CLSID_InfTee);
}
