#include "cli/commands/mode_commands.h"

#include "cli/commands/card_names.h"
#include "cli/console/exit_status.h"
#include "cli/console/json_text.h"
#include "cli/commands/mode_session.h"
#include "cli/commands/service_restart.h"
#include "cli/console/text.h"
#include "modes/demod_property.h"
#include "platform/system_services.h"

namespace {

// How long the card takes to switch after a write.
constexpr DWORD kSwitchTime = 8000;

DemodMode& TunerMode(DemodModeBlock& modes, int tuner)
{
    return tuner == 0 ? modes.tunerA : modes.tunerB;
}

bool SameModes(const DemodModeBlock& one, const DemodModeBlock& other)
{
    return one.tunerA == other.tunerA && one.tunerB == other.tunerB;
}

std::wstring TunerLine(int tuner, DemodMode mode)
{
    return Concat({"Tuner ", Decimal(tuner), ": ", Widen(DemodModeName(mode))});
}

std::wstring BothTuners(const DemodModeBlock& modes)
{
    return Concat({TunerLine(0, modes.tunerA), ", ", TunerLine(1, modes.tunerB)});
}

std::wstring Codes(const DemodModeBlock& modes)
{
    return Concat({"tuner 0 code ", Decimal(modes.tunerA), ", tuner 1 code ",
                   Decimal(modes.tunerB)});
}

// Both tuners as --json gives them: [{"tuner":0,"code":4,"name":"DVB-C"},...].
std::wstring JsonTuners(const DemodModeBlock& modes)
{
    std::vector<std::wstring> tuners;
    for (int tuner = 0; tuner < 2; ++tuner) {
        const DemodMode mode = tuner == 0 ? modes.tunerA : modes.tunerB;
        tuners.push_back(JsonObject()
                             .Number("tuner", static_cast<unsigned long>(tuner))
                             .Number("code", mode)
                             .Text("name", Widen(DemodModeName(mode)))
                             .Json());
    }
    return JsonArray(tuners);
}

// One Get of both modes; the result, the codes read told as a step.
HRESULT Read(IKsPropertySet* channel, Reporter& reporter, const wchar_t* what, DemodModeBlock& modes)
{
    const HRESULT result = ReadDemodModes(channel, modes);
    if (SUCCEEDED(result))
        reporter.Step(Concat({std::wstring(what), ": ", Codes(modes)}));
    return result;
}

// One Get of both modes; false, reported as what was being done, when it failed.
bool ReadOrReport(IKsPropertySet* channel, Reporter& reporter, const wchar_t* what, DemodModeBlock& modes)
{
    const HRESULT result = Read(channel, reporter, what, modes);
    if (FAILED(result)) {
        reporter.Error(Concat({std::wstring(what), " failed (", ResultCode(result), ")"}));
        return false;
    }
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
    const std::wstring name = Concat({"tuner ", Decimal(tuner)});
    if (current < 1 || current > kDemodModeCount) {
        reporter.Error(Concat({name, " cannot be kept: its current mode (code ", Decimal(current),
                               ") is not one of the seven modes"}));
        return false;
    }
    if (current == DemodModeAtsc) {
        reporter.Error(Concat({name, " cannot be kept: it is in ATSC, which the card does not support"}));
        return false;
    }
    return true;
}

// The pair set writes: the request's modes with the kept tuners' current ones. The current
// modes are read first, unless --force writes regardless and nothing is kept; whether they
// were read comes back in known. Status kExitSuccess, or why nothing may be written.
int WorkOutPair(const CtlRequest& request, IKsPropertySet* channel, Reporter& reporter,
                DemodModeBlock& pair, DemodModeBlock& current, bool& known)
{
    pair = {request.tuners[0].mode, request.tuners[1].mode};
    const bool keeps = request.tuners[0].keep || request.tuners[1].keep;
    known = false;
    if (request.force && !keeps)
        return kExitSuccess;
    if (keeps) {
        if (!ReadOrReport(channel, reporter, L"reading the current modes", current))
            return kExitReadWriteFailed;
    } else {
        const HRESULT result = Read(channel, reporter, L"reading the current modes", current);
        if (FAILED(result)) {
            reporter.Step(Concat({"reading the current modes failed (", ResultCode(result),
                                  "): whether they are already set cannot be told, so they are written as asked"}));
            return kExitSuccess;
        }
    }
    known = true;
    for (int tuner = 0; tuner < 2; ++tuner) {
        if (!request.tuners[tuner].keep)
            continue;
        if (!Keep(tuner, TunerMode(current, tuner), reporter))
            return kExitUsage;
        TunerMode(pair, tuner) = TunerMode(current, tuner);
    }
    return kExitSuccess;
}

// After a write: the card's switching time, then reads until the modes read back are those
// written, or until the time allowed, counted from the first read-back, is up. The modes last
// read back come back in now, and whether any read succeeded in readBack.
int WaitForModes(const CtlRequest& request, IKsPropertySet* channel, Reporter& reporter, Clock& clock,
                 const DemodModeBlock& written, DemodModeBlock& now, bool& readBack)
{
    reporter.Step(Concat({"waiting ", Decimal(kSwitchTime), " ms for the card to switch"}));
    Services().Sleep(kSwitchTime);
    Patience patience(clock, clock.Milliseconds(), request.timeoutSeconds);
    readBack = false;
    for (;;) {
        DemodModeBlock read;
        if (!ReadOrReport(channel, reporter, L"reading the modes back", read))
            return kExitReadWriteFailed;
        now = read;
        readBack = true;
        if (SameModes(now, written))
            return kExitSuccess;
        if (!patience.PauseBeforeNextTry())
            return kExitNotApplied;
        reporter.Step(Concat({"the card does not report the new modes yet; reading them",
                              TryNote(true, patience.Now())}));
    }
}

}  // namespace

int RunGet(const CtlRequest& request, Reporter& reporter, Clock& clock)
{
    CModeSession session(reporter, clock, request.timeoutSeconds);
    session.ChooseCard(request);
    if (const int status = session.Open())
        return status;
    DemodModeBlock modes;
    if (!ReadOrReport(session.Channel(), reporter, L"reading the modes", modes))
        return kExitReadWriteFailed;
    PrintModes(reporter, modes);
    reporter.Data(JsonObject().Value("tuners", JsonTuners(modes)).Json());
    return kExitSuccess;
}

int RunSet(const CtlRequest& request, Reporter& reporter, Clock& clock)
{
    // A service that cannot be restarted is refused before the card is touched.
    if (!request.restartService.empty()) {
        const std::wstring refusal = ServiceRefusal(request.restartService);
        if (!refusal.empty()) {
            reporter.Error(Concat({refusal, "; nothing was written"}));
            return kExitUsage;
        }
    }
    CModeSession session(reporter, clock, request.timeoutSeconds);
    session.ChooseCard(request);
    if (const int status = session.Open())
        return status;
    IKsPropertySet* channel = session.Channel();

    DemodModeBlock pair, current;
    bool known = false;
    if (const int status = WorkOutPair(request, channel, reporter, pair, current, known))
        return status;
    JsonObject json;
    json.Value("tuners", JsonTuners(pair));
    if (!request.force && known && SameModes(current, pair)) {
        reporter.Result(Concat({"The modes are already set (", BothTuners(pair), "); nothing was written."}));
        reporter.Data(json.Truth("written", false).Json());
        return kExitSuccess;
    }
    if (request.dryRun) {
        reporter.Result(Concat({"Would write ", BothTuners(pair), "; nothing was written (--dry-run)."}));
        reporter.Data(json.Truth("written", false).Json());
        return kExitSuccess;
    }

    reporter.Step(Concat({"writing ", Codes(pair)}));
    if (!SetDemodModes(channel, pair)) {
        reporter.Error(Ascii("writing the modes failed: the driver refused them"));
        return kExitReadWriteFailed;
    }
    json.Truth("written", true);
    reporter.Result(Concat({"Wrote ", BothTuners(pair), "."}));
    reporter.Result(Ascii("The card takes about 8 seconds to switch to the new modes."));
    // A service is restarted only once the card reports the modes: it reads them when it starts.
    if (!request.wait && request.restartService.empty()) {
        reporter.Data(json.Json());
        return kExitSuccess;
    }

    DemodModeBlock now;
    bool readBack = false;
    const int status = WaitForModes(request, channel, reporter, clock, pair, now, readBack);
    if (status == kExitReadWriteFailed) {
        // The modes were written all the same: a script must be able to tell. The object then
        // has the modes last read back, if any read succeeded, and says the read-back failed.
        json.Value("readBack", readBack ? JsonTuners(now) : L"null").Truth("readBackFailed", true);
        reporter.Data(json.Json());
        return status;
    }
    PrintModes(reporter, now);
    reporter.Data(json.Value("readBack", JsonTuners(now)).Json());
    if (status == kExitNotApplied) {
        reporter.Error(Ascii("the card reports other modes than were written"));
        reporter.Error(kNotAppliedAdvice);
    }
    if (status != kExitSuccess || request.restartService.empty())
        return status;
    return RestartService(request.restartService, reporter);
}
