#include "sim/sim_filter.h"

#include "sim/sim_enumerator.h"

#include <dshow.h>

#include <algorithm>
#include <cwchar>

namespace {

LPWSTR CoTaskText(const std::wstring& text)
{
    const size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    auto copy = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (copy)
        std::copy(text.c_str(), text.c_str() + text.size() + 1, copy);
    return copy;
}

}  // namespace

// ---- SimPin ------------------------------------------------------------------------------------

SimPin::SimPin(SimFilter& owner, std::wstring name, PIN_DIRECTION direction)
    : m_owner(owner), m_name(std::move(name)), m_direction(direction)
{
}

SimPin::~SimPin() = default;

HRESULT SimPin::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    const HRESULT injected = SimFaults::Check("IPin " + SimFaults::QueryInterfacePoint(iid));
    if (FAILED(injected))
        return injected;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *ppv = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    if (iid == IID_IKsPropertySet && makePropertySet) {
        *ppv = makePropertySet(*this);
        return *ppv ? S_OK : E_OUTOFMEMORY;
    }
    if (iid == IID_IKsPropertySet && propertySet)
        return propertySet->QueryInterface(iid, ppv);
    return E_NOINTERFACE;
}

ULONG SimPin::AddRef()
{
    return m_owner.AddRef();
}

ULONG SimPin::Release()
{
    return m_owner.Release();
}

HRESULT SimPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* /*mediaType*/)
{
    if (!receivePin)
        return E_POINTER;
    if (m_direction != PINDIR_OUTPUT)
        return E_UNEXPECTED;
    if (m_peer)
        return VFW_E_ALREADY_CONNECTED;
    if (FAILED(connectResult))
        return connectResult;
    const HRESULT injected = SimFaults::Check("IPin::Connect");
    if (FAILED(injected))
        return injected;
    PIN_DIRECTION peerDirection = PINDIR_OUTPUT;
    if (FAILED(receivePin->QueryDirection(&peerDirection)) || peerDirection != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    AM_MEDIA_TYPE transport = {};
    transport.majortype = MEDIATYPE_Stream;
    transport.bFixedSizeSamples = TRUE;
    transport.lSampleSize = 188;
    const HRESULT received = receivePin->ReceiveConnection(this, &transport);
    if (FAILED(received))
        return received;
    m_peer = receivePin;
    return S_OK;
}

HRESULT SimPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType)
{
    if (!connector || !mediaType)
        return E_POINTER;
    if (m_direction != PINDIR_INPUT)
        return E_UNEXPECTED;
    if (m_peer)
        return VFW_E_ALREADY_CONNECTED;
    if (FAILED(connectResult))
        return connectResult;
    m_peer = connector;
    if (onConnected)
        onConnected();
    return S_OK;
}

HRESULT SimPin::Disconnect()
{
    if (!m_peer)
        return S_FALSE;
    m_peer.Reset();
    return S_OK;
}

HRESULT SimPin::ConnectedTo(IPin** pin)
{
    if (!pin)
        return E_POINTER;
    *pin = nullptr;
    const HRESULT injected = SimFaults::Check("IPin::ConnectedTo");
    if (FAILED(injected))
        return injected;
    *pin = m_peer.Get();
    if (*pin)
        (*pin)->AddRef();
    if (connectedToResult != S_OK)
        return connectedToResult;
    return m_peer ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT SimPin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType)
{
    if (!mediaType)
        return E_POINTER;
    *mediaType = AM_MEDIA_TYPE{};
    if (!m_peer)
        return VFW_E_NOT_CONNECTED;
    mediaType->majortype = MEDIATYPE_Stream;
    return S_OK;
}

HRESULT SimPin::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    if (queryPinInfoResult != S_OK)
        return queryPinInfoResult;
    const HRESULT injected = SimFaults::Check("IPin::QueryPinInfo");
    if (FAILED(injected))
        return injected;
    info->pFilter = &m_owner;
    m_owner.AddRef();
    info->dir = m_direction;
    const size_t length = std::min<size_t>(m_name.size(), MAX_PIN_NAME - 1);
    std::copy(m_name.begin(), m_name.begin() + length, info->achName);
    info->achName[length] = L'\0';
    return S_OK;
}

HRESULT SimPin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction)
        return E_POINTER;
    *direction = m_direction;
    return S_OK;
}

HRESULT SimPin::QueryId(LPWSTR* id)
{
    if (!id)
        return E_POINTER;
    *id = CoTaskText(m_name);
    return *id ? S_OK : E_OUTOFMEMORY;
}

HRESULT SimPin::QueryAccept(const AM_MEDIA_TYPE* /*mediaType*/)
{
    return S_OK;
}

HRESULT SimPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (types)
        *types = nullptr;
    return E_NOTIMPL;
}

HRESULT SimPin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/)
{
    return E_NOTIMPL;
}

HRESULT SimPin::EndOfStream()
{
    return S_OK;
}

HRESULT SimPin::BeginFlush()
{
    return S_OK;
}

HRESULT SimPin::EndFlush()
{
    return S_OK;
}

HRESULT SimPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

// ---- SimFilter ---------------------------------------------------------------------------------

SimFilter* SimFilter::Create(const wchar_t* name, std::initializer_list<PinSpec> pins,
                             REFCLSID clsid)
{
    auto* filter = new SimFilter(name, clsid);
    for (const PinSpec& pin : pins)
        filter->AddPin(pin.name, pin.direction);
    return filter;
}

SimFilter* SimFilter::CreateInfiniteTee()
{
    return Create(L"Infinite Pin Tee Filter", {{L"Input", PINDIR_INPUT}, {L"Output1", PINDIR_OUTPUT}},
                  CLSID_InfTee);
}

SimFilter* SimFilter::CreateDemultiplexer()
{
    return Create(L"MPEG-2 Demultiplexer", {{L"MPEG-2 Stream", PINDIR_INPUT}, {L"001", PINDIR_OUTPUT}},
                  CLSID_MPEG2Demultiplexer);
}

SimPin& SimFilter::AddPin(const wchar_t* name, PIN_DIRECTION direction)
{
    m_pins.push_back(std::make_unique<SimPin>(*this, name, direction));
    return *m_pins.back();
}

void* SimFilter::FindInterface(REFIID iid)
{
    if (iid == IID_IMediaFilter || iid == IID_IPersist)
        return static_cast<IBaseFilter*>(this);
    return SimObject::FindInterface(iid);
}

HRESULT SimFilter::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT SimFilter::Stop()
{
    state = State_Stopped;
    return S_OK;
}

HRESULT SimFilter::Pause()
{
    state = State_Paused;
    return S_OK;
}

HRESULT SimFilter::Run(REFERENCE_TIME)
{
    state = State_Running;
    return S_OK;
}

HRESULT SimFilter::GetState(DWORD, FILTER_STATE* current)
{
    if (!current)
        return E_POINTER;
    *current = state;
    return S_OK;
}

HRESULT SimFilter::SetSyncSource(IReferenceClock*)
{
    return S_OK;
}

HRESULT SimFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

HRESULT SimFilter::EnumPins(IEnumPins** pins)
{
    if (!pins)
        return E_POINTER;
    *pins = nullptr;
    const HRESULT injected = SimFaults::Check("IBaseFilter::EnumPins");
    if (FAILED(injected))
        return injected;
    if (enumPinsResult != S_OK)
        return enumPinsResult;
    if (!enumPinsDeliversNothing) {
        std::vector<ComPtr<IPin>> all;
        for (const auto& pin : m_pins)
            all.emplace_back(pin.get());
        *pins = new SimEnumerator<IEnumPins, IPin>("IEnumPins", std::move(all));
    }
    return S_OK;
}

HRESULT SimFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin)
        return E_POINTER;
    *pin = nullptr;
    for (const auto& candidate : m_pins) {
        if (candidate->Name() == id) {
            *pin = candidate.get();
            (*pin)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT SimFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info)
        return E_POINTER;
    const size_t length = std::min<size_t>(nameInGraph.size(), MAX_FILTER_NAME - 1);
    std::copy(nameInGraph.begin(), nameInGraph.begin() + length, info->achName);
    info->achName[length] = L'\0';
    info->pGraph = joinedGraph;
    if (joinedGraph)
        joinedGraph->AddRef();
    return S_OK;
}

HRESULT SimFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    joinedGraph = graph;
    nameInGraph = name ? name : L"";
    ++joinCount;
    return S_OK;
}

HRESULT SimFilter::QueryVendorInfo(LPWSTR* vendorInfo)
{
    if (vendorInfo)
        *vendorInfo = nullptr;
    return E_NOTIMPL;
}
