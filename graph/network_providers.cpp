#include "framework/memory_exception.h"
#include "graph/bda_graph.h"
#include "platform/com_holders.h"
#include "platform/system_services.h"

ComPtr<IBaseFilter> CBDAGraph::CreateDVBSNetworkProvider(IGraphHost& host)
{
    return CreateNetworkProvider(host, TuningStandard::DVBS);
}

ComPtr<IBaseFilter> CBDAGraph::CreateDVBTNetworkProvider(IGraphHost& host)
{
    return CreateNetworkProvider(host, TuningStandard::DVBT);
}

ComPtr<IBaseFilter> CBDAGraph::CreateDVBCNetworkProvider(IGraphHost& host)
{
    return CreateNetworkProvider(host, TuningStandard::DVBC);
}

ComPtr<IBaseFilter> CBDAGraph::CreateNetworkProvider(IGraphHost& host, TuningStandard standard)
{
    ComPtr<ITuningSpace>& tuningSpace = host.TuningSpace();
    try {
        tuningSpace = LoadTuningSpace(standard);
    } catch (const CMemoryException&) {
        // No tuning space could be made: this build has none, and no provider either.
        tuningSpace = nullptr;
        return nullptr;
    }
    if (!tuningSpace)
        return nullptr;

    // The provider is the one the tuning space itself names, whatever the standard asked for.
    GUID networkType = GUID_NULL;
    {
        BstrHolder typeText;
        HRESULT ignored = tuningSpace->get_NetworkType(typeText.ReleaseAndGetAddressOf());
        ignored = ::CLSIDFromString(typeText.Get(), &networkType);
        (void)ignored;
    }

    ComPtr<IBaseFilter> provider;
    HRESULT ignored = Services().CreateInstance(networkType, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IBaseFilter,
                                                reinterpret_cast<void**>(provider.ReleaseAndGetAddressOf()));
    if (!provider)
        return nullptr;

    // The tune request stays as the tuning space makes it: the tool tunes to no channel.
    ComPtr<ITuneRequest> request;
    ignored = tuningSpace->CreateTuneRequest(request.ReleaseAndGetAddressOf());
    (void)ignored;

    // A provider without ITuner is returned as it is.
    ComPtr<ITuner> tuner;
    if (SUCCEEDED(provider.As(&tuner))) {
        (void)tuner->put_TuningSpace(tuningSpace.Get());
        (void)tuner->put_TuneRequest(request.Get());
    }
    return provider;
}
