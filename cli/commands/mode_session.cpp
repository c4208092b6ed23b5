#include "cli/commands/mode_session.h"

#include <objbase.h>

#include "cli/commands/card_list.h"
#include "cli/commands/card_names.h"
#include "cli/commands/com_start.h"
#include "cli/console/exit_status.h"
#include "cli/console/text.h"
#include "graph/bda_graph.h"
#include "graph/device_search.h"
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

// What a build of the fallback came to; a build that found no receiver tested nothing.
std::wstring SupportTestStep(TuningStandard standard, bool supported, bool receiverMissing)
{
    if (receiverMissing)
        return Concat({StandardName(standard), " graph not completed: the receiver is not there"});
    return Concat({StandardName(standard), " graph built; the property is ",
                   (supported ? L"supported" : L"not supported")});
}

// FindFilter's search for the tuner, with its device path, which also tells whether a device of
// that name is listed but could not be opened (in use by another program, or its driver not
// started).
ComPtr<IBaseFilter> SearchTuner(bool& listedButClosed, DevicePath& path, const DevicePath& instance = DevicePath())
{
    DeviceSearch search(kTunerName, instance);
    WalkDevices(KSCATEGORY_BDA_NETWORK_TUNER, [&](FoundDevice& device) {
        listedButClosed = listedButClosed || search.ListedButClosed(device);
        return search.Visit(device);
    });
    return search.TakeResult(&path);
}

// A build that got as far as its network provider and then found no receiver did not test the
// property at all: its standard is still open.
bool ReceiverMissing()
{
    return CBDAGraph::m_pNetworkProvider && !CBDAGraph::m_pCaptureDevice;
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

bool CModeSession::SearchChosenTuner(std::wstring& reason, bool& listedButClosed)
{
    std::wstring wanted;
    if (!ChosenTunerPath(m_choice, ListTunerDevices(), wanted, reason))
        return false;
    CBDAGraph::m_pTunerDevice = SearchTuner(listedButClosed, CBDAGraph::m_tunerDevicePath, DeviceInstanceOf(wanted.c_str()));
    // Only that card's tuner will do: one that opens in its place belongs to another card.
    if (CBDAGraph::m_pTunerDevice && !CBDAGraph::m_tunerDevicePath.Equals(wanted.c_str())) {
        CBDAGraph::m_pTunerDevice.Reset();
        CBDAGraph::m_tunerDevicePath.Clear();
        listedButClosed = true;
    }
    return true;
}

bool CModeSession::FindTuner()
{
    bool listedButClosed = false;
    std::wstring notThere;
    for (;;) {
        m_reporter.Step(Concat({"looking for the tuner \"", kTunerName, "\"",
                                TryNote(m_patience.Try() > 1, m_patience.Now())}));
        listedButClosed = false;
        notThere.clear();
        if (!ChoosesCard(m_choice))
            CBDAGraph::m_pTunerDevice = SearchTuner(listedButClosed, CBDAGraph::m_tunerDevicePath);
        else
            (void)SearchChosenTuner(notThere, listedButClosed);
        if (CBDAGraph::m_pTunerDevice)
            return true;
        if (!m_patience.PauseBeforeNextTry())
            break;
    }
    if (!notThere.empty()) {
        m_reporter.Error(notThere);
        return false;
    }
    m_reporter.Error(Ascii("No VKO DVBS device! (\"tessmorctl devices\" shows the devices the system lists)"));
    if (listedButClosed)
        m_reporter.Error(Concat({"\"", kTunerName, "\" is listed but cannot be opened: ",
                                 kCardInUseAdvice}));
    else
        m_reporter.Error(kNoCardAdvice);
    return false;
}

bool CModeSession::BuildForProperty(bool& receiverMissing)
{
    bool supported = false;
    receiverMissing = false;
    CBDAGraph::BuildGraphForProperty(m_host, [this, &supported, &receiverMissing](TuningStandard standard,
                                                                                  bool passed) {
        m_reporter.Step(SupportTestStep(standard, passed, ReceiverMissing()));
        supported = passed;
        receiverMissing = receiverMissing || ReceiverMissing();
    });
    if (!supported) {
        supported = QueryDemodModeSupport(Channel());
        m_reporter.Step(SupportTestStep(TuningStandard::DVBC, supported, ReceiverMissing()));
        receiverMissing = receiverMissing || ReceiverMissing();
    }
    return supported;
}

int CModeSession::Open()
{
    if (!StartCom(m_reporter))
        return kExitReadWriteFailed;
    m_comStarted = true;

    if (!FindTuner())
        return kExitNoCard;
    m_reporter.Step(L"tuner found");

    // The build looks for the receiver right after it has put the provider and the tuner in.
    // A try in which any build went without it is not conclusive, since that build's standard
    // may be the one the driver answers under: while time is left, the receiver is looked for
    // on its own until it is there, and then the whole fallback is built again with it.
    bool receiverMissing = false;
    bool supported = BuildForProperty(receiverMissing);
    while (!supported && receiverMissing && m_patience.PauseBeforeNextTry()) {
        m_reporter.Step(Concat({"looking for the receiver \"", kCaptureName, "\"",
                                TryNote(true, m_patience.Now())}));
        // Released before the build looks for it again: some devices open only once at a time.
        if (CBDAGraph::FindFilterOfCard(kCaptureName, KSCATEGORY_BDA_RECEIVER_COMPONENT, CBDAGraph::m_tunerDevicePath))
            supported = BuildForProperty(receiverMissing);
    }
    if (CBDAGraph::m_pCaptureDevice)
        m_reporter.Step(L"receiver found");
    if (supported)
        return kExitSuccess;

    if (receiverMissing) {
        if (CBDAGraph::m_pCaptureDevice)
            m_reporter.Error(Concat({"the card's receiver device \"", kCaptureName,
                                     "\" came too late for every standard to be tried"}));
        else
            m_reporter.Error(Concat({"the card's receiver device \"", kCaptureName, "\" is not found"}));
        m_reporter.Error(kNoCardAdvice);
        return kExitNoCard;
    }
    m_reporter.Error(Ascii("the card's demodulator-mode property is supported under none of DVB-S, DVB-T and DVB-C"));
    m_reporter.Error(kUnsupportedAdvice);
    return kExitUnsupported;
}

IKsPropertySet* CModeSession::Channel() const
{
    return CBDAGraph::m_pKsPropertySet;
}
