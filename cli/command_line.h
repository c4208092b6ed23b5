#pragma once
// What tessmorctl is asked to do, from its arguments. Commands, options, mode names and "keep"
// are taken in any case; options may stand anywhere, with "--" or "/" in front.
#include <string>
#include <vector>

#include "cli/mode_choice.h"

enum class CtlCommand { Get, Set, List, Devices, Help, Version };

struct CtlRequest {
    CtlCommand command = CtlCommand::Get;  // no command is "get"
    ModeChoice tuners[2];                  // for set: tuner 0's and tuner 1's
    bool wait = false;                     // set --wait
    bool verbose = false;
};

// The request the arguments (without the program's name) make. False, with a reason that can be
// shown after the program's name, for a usage error or a refused choice: an unknown command or
// option, too many or too few arguments, an empty argument, a mode that is not one of the
// seven, and ATSC, which the card does not support. Help wins over every other argument.
bool ParseCommandLine(const std::vector<std::wstring>& arguments, CtlRequest& request,
                      std::wstring& reason);
