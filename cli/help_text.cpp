#include "cli/help_text.h"

#include "cli/text.h"
#include "modes/demod_mode.h"
#include "res/program.h"

namespace {

const wchar_t* const kUsage =
    L"Usage: tessmorctl [get | set MODE0 MODE1 [--wait] | list | devices] [--verbose]";

const wchar_t* const kHelp[] = {
    L"",
    L"Reads and changes the demodulator modes of the two tuners of the VKO 8317 card,",
    L"as Tessmor.exe does, without a window.",
    L"",
    L"Commands:",
    L"  get              print both tuners' current modes (also with no command)",
    L"  set MODE0 MODE1  write a mode for tuner 0 and one for tuner 1, in one write;",
    L"                   the card then takes about 8 seconds to switch",
    L"  list             list the modes and their codes",
    L"  devices          list the tuner and receiver devices of the system and say",
    L"                   which of them are used",
    L"",
    L"Modes, by name or code, in any case: DVB-T/T2 (1), DVB-S/S2 (2), DVB-C (4),",
    L"ISDB-T (5), MCNS/QAMB (6), DVBC2 (7). ATSC (3) is not supported by the card.",
    L"keep writes a tuner's current mode back unchanged.",
    L"",
    L"Options:",
    L"  --wait           with set: wait the 8 seconds, read both modes back and",
    L"                   succeed only if they are the ones written",
    L"  --verbose        tell each step on standard error",
    L"  --version        print the version",
    L"  --help, /?       print this help",
    L"",
    L"Exit status:",
    L"  0  success",
    L"  1  usage error or refused choice (nothing written)",
    L"  2  the card is not found",
    L"  3  the property is supported under none of DVB-S, DVB-T and DVB-C",
    L"  4  a read or write failed",
    L"  5  --wait read back other modes than written",
    L"",
    L"Examples:",
    L"  tessmorctl get",
    L"  tessmorctl set DVB-C DVBC2",
    L"  tessmorctl set keep dvb-t/t2 --wait",
};

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

void PrintVersion(ConsoleStreams& streams)
{
    streams.Out(L"tessmorctl " + Widen(TESSMOR_VERSION_TEXT));
}

void PrintModeList(ConsoleStreams& streams)
{
    for (int code = 1; code <= kDemodModeCount; ++code) {
        const DemodMode mode = static_cast<DemodMode>(code);
        streams.Out(Decimal(code) + L"  " + Widen(DemodModeName(mode)) +
                    (mode == DemodModeAtsc ? L" (not supported by the card)" : L""));
    }
}
