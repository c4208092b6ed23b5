#include "cli/command_line.h"

#include "cli/text.h"

namespace {

enum class Option { None, Help, Version, Wait, Verbose, Unknown };

// What an argument is as an option; None when it is a command or a mode.
Option AsOption(const std::wstring& argument)
{
    if (argument == L"/?" || argument == L"-?" || EqualsIgnoringCase(argument, "-h"))
        return Option::Help;
    std::wstring name;
    if (argument.compare(0, 2, L"--") == 0)
        name = argument.substr(2);
    else if (argument.compare(0, 1, L"/") == 0)
        name = argument.substr(1);
    else if (argument.compare(0, 1, L"-") == 0)
        return Option::Unknown;
    else
        return Option::None;
    if (EqualsIgnoringCase(name, "help"))
        return Option::Help;
    if (EqualsIgnoringCase(name, "version"))
        return Option::Version;
    if (EqualsIgnoringCase(name, "wait"))
        return Option::Wait;
    if (EqualsIgnoringCase(name, "verbose"))
        return Option::Verbose;
    return Option::Unknown;
}

bool AsCommand(const std::wstring& argument, CtlCommand& command)
{
    static const struct {
        const char* name;
        CtlCommand command;
    } commands[] = {
        {"get", CtlCommand::Get},
        {"set", CtlCommand::Set},
        {"list", CtlCommand::List},
        {"devices", CtlCommand::Devices},
    };
    for (const auto& known : commands) {
        if (EqualsIgnoringCase(argument, known.name)) {
            command = known.command;
            return true;
        }
    }
    return false;
}

std::wstring TunerName(int tuner)
{
    return L"tuner " + Decimal(tuner);
}

// Both tuners' choices for set; the unknown mode is found before ATSC, as a missing choice is
// before it in the dialog.
bool ParseTuners(const std::vector<std::wstring>& modes, CtlRequest& request, std::wstring& reason)
{
    if (modes.size() != 2) {
        reason = modes.size() < 2 ? L"set needs a mode for each tuner: set MODE0 MODE1"
                                  : L"set takes two modes, one for each tuner: set MODE0 MODE1";
        return false;
    }
    for (int tuner = 0; tuner < 2; ++tuner) {
        if (!ParseModeChoice(modes[tuner], request.tuners[tuner])) {
            reason = L"unknown mode " + Quoted(modes[tuner]) + L" for " + TunerName(tuner) +
                     L"; \"tessmorctl list\" shows the modes";
            return false;
        }
    }
    for (int tuner = 0; tuner < 2; ++tuner) {
        if (!request.tuners[tuner].keep && request.tuners[tuner].mode == DemodModeAtsc) {
            reason = L"ATSC cannot be set for " + TunerName(tuner) + L": the card does not support it";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::wstring>& arguments, CtlRequest& request,
                      std::wstring& reason)
{
    request = CtlRequest();
    std::vector<std::wstring> words;
    bool help = false;
    bool version = false;
    std::wstring unknownOption;
    bool emptyArgument = false;
    for (const std::wstring& argument : arguments) {
        if (argument.empty()) {
            emptyArgument = true;
            continue;
        }
        switch (AsOption(argument)) {
        case Option::Help:
            help = true;
            break;
        case Option::Version:
            version = true;
            break;
        case Option::Wait:
            request.wait = true;
            break;
        case Option::Verbose:
            request.verbose = true;
            break;
        case Option::Unknown:
            if (unknownOption.empty())
                unknownOption = argument;
            break;
        case Option::None:
            words.push_back(argument);
            break;
        }
    }
    if (help) {
        request.command = CtlCommand::Help;
        return true;
    }
    if (emptyArgument) {
        reason = L"an empty argument is neither a command, a mode nor an option";
        return false;
    }
    if (!unknownOption.empty()) {
        reason = L"unknown option " + Quoted(unknownOption);
        return false;
    }
    if (version) {
        request.command = CtlCommand::Version;
        if (!words.empty()) {
            reason = L"--version takes no command";
            return false;
        }
        return true;
    }
    if (!words.empty() && !AsCommand(words[0], request.command)) {
        reason = L"unknown command " + Quoted(words[0]);
        return false;
    }
    if (request.wait && request.command != CtlCommand::Set) {
        reason = L"--wait goes only with set";
        return false;
    }
    if (request.command == CtlCommand::Set)
        return ParseTuners(std::vector<std::wstring>(words.begin() + 1, words.end()), request, reason);
    if (words.size() > 1) {
        reason = L"too many arguments: " + Quoted(words[1]) + L" after " + Quoted(words[0]);
        return false;
    }
    return true;
}
