#include "cli/mode_commands.h"

#include "cli/exit_status.h"
#include "cli/mode_session.h"
#include "cli/text.h"
#include "modes/demod_property.h"
#include "platform/system_services.h"

namespace {

// How long the card takes to switch after a write.
constexpr DWORD kSwitchTime = 8000;

DemodMode& TunerMode(DemodModeBlock& modes, int tuner)
{
    return tuner == 0 ? modes.tunerA : modes.tunerB;
}

std::wstring TunerLine(int tuner, DemodMode mode)
{
    return L"Tuner " + Decimal(tuner) + L": " + Widen(DemodModeName(mode));
}

std::wstring Codes(const DemodModeBlock& modes)
{
    return L"tuner 0 code " + Decimal(modes.tunerA) + L", tuner 1 code " +
           Decimal(modes.tunerB);
}

// One Get of both modes; false, reported as what was being done, when it failed.
bool Read(IKsPropertySet* channel, Reporter& reporter, const wchar_t* what, DemodModeBlock& modes)
{
    const HRESULT result = ReadDemodModes(channel, modes);
    if (FAILED(result)) {
        reporter.Error(std::wstring(what) + L" failed (" + ResultCode(result) + L")");
        return false;
    }
    reporter.Step(std::wstring(what) + L": " + Codes(modes));
    return true;
}

void PrintModes(Reporter& reporter, DemodModeBlock modes)
{
    reporter.Result(TunerLine(0, modes.tunerA));
    reporter.Result(TunerLine(1, modes.tunerB));
}

// The current mode of a tuner to keep, or the reason it cannot be kept.
bool Keep(int tuner, DemodMode current, Reporter& reporter)
{
    const std::wstring name = L"tuner " + Decimal(tuner);
    if (current < 1 || current > kDemodModeCount) {
        reporter.Error(name + L" cannot be kept: its current mode (code " + Decimal(current) +
                       L") is not one of the seven modes");
        return false;
    }
    if (current == DemodModeAtsc) {
        reporter.Error(name + L" cannot be kept: it is in ATSC, which the card does not support");
        return false;
    }
    return true;
}

}  // namespace

int RunGet(Reporter& reporter)
{
    CModeSession session(reporter);
    if (const int status = session.Open())
        return status;
    DemodModeBlock modes;
    if (!Read(session.Channel(), reporter, L"reading the modes", modes))
        return kExitReadWriteFailed;
    PrintModes(reporter, modes);
    return kExitSuccess;
}

int RunSet(const CtlRequest& request, Reporter& reporter)
{
    CModeSession session(reporter);
    if (const int status = session.Open())
        return status;
    IKsPropertySet* channel = session.Channel();

    DemodModeBlock written = {request.tuners[0].mode, request.tuners[1].mode};
    if (request.tuners[0].keep || request.tuners[1].keep) {
        DemodModeBlock current;
        if (!Read(channel, reporter, L"reading the current modes", current))
            return kExitReadWriteFailed;
        for (int tuner = 0; tuner < 2; ++tuner) {
            if (!request.tuners[tuner].keep)
                continue;
            if (!Keep(tuner, TunerMode(current, tuner), reporter))
                return kExitUsage;
            TunerMode(written, tuner) = TunerMode(current, tuner);
        }
    }

    reporter.Step(L"writing " + Codes(written));
    if (!SetDemodModes(channel, written)) {
        reporter.Error(L"writing the modes failed: the driver refused them");
        return kExitReadWriteFailed;
    }
    reporter.Result(L"Wrote " + TunerLine(0, written.tunerA) + L", " + TunerLine(1, written.tunerB) + L".");
    reporter.Result(L"The card takes about 8 seconds to switch to the new modes.");
    if (!request.wait)
        return kExitSuccess;

    reporter.Step(L"waiting " + Decimal(kSwitchTime) + L" ms for the card to switch");
    Services().Sleep(kSwitchTime);
    DemodModeBlock now;
    if (!Read(channel, reporter, L"reading the modes back", now))
        return kExitReadWriteFailed;
    PrintModes(reporter, now);
    if (now.tunerA != written.tunerA || now.tunerB != written.tunerB) {
        reporter.Error(L"the card reports other modes than were written");
        return kExitNotApplied;
    }
    return kExitSuccess;
}
