#include "cli/program/help_text.h"

#include "cli/console/json_text.h"
#include "cli/options/mode_names.h"
#include "cli/program/program_signature.h"
#include "cli/console/text.h"
#include "modes/demod_mode.h"
#include "res/program.h"

namespace {

// ASCII, as TextPart reads it: half the room of wide texts.
const char* const kUsage =
    "Usage: tessmorctl [get | set MODE0 MODE1 [--wait] [--force | --dry-run] | list | devices | autostart ACTION] [OPTIONS]";

const char* const kHelp[] = {
    "",
    "Reads and changes the demodulator modes of the two tuners of the VKO 8317 card,",
    "as Tessmor.exe does, without a window.",
    "",
    "Commands:",
    "  get              print both tuners' current modes (also with no command)",
    "  set MODE0 MODE1  write a mode for tuner 0 and one for tuner 1, in one write,",
    "                   unless both are already set; the card then takes about",
    "                   8 seconds to switch",
    "  list             list the modes, their codes and other names",
    "  devices          list the tuner and receiver devices of the system and say",
    "                   which of them are used",
    "  autostart enable MODE0 MODE1 [--resume] [--device-start] [--system]",
    "                   register the task that sets these modes with its own copy of",
    "                   tessmorctlw.exe, at each logon of this user (--resume: and on",
    "                   each resume from sleep; --device-start: and each time the",
    "                   card's driver starts; --system: as SYSTEM at each system",
    "                   start, from an elevated prompt); its --timeout (120 s by",
    "                   default), --log FILE and --restart-service NAME are for the",
    "                   task's runs",
    "  autostart status [--system]",
    "                   say whether the task is registered, and what it does",
    "  autostart disable [--system]",
    "                   remove the task and its copy of the program (also when there",
    "                   is none)",
    "  help, version    print this help, or the version",
    "",
    "tessmorctlw.exe takes the same commands and gives the same exit statuses, but",
    "opens no console: what it would print goes only to --log.",
    "",
    "Modes, by name or code, in any case: DVB-T/T2 (1), DVB-S/S2 (2), DVB-C (4),",
    "ISDB-T (5), MCNS/QAMB (6), DVBC2 (7), or another name \"tessmorctl list\" shows,",
    "such as DVB-T2 or DVB-C2. ATSC (3) is not supported by the card.",
    "keep writes a tuner's current mode back unchanged.",
    "",
    "Options:",
    "  --wait           with set: wait the 8 seconds, read both modes back and",
    "                   succeed only if they are the ones written (with --timeout,",
    "                   read again about once a second for that many seconds more)",
    "  --force          with set: write even when both modes are already set",
    "  --dry-run        with set: say what would be written, and write nothing",
    "  --restart-service NAME",
    "                   with set: once the card reports the modes just written,",
    "                   restart that Windows service if it is running (a TV server",
    "                   that reads the tuners' types only when it starts)",
    "  --timeout SECONDS",
    "                   wait up to SECONDS (0 to 3600, counted from the start) for",
    "                   the card to appear; 0, the default, looks once",
    "  --card N         get, set, devices, autostart enable: the Nth card, as",
    "                   \"tessmorctl devices\" numbers them (by default, the first",
    "                   tuner that opens, with its own card's receiver)",
    "  --device PATH    the same: the card whose tuner has that device path, or",
    "                   that path's part before \"#{\"",
    "  --log FILE       append each line the run prints to FILE as it is printed,",
    "                   after the time and the process id: the command line first,",
    "                   the exit status last (UTF-8; a log past 1 MiB is renamed",
    "                   FILE.1 and begun anew)",
    "  --json           the result as one JSON object (get, set, list, devices,",
    "                   autostart status)",
    "  --quiet, -q      nothing on standard output but --json's object",
    "  --verbose, -v    tell each step on standard error",
    "  --version        print the version",
    "  --help, /?       print this help",
    "Options that take a value also take it as --timeout=30 or /timeout:30.",
    "",
    "Exit status:",
    "  0  success",
    "  1  usage error or refused choice (nothing written)",
    "  2  the card is not found",
    "  3  the property is supported under none of DVB-S, DVB-T and DVB-C",
    "  4  a read or write failed",
    "  5  --wait read back other modes than written",
    "  6  the task could not be registered, read or removed",
    "  7  the modes were written, but the service was not restarted",
    "",
    "Examples:",
    "  tessmorctl get",
    "  tessmorctl set DVB-C DVBC2",
    "  tessmorctl set keep dvb-t/t2 --wait",
    "  tessmorctl set DVB-C DVB-C2 --wait --timeout 60 --log C:\\Tessmor\\logon.log",
    "  tessmorctl autostart enable DVB-C DVB-C2 --resume",
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
    streams.Out(Concat({kUsage}));
    for (const char* line : kHelp)
        streams.Out(Concat({line}));
}

void PrintShortUsage(ConsoleStreams& streams)
{
    streams.Err(Concat({kUsage}));
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
    streams.Out(Concat({"tessmorctl ", Widen(TESSMOR_VERSION_TEXT)}));
    streams.Out(SignatureLine(signature));
}

void PrintModeList(Reporter& reporter)
{
    std::vector<std::wstring> rows;
    for (int code = 1; code <= kDemodModeCount; ++code) {
        const DemodMode mode = static_cast<DemodMode>(code);
        const bool supported = mode != DemodModeAtsc;
        const std::wstring aliases = AliasText(mode, L", ");
        reporter.Result(Concat({Decimal(code), "  ", Widen(DemodModeName(mode)),
                                (supported ? L"" : L" (not supported by the card)"),
                                (aliases.empty() ? L"" : L" (also " + aliases + L")")}));
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
