#include "cli/mode_session.h"

#include <objbase.h>

#include "cli/com_start.h"
#include "cli/exit_status.h"
#include "graph/bda_graph.h"
#include "modes/demod_property.h"
#include "platform/identities.h"

namespace {

const wchar_t* StandardName(TuningStandard standard)
{
    static const wchar_t* const satellite = L"DVB-S";
    static const wchar_t* const terrestrial = L"DVB-T";
    static const wchar_t* const cable = L"DVB-C";
    return ForStandard(standard, satellite, terrestrial, cable);
}

std::wstring SupportTestStep(TuningStandard standard, bool supported)
{
    return std::wstring(StandardName(standard)) + L" graph built; the property is " +
           (supported ? L"supported" : L"not supported");
}

}  // namespace

CModeSession::~CModeSession()
{
    if (!m_comStarted)
        return;
    m_host.TunerFilter().Reset();
    m_host.TuningSpace().Reset();
    (void)CBDAGraph::TearDownGraph(m_host);
}

int CModeSession::Open()
{
    if (!StartCom(m_reporter))
        return kExitReadWriteFailed;
    m_comStarted = true;

    m_reporter.Step(L"looking for the tuner \"VKO 8317 Tuner 0\"");
    CBDAGraph::m_pTunerDevice = CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", KSCATEGORY_BDA_NETWORK_TUNER);
    if (!CBDAGraph::m_pTunerDevice) {
        m_reporter.Error(L"No VKO DVBS device! (\"tessmorctl devices\" shows the devices the system lists)");
        return kExitNoCard;
    }
    m_reporter.Step(L"tuner found");

    bool supported = false;
    CBDAGraph::BuildGraphForProperty(m_host, [this, &supported](TuningStandard standard, bool passed) {
        m_reporter.Step(SupportTestStep(standard, passed));
        supported = passed;
    });
    if (!supported) {
        supported = QueryDemodModeSupport(Channel());
        m_reporter.Step(SupportTestStep(TuningStandard::DVBC, supported));
    }
    if (CBDAGraph::m_pCaptureDevice)
        m_reporter.Step(L"receiver found");
    if (supported)
        return kExitSuccess;

    // The build looks for the receiver right after it has put the provider and the tuner in.
    if (CBDAGraph::m_pNetworkProvider && !CBDAGraph::m_pCaptureDevice) {
        m_reporter.Error(L"the card's receiver device \"VKO 8317 Capture 0\" is not found");
        return kExitNoCard;
    }
    m_reporter.Error(L"the card's demodulator-mode property is supported under none of DVB-S, DVB-T and DVB-C");
    return kExitUnsupported;
}

IKsPropertySet* CModeSession::Channel() const
{
    return CBDAGraph::m_pKsPropertySet;
}
