#include "sim/sim_graph_builder.h"

#include <vfwmsgs.h>

#include <algorithm>

#include "sim/sim_faults.h"

namespace {

std::wstring FilterName(IBaseFilter* filter)
{
    FILTER_INFO info = {};
    if (!filter || FAILED(filter->QueryFilterInfo(&info)))
        return L"?";
    if (info.pGraph)
        info.pGraph->Release();
    return info.achName;
}

std::wstring PinName(IPin* pin)
{
    PIN_INFO info = {};
    if (!pin || FAILED(pin->QueryPinInfo(&info)))
        return L"?";
    std::wstring name = FilterName(info.pFilter) + L"." + info.achName;
    if (info.pFilter)
        info.pFilter->Release();
    return name;
}

LONG g_instances = 0;

}  // namespace

SimGraphBuilder::SimGraphBuilder()
{
    ::InterlockedIncrement(&g_instances);
}

long SimGraphBuilder::Instances()
{
    return g_instances;
}

SimGraphBuilder::~SimGraphBuilder()
{
    ::InterlockedDecrement(&g_instances);
    for (auto& connection : m_connections) {
        (void)connection.first->Disconnect();
        (void)connection.second->Disconnect();
    }
    for (auto& filter : filters) {
        DisconnectPins(filter.first.Get());
        (void)filter.first->JoinFilterGraph(nullptr, nullptr);
    }
}

void SimGraphBuilder::DisconnectPins(IBaseFilter* filter)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins)
        return;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) && peer)
            (void)peer->Disconnect();
        (void)pin->Disconnect();
    }
}

void* SimGraphBuilder::FindInterface(REFIID iid)
{
    if (iid == IID_IFilterGraph)
        return static_cast<IGraphBuilder*>(this);
    if (iid == IID_IMediaControl || iid == IID_IDispatch)
        return offersMediaControl ? static_cast<IMediaControl*>(this) : nullptr;
    return SimObject::FindInterface(iid);
}

HRESULT SimGraphBuilder::AddFilter(IBaseFilter* filter, LPCWSTR name)
{
    if (!filter)
        return E_POINTER;
    calls.push_back(L"AddFilter " + std::wstring(name ? name : L""));
    const HRESULT injected = SimFaults::Check("IFilterGraph::AddFilter");
    if (FAILED(injected))
        return injected;
    if (FAILED(addFilterResult))
        return addFilterResult;
    filters.emplace_back(filter, name ? name : L"");
    return filter->JoinFilterGraph(this, name);
}

HRESULT SimGraphBuilder::RemoveFilter(IBaseFilter* filter)
{
    auto found = std::find_if(filters.begin(), filters.end(),
                              [filter](const auto& entry) { return entry.first.Get() == filter; });
    calls.push_back(L"RemoveFilter " + (found != filters.end() ? found->second : L"?"));
    const HRESULT injected = SimFaults::Check("IFilterGraph::RemoveFilter");
    if (FAILED(injected))
        return injected;
    if (FAILED(removeFilterResult))
        return removeFilterResult;
    if (found == filters.end())
        return VFW_E_NOT_FOUND;
    DisconnectPins(filter);
    (void)filter->JoinFilterGraph(nullptr, nullptr);
    filters.erase(found);
    return S_OK;
}

HRESULT SimGraphBuilder::EnumFilters(IEnumFilters** enumerator)
{
    if (enumerator)
        *enumerator = nullptr;
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::FindFilterByName(LPCWSTR, IBaseFilter** filter)
{
    if (filter)
        *filter = nullptr;
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt)
{
    if (!out || !in)
        return E_POINTER;
    const HRESULT result = out->Connect(in, mt);
    if (SUCCEEDED(result))
        m_connections.emplace_back(out, in);
    return result;
}

HRESULT SimGraphBuilder::Reconnect(IPin*)
{
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::Disconnect(IPin* pin)
{
    return pin ? pin->Disconnect() : E_POINTER;
}

HRESULT SimGraphBuilder::SetDefaultSyncSource()
{
    return S_OK;
}

HRESULT SimGraphBuilder::Connect(IPin* out, IPin* in)
{
    calls.push_back(L"Connect " + PinName(out) + L" -> " + PinName(in));
    const HRESULT injected = SimFaults::Check("IGraphBuilder::Connect");
    if (FAILED(injected))
        return injected;
    if (FAILED(connectResult))
        return connectResult;
    return ConnectDirect(out, in, nullptr);
}

HRESULT SimGraphBuilder::Render(IPin*)
{
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::RenderFile(LPCWSTR, LPCWSTR)
{
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter** filter)
{
    if (filter)
        *filter = nullptr;
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::SetLogFile(DWORD_PTR)
{
    return S_OK;
}

HRESULT SimGraphBuilder::Abort()
{
    return S_OK;
}

HRESULT SimGraphBuilder::ShouldOperationContinue()
{
    return S_OK;
}

HRESULT SimGraphBuilder::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT SimGraphBuilder::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                UINT*)
{
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::Run()
{
    return E_NOTIMPL;  // the tool never runs its graph
}

HRESULT SimGraphBuilder::Pause()
{
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::Stop()
{
    calls.push_back(L"Stop");
    const HRESULT injected = SimFaults::Check("IMediaControl::Stop");
    return FAILED(injected) ? injected : stopResult;
}

HRESULT SimGraphBuilder::GetState(LONG, OAFilterState* state)
{
    if (!state)
        return E_POINTER;
    *state = State_Stopped;
    return S_OK;
}

HRESULT SimGraphBuilder::RenderFile(BSTR)
{
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::AddSourceFilter(BSTR, IDispatch** filter)
{
    if (filter)
        *filter = nullptr;
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::get_FilterCollection(IDispatch** collection)
{
    if (collection)
        *collection = nullptr;
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::get_RegFilterCollection(IDispatch** collection)
{
    if (collection)
        *collection = nullptr;
    return E_NOTIMPL;
}

HRESULT SimGraphBuilder::StopWhenReady()
{
    return S_OK;
}
