#include "cli/program/help_text.h"

#include "cli/console/json_text.h"
#include "cli/options/mode_names.h"
#include "cli/program/program_signature.h"
#include "cli/console/text.h"
#include "modes/demod_mode.h"
#include "res/program.h"

namespace {

const wchar_t* const kUsage =
    L"Usage: tessmorctl [get | set MODE0 MODE1 [--wait] [--force | --dry-run] | list | devices | autostart ACTION] [OPTIONS]";

const wchar_t* const kHelp[] = {
    L"",
    L"Reads and changes the demodulator modes of the two tuners of the VKO 8317 card,",
    L"as Tessmor.exe does, without a window.",
    L"",
    L"Commands:",
    L"  get              print both tuners' current modes (also with no command)",
    L"  set MODE0 MODE1  write a mode for tuner 0 and one for tuner 1, in one write,",
    L"                   unless both are already set; the card then takes about",
    L"                   8 seconds to switch",
    L"  list             list the modes, their codes and other names",
    L"  devices          list the tuner and receiver devices of the system and say",
    L"                   which of them are used",
    L"  autostart enable MODE0 MODE1 [--resume] [--device-start] [--system]",
    L"                   register the task that sets these modes with its own copy of",
    L"                   tessmorctlw.exe, at each logon of this user (--resume: and on",
    L"                   each resume from sleep; --device-start: and each time the",
    L"                   card's driver starts; --system: as SYSTEM at each system",
    L"                   start, from an elevated prompt); its --timeout (120 s by",
    L"                   default), --log FILE and --restart-service NAME are for the",
    L"                   task's runs",
    L"  autostart status [--system]",
    L"                   say whether the task is registered, and what it does",
    L"  autostart disable [--system]",
    L"                   remove the task and its copy of the program (also when there",
    L"                   is none)",
    L"  help, version    print this help, or the version",
    L"",
    L"tessmorctlw.exe takes the same commands and gives the same exit statuses, but",
    L"opens no console: what it would print goes only to --log.",
    L"",
    L"Modes, by name or code, in any case: DVB-T/T2 (1), DVB-S/S2 (2), DVB-C (4),",
    L"ISDB-T (5), MCNS/QAMB (6), DVBC2 (7), or another name \"tessmorctl list\" shows,",
    L"such as DVB-T2 or DVB-C2. ATSC (3) is not supported by the card.",
    L"keep writes a tuner's current mode back unchanged.",
    L"",
    L"Options:",
    L"  --wait           with set: wait the 8 seconds, read both modes back and",
    L"                   succeed only if they are the ones written (with --timeout,",
    L"                   read again about once a second for that many seconds more)",
    L"  --force          with set: write even when both modes are already set",
    L"  --dry-run        with set: say what would be written, and write nothing",
    L"  --restart-service NAME",
    L"                   with set: once the card reports the modes just written,",
    L"                   restart that Windows service if it is running (a TV server",
    L"                   that reads the tuners' types only when it starts)",
    L"  --timeout SECONDS",
    L"                   wait up to SECONDS (0 to 3600, counted from the start) for",
    L"                   the card to appear; 0, the default, looks once",
    L"  --card N         get, set, devices, autostart enable: the Nth card, as",
    L"                   \"tessmorctl devices\" numbers them (by default, the first",
    L"                   tuner that opens, with its own card's receiver)",
    L"  --device PATH    the same: the card whose tuner has that device path, or",
    L"                   that path's part before \"#{\"",
    L"  --log FILE       append each line the run prints to FILE as it is printed,",
    L"                   after the time and the process id: the command line first,",
    L"                   the exit status last (UTF-8; a log past 1 MiB is renamed",
    L"                   FILE.1 and begun anew)",
    L"  --json           the result as one JSON object (get, set, list, devices,",
    L"                   autostart status)",
    L"  --quiet, -q      nothing on standard output but --json's object",
    L"  --verbose, -v    tell each step on standard error",
    L"  --version        print the version",
    L"  --help, /?       print this help",
    L"Options that take a value also take it as --timeout=30 or /timeout:30.",
    L"",
    L"Exit status:",
    L"  0  success",
    L"  1  usage error or refused choice (nothing written)",
    L"  2  the card is not found",
    L"  3  the property is supported under none of DVB-S, DVB-T and DVB-C",
    L"  4  a read or write failed",
    L"  5  --wait read back other modes than written",
    L"  6  the task could not be registered, read or removed",
    L"  7  the modes were written, but the service was not restarted",
    L"",
    L"Examples:",
    L"  tessmorctl get",
    L"  tessmorctl set DVB-C DVBC2",
    L"  tessmorctl set keep dvb-t/t2 --wait",
    L"  tessmorctl set DVB-C DVB-C2 --wait --timeout 60 --log C:\\Tessmor\\logon.log",
    L"  tessmorctl autostart enable DVB-C DVB-C2 --resume",
};

std::wstring AliasText(DemodMode mode, const wchar_t* separator)
{
    std::wstring text;
    for (const char* alias : ModeAliases(mode))
        text += (text.empty() ? L"" : separator) + Widen(alias);
    return text;
}

}  // namespace

void PrintHelp(ConsoleStreams& streams)
{
    streams.Out(kUsage);
    for (const wchar_t* line : kHelp)
        streams.Out(line);
}

void PrintShortUsage(ConsoleStreams& streams)
{
    streams.Err(kUsage);
    streams.Err(L"\"tessmorctl --help\" tells more.");
}

void PrintVersion(ConsoleStreams& streams, bool json, const ProgramSignature& signature)
{
    if (json) {
        JsonObject object;
        object.Text("program", L"tessmorctl").Text("version", Widen(TESSMOR_VERSION_TEXT));
        AddSignatureMembers(object, signature);
        streams.Out(object.Json());
        return;
    }
    streams.Out(L"tessmorctl " + Widen(TESSMOR_VERSION_TEXT));
    streams.Out(SignatureLine(signature));
}

void PrintModeList(Reporter& reporter)
{
    std::vector<std::wstring> rows;
    for (int code = 1; code <= kDemodModeCount; ++code) {
        const DemodMode mode = static_cast<DemodMode>(code);
        const bool supported = mode != DemodModeAtsc;
        const std::wstring aliases = AliasText(mode, L", ");
        reporter.Result(Decimal(code) + L"  " + Widen(DemodModeName(mode)) +
                        (supported ? L"" : L" (not supported by the card)") +
                        (aliases.empty() ? L"" : L" (also " + aliases + L")"));
        std::vector<std::wstring> names;
        for (const char* alias : ModeAliases(mode))
            names.push_back(JsonString(Widen(alias)));
        rows.push_back(JsonObject()
                           .Number("code", static_cast<unsigned long>(code))
                           .Text("name", Widen(DemodModeName(mode)))
                           .Value("aliases", JsonArray(names))
                           .Truth("supported", supported)
                           .Json());
    }
    reporter.Data(JsonObject().Value("modes", JsonArray(rows)).Json());
}
