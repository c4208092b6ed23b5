#include <dshow.h>

#include "graph/bda_graph.h"
#include "platform/identities.h"
#include "platform/system_services.h"

namespace {

constexpr DWORD kDeviceArrivalWait = 3000;  // before the one retry of a missing device

const WCHAR kTunerName[] = L"VKO 8317 Tuner 0";
const WCHAR kCaptureName[] = L"VKO 8317 Capture 0";

struct ProviderKind {
    ComPtr<IBaseFilter> (*create)(IGraphHost&);
    const WCHAR* nameInGraph;
    const char* failure;
};

const ProviderKind& ProviderOf(TuningStandard standard)
{
    static const ProviderKind satellite = {&CBDAGraph::CreateDVBSNetworkProvider,
                                           L"Network DVBS Provider",
                                           "CreateDVBSNetworkProvider Failed"};
    static const ProviderKind terrestrial = {&CBDAGraph::CreateDVBTNetworkProvider,
                                             L"Network DVBT Provider",
                                             "CreateDVBTNetworkProvider Failed"};
    static const ProviderKind cable = {&CBDAGraph::CreateDVBCNetworkProvider,
                                       L"Network DVBC Provider",
                                       "CreateDVBCNetworkProvider Failed"};
    return ForStandard(standard, satellite, terrestrial, cable);
}

void ReportFailure(IGraphHost& dialog, const char* text)
{
    Services().ShowMessageBox(dialog.GraphOwnerWindow(), text, "error", MB_OK);
}

// A device of the card that may still be arriving: searched once more after a pause. The
// reference takes the first result over before the pause, so that a device of an earlier build
// is let go first: some drivers open a device only once at a time, and the second search then
// finds it free again.
template <class Find>
void FindArrivingDevice(ComPtr<IBaseFilter>& device, const Find& find)
{
    device = find();
    if (!device) {
        Services().Sleep(kDeviceArrivalWait);
        device = find();
    }
}

void AddToGraph(IBaseFilter* filter, const WCHAR* name)
{
    // A filter the graph refuses shows up later, as a connection that cannot be made.
    const HRESULT ignored = CBDAGraph::m_pGraphBuilder->AddFilter(filter, name);
    (void)ignored;
}

}  // namespace

bool CBDAGraph::BuildGraph(IGraphHost& dialog, TuningStandard standard)
{
    const ProviderKind& provider = ProviderOf(standard);

    // A new graph manager with its media control, replacing those of an earlier build.
    HRESULT ignored = Services().CreateInstance(
        CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
        reinterpret_cast<void**>(m_pGraphBuilder.ReleaseAndGetAddressOf()));
    (void)ignored;
    m_pMediaControl.Reset();
    if (m_pGraphBuilder)
        (void)m_pGraphBuilder.As(&m_pMediaControl);
    if (!m_pGraphBuilder || !m_pMediaControl) {
        // Nothing can be built without them; nothing new is kept.
        m_pGraphBuilder.Reset();
        m_pMediaControl.Reset();
        return false;
    }

    m_pNetworkProvider = provider.create(dialog);
    if (!m_pNetworkProvider) {
        ReportFailure(dialog, provider.failure);
        return false;
    }
    AddToGraph(m_pNetworkProvider.Get(), provider.nameInGraph);

    // The tuner found at start-up is reused as it is.
    if (!m_pTunerDevice) {
        FindArrivingDevice(m_pTunerDevice,
                           [] { return FindFilter(kTunerName, KSCATEGORY_BDA_NETWORK_TUNER, m_tunerDevicePath); });
        if (!m_pTunerDevice) {
            ReportFailure(dialog, "CreateTunerDevice Failed");
            return false;
        }
    }
    AddToGraph(m_pTunerDevice.Get(), kTunerName);

    // The receiver of the tuner's own card: with several cards, another card's would not work.
    FindArrivingDevice(m_pCaptureDevice, [] {
        return FindFilterOfCard(kCaptureName, KSCATEGORY_BDA_RECEIVER_COMPONENT, m_tunerDevicePath);
    });
    if (!m_pCaptureDevice)
        return false;
    AddToGraph(m_pCaptureDevice.Get(), kCaptureName);

    m_pDemux = CreateMPEG2Demultiplexer();
    if (!m_pDemux) {
        ReportFailure(dialog, "CreateMPEG2Demultiplexer Failed");
        return false;
    }
    AddToGraph(m_pDemux.Get(), L"MPEG2 Demultiplexer");

    m_pInfTee = CreateInfinitePinTee();
    if (!m_pInfTee) {
        ReportFailure(dialog, "CreateInfinitePinTee Failed");
        return false;
    }
    AddToGraph(m_pInfTee.Get(), L"Infinite pin tee splitter");

    m_pTIF = FindFilter(nullptr, KSCATEGORY_BDA_TRANSPORT_INFORMATION);
    if (!m_pTIF) {
        ReportFailure(dialog, "Createtransport Failed");
        return false;
    }
    AddToGraph(m_pTIF.Get(), L"transport information filter");

    dialog.TunerFilter() = m_pTunerDevice;

    // The chain, upstream to downstream; a connection that fails does not stop the build.
    ConnectPins(m_pGraphBuilder.Get(), m_pNetworkProvider.Get(), m_pTunerDevice.Get());
    ConnectPins(m_pGraphBuilder.Get(), m_pTunerDevice.Get(), m_pCaptureDevice.Get());
    ConnectPins(m_pGraphBuilder.Get(), m_pCaptureDevice.Get(), m_pInfTee.Get());
    ConnectPins(m_pGraphBuilder.Get(), m_pInfTee.Get(), m_pDemux.Get());
    ConnectPins(m_pGraphBuilder.Get(), m_pDemux.Get(), m_pTIF.Get());

    // The property channel, opened anew on the tuner's "Input0" pin.
    if (m_pKsPropertySet) {
        m_pKsPropertySet->Release();
        m_pKsPropertySet = nullptr;
    }
    m_pTunerPin.Reset();
    m_pTunerPin = FindNamedPin(dialog.TunerFilter().Get());
    if (m_pTunerPin &&
        FAILED(m_pTunerPin->QueryInterface(IID_IKsPropertySet,
                                           reinterpret_cast<void**>(&m_pKsPropertySet)))) {
        m_pKsPropertySet = nullptr;
        ReportFailure(dialog, "m_pTunerDevice QueryInterface Failed");
        return false;
    }
    return true;
}

BOOL CBDAGraph::TearDownGraph(IGraphHost& dialog)
{
    if (m_pMediaControl) {
        const HRESULT ignored = m_pMediaControl->Stop();
        (void)ignored;
    }
    if (m_pKsPropertySet) {
        m_pKsPropertySet->Release();
        m_pKsPropertySet = nullptr;
    }
    m_pTunerPin.Reset();

    // Only the capture filter and the provider are taken out one by one; the demultiplexer,
    // the tee and the transport information filter leave with the graph manager.
    if (m_pGraphBuilder) {
        if (m_pCaptureDevice)
            (void)m_pGraphBuilder->RemoveFilter(m_pCaptureDevice.Get());
        if (m_pNetworkProvider)
            (void)m_pGraphBuilder->RemoveFilter(m_pNetworkProvider.Get());
    }
    m_pMediaControl.Reset();
    m_pCaptureDevice.Reset();
    m_pDemux.Reset();
    m_pInfTee.Reset();
    m_pTIF.Reset();
    m_pNetworkProvider.Reset();
    if (m_pTunerDevice) {
        if (m_pGraphBuilder)
            (void)m_pGraphBuilder->RemoveFilter(m_pTunerDevice.Get());
        m_pTunerDevice.Reset();
    }
    m_tunerDevicePath.Clear();
    m_pGraphBuilder.Reset();

    // Balances start-up's CoInitializeEx; no interface is released after this.
    ::CoUninitialize();
    m_bComUninitialized = true;
    return dialog.DestroyHostWindow();
}
