#pragma once
// The options room: the command line read into a request, with the mode names and choices.
// It uses the console room and modes/, and nothing that runs a command.
//
// What tessmorctl is asked to do, from its arguments. Commands, options, mode names and "keep"
// are taken in any case; options may stand anywhere, with "--" or "/" in front, and an option's
// value may follow it as the next argument, after "=" or after ":" ("--timeout 30",
// "--timeout=30", "/timeout:30").
#include <windows.h>

#include <string>
#include <vector>

#include "cli/options/mode_choice.h"

enum class CtlCommand { Get, Set, List, Devices, Autostart, Help, Version };
// What autostart is asked to do with the task that keeps the modes.
enum class AutostartAction { Enable, Status, Disable };

// The longest --timeout taken, in seconds: an hour.
constexpr DWORD kMaxTimeoutSeconds = 3600;
// The highest card number --card takes.
constexpr DWORD kMaxCardNumber = 99;
// How long the task's runs wait for the card unless autostart enable is given --timeout.
constexpr DWORD kAutostartTimeoutSeconds = 120;

struct CtlRequest {
    CtlCommand command = CtlCommand::Get;  // no command is "get"
    ModeChoice tuners[2];                  // for set and autostart enable: tuner 0's and tuner 1's
    AutostartAction autostart = AutostartAction::Status;
    bool resume = false;                   // autostart enable --resume: also on resume from sleep
    bool system = false;                   // autostart --system: the task that runs as SYSTEM
    bool deviceStart = false;              // autostart enable --device-start: also when the card's
                                           // driver starts
    std::wstring restartService;           // --restart-service NAME: the service restarted once
                                           // the card reports modes just written
    bool wait = false;                     // set --wait
    bool force = false;                    // set --force: write even what is already set
    bool dryRun = false;                   // set --dry-run: work out what to write, write nothing
    bool verbose = false;
    bool quiet = false;                    // nothing on standard output but --json's object
    bool json = false;                     // the result as one JSON object
    DWORD timeoutSeconds = 0;              // how long to wait for the card (and, with --wait,
                                           // for its new modes)
    DWORD card = 0;                        // --card N: the Nth card as devices numbers them (0: none)
    std::wstring device;                   // --device PATH: the card whose tuner has that path
    bool log = false;                      // --log was given, with logFile
    std::wstring logFile;
    // autostart enable: what the task's runs are given. Its --timeout and --log are the task's,
    // not this run's: then timeoutSeconds is 0 and log is false.
    DWORD taskTimeoutSeconds = kAutostartTimeoutSeconds;
    std::wstring taskLogFile;              // empty: the default log
};

// Whether the request names a card (--card or --device).
inline bool ChoosesCard(const CtlRequest& request)
{
    return request.card != 0 || !request.device.empty();
}

// The request the arguments (without the program's name) make. False, with a reason that can be
// shown after the program's name, for a usage error or a refused choice: an unknown command or
// option, too many or too few arguments, an empty argument, a mode that is not one of the
// seven, ATSC, which the card does not support, an option's value missing or out of range, and
// options that do not go together or not with the command. Help wins over every other argument.
// A well-formed --log is taken into the request even when something else is wrong, so that the
// refusal can be logged too.
bool ParseCommandLine(const std::vector<std::wstring>& arguments, CtlRequest& request,
                      std::wstring& reason);
