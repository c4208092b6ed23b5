#include "cli/options/command_line.h"

#include "cli/options/mode_names.h"
#include "cli/console/text.h"

namespace {

enum class Option {
    None, Help, Version, Wait, Verbose, Force, DryRun, Quiet, Json, Timeout, Log, Resume, System, Card, Device,
    DeviceStart, RestartService, Unknown
};

struct OptionName {
    const char* name;
    Option option;
    bool takesValue;
};

const OptionName kOptions[] = {
    {"help", Option::Help, false},       {"version", Option::Version, false},
    {"wait", Option::Wait, false},       {"verbose", Option::Verbose, false},
    {"force", Option::Force, false},     {"dry-run", Option::DryRun, false},
    {"quiet", Option::Quiet, false},     {"json", Option::Json, false},
    {"timeout", Option::Timeout, true},  {"log", Option::Log, true},
    {"resume", Option::Resume, false},   {"system", Option::System, false},
    {"card", Option::Card, true},        {"device", Option::Device, true},
    {"device-start", Option::DeviceStart, false}, {"restart-service", Option::RestartService, true},
};

// An argument read as an option: what it is, its name as written, and the value written into it
// after "=" or ":", if any.
struct OptionArgument {
    Option option = Option::None;
    std::wstring name;
    bool hasValue = false;
    std::wstring value;
    bool takesValue = false;
};

OptionArgument AsOption(const std::wstring& argument)
{
    OptionArgument read;
    read.name = argument;
    if (argument == L"/?" || argument == L"-?" || EqualsIgnoringCase(argument, "-h")) {
        read.option = Option::Help;
        return read;
    }
    if (EqualsIgnoringCase(argument, "-q")) {
        read.option = Option::Quiet;
        return read;
    }
    if (EqualsIgnoringCase(argument, "-v")) {
        read.option = Option::Verbose;
        return read;
    }
    std::wstring name;
    if (argument.compare(0, 2, L"--") == 0)
        name = argument.substr(2);
    else if (argument.compare(0, 1, L"/") == 0)
        name = argument.substr(1);
    else if (argument.compare(0, 1, L"-") == 0) {
        read.option = Option::Unknown;
        return read;
    } else
        return read;
    const size_t separator = name.find_first_of(L"=:");
    if (separator != std::wstring::npos) {
        read.hasValue = true;
        read.value = name.substr(separator + 1);
        name.erase(separator);
        read.name = argument.substr(0, argument.size() - read.value.size() - 1);
    }
    read.option = Option::Unknown;
    for (const OptionName& known : kOptions) {
        if (EqualsIgnoringCase(name, known.name)) {
            read.option = known.option;
            read.takesValue = known.takesValue;
        }
    }
    // A value written into an option that takes none makes the whole argument unknown.
    if (read.hasValue && !read.takesValue && read.option != Option::Unknown) {
        read.option = Option::Unknown;
        read.name = argument;
    }
    return read;
}

bool AsCommand(const std::wstring& argument, CtlCommand& command)
{
    static const struct {
        const char* name;
        CtlCommand command;
    } commands[] = {
        {"get", CtlCommand::Get},         {"set", CtlCommand::Set},   {"list", CtlCommand::List},
        {"devices", CtlCommand::Devices}, {"help", CtlCommand::Help}, {"version", CtlCommand::Version},
        {"autostart", CtlCommand::Autostart},
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
    return Concat({"tuner ", Decimal(tuner)});
}

// Both tuners' choices for the command (set, or autostart enable); the unknown mode is found
// before ATSC, as a missing choice is before it in the dialog.
bool ParseTuners(const std::vector<std::wstring>& modes, const std::wstring& command, CtlRequest& request,
                 std::wstring& reason)
{
    if (modes.size() != 2) {
        reason = Concat({command,
                         modes.size() < 2 ? " needs a mode for each tuner: " : " takes two modes, one for each tuner: ",
                         command, " MODE0 MODE1"});
        return false;
    }
    for (int tuner = 0; tuner < 2; ++tuner) {
        if (!ParseModeChoice(modes[tuner], request.tuners[tuner])) {
            reason = Concat({"unknown mode ", Quoted(modes[tuner]), " for ", TunerName(tuner)});
            const char* nearest = NearestModeName(modes[tuner]);
            if (nearest)
                reason += Concat({" (did you mean \"", Widen(nearest), "\"?)"});
            reason += L"; \"tessmorctl list\" shows the modes";
            return false;
        }
    }
    for (int tuner = 0; tuner < 2; ++tuner) {
        if (!request.tuners[tuner].keep && request.tuners[tuner].mode == DemodModeAtsc) {
            reason = Concat({"ATSC cannot be set for ", TunerName(tuner), ": the card does not support it"});
            return false;
        }
    }
    return true;
}

// A whole number of seconds from 0 to the longest timeout, in decimal digits only.
bool ParseSeconds(const std::wstring& text, DWORD& seconds)
{
    if (text.empty() || text.size() > 5)
        return false;
    DWORD value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + DWORD(c - L'0');
    }
    if (value > kMaxTimeoutSeconds)
        return false;
    seconds = value;
    return true;
}

// Which options the command cannot take, as the reason for refusing it.
bool CheckOptionsGoWithCommand(const CtlRequest& request, bool timeoutGiven, std::wstring& reason)
{
    const bool set = request.command == CtlCommand::Set;
    const bool autostart = request.command == CtlCommand::Autostart;
    const bool enable = autostart && request.autostart == AutostartAction::Enable;
    if (request.force && request.dryRun)
        reason = Ascii("--force and --dry-run do not go together: --dry-run writes nothing");
    else if (request.wait && !set)
        reason = L"--wait goes only with set";
    else if (request.force && !set)
        reason = L"--force goes only with set";
    else if (request.dryRun && !set)
        reason = L"--dry-run goes only with set";
    else if (timeoutGiven && request.command == CtlCommand::List)
        reason = Ascii("--timeout goes only with the commands that use the card: get, set and devices");
    else if (timeoutGiven && autostart && !enable)
        reason = Ascii("--timeout goes with autostart only as autostart enable's, for the task's runs");
    else if (request.resume && !enable)
        reason = Ascii("--resume goes only with autostart enable");
    else if (request.system && !autostart)
        reason = L"--system goes only with autostart";
    else if (request.card && !request.device.empty())
        reason = Ascii("--card and --device do not go together: each names a card");
    else if (ChoosesCard(request) &&
             !(request.command == CtlCommand::Get || set || request.command == CtlCommand::Devices || enable))
        reason = Ascii("--card and --device go only with get, set, devices and autostart enable");
    else if (request.json && autostart && request.autostart != AutostartAction::Status)
        reason = Ascii("--json goes with autostart only as autostart status --json");
    else if (request.deviceStart && !enable)
        reason = Ascii("--device-start goes only with autostart enable");
    else if (!request.restartService.empty() && !set && !enable)
        reason = Ascii("--restart-service goes only with set and autostart enable");
    else if (!request.restartService.empty() && request.dryRun)
        reason = Ascii("--restart-service and --dry-run do not go together: --dry-run writes nothing");
    return reason.empty();
}

// autostart's action and, for enable, the modes; enable's --timeout and --log are taken as the
// task's.
bool ParseAutostart(const std::vector<std::wstring>& words, CtlRequest& request, std::wstring& reason)
{
    static const struct {
        const char* name;
        AutostartAction action;
    } actions[] = {{"enable", AutostartAction::Enable}, {"status", AutostartAction::Status},
                   {"disable", AutostartAction::Disable}};
    if (words.size() < 2) {
        reason = Ascii("autostart needs enable, status or disable");
        return false;
    }
    bool known = false;
    for (const auto& action : actions) {
        if (EqualsIgnoringCase(words[1], action.name)) {
            request.autostart = action.action;
            known = true;
        }
    }
    if (!known) {
        reason = Concat({"autostart takes enable, status or disable, not ", Quoted(words[1])});
        return false;
    }
    if (request.autostart != AutostartAction::Enable && words.size() > 2) {
        reason = Concat({"too many arguments: ", Quoted(words[2]), " after ", Quoted(words[1])});
        return false;
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
    bool timeoutGiven = false;
    std::wstring unknownOption;
    std::wstring badValue;
    bool emptyArgument = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.empty()) {
            emptyArgument = true;
            continue;
        }
        OptionArgument read = AsOption(argument);
        if (read.takesValue && !read.hasValue && i + 1 < arguments.size()) {
            read.value = arguments[++i];
            read.hasValue = true;
        }
        if (read.takesValue && (!read.hasValue || read.value.empty()) && badValue.empty())
            badValue = Concat({read.name, read.option == Option::Log      ? " needs a file: --log FILE"
                                          : read.option == Option::Card   ? " needs a card's number: --card N"
                                          : read.option == Option::Device ? " needs a device path: --device PATH"
                                          : read.option == Option::RestartService
                                              ? " needs a service's name: --restart-service NAME"
                                              : " needs a number of seconds: --timeout SECONDS"});
        switch (read.option) {
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
        case Option::Force:
            request.force = true;
            break;
        case Option::DryRun:
            request.dryRun = true;
            break;
        case Option::Quiet:
            request.quiet = true;
            break;
        case Option::Json:
            request.json = true;
            break;
        case Option::Timeout:
            timeoutGiven = true;
            if (!read.value.empty() && !ParseSeconds(read.value, request.timeoutSeconds) && badValue.empty())
                badValue = Concat({read.name, " takes a whole number of seconds from 0 to ",
                                   Decimal(kMaxTimeoutSeconds), ", not ", Quoted(read.value)});
            break;
        case Option::Resume:
            request.resume = true;
            break;
        case Option::Card:
            if (!read.value.empty() && (!ParseSeconds(read.value, request.card) || request.card < 1 ||
                                        request.card > kMaxCardNumber) && badValue.empty())
                badValue = Concat({read.name, " takes a card's number from 1 to ", Decimal(kMaxCardNumber),
                                   ", as \"tessmorctl devices\" numbers them, not ", Quoted(read.value)});
            break;
        case Option::Device:
            request.device = read.value;
            break;
        case Option::System:
            request.system = true;
            break;
        case Option::DeviceStart:
            request.deviceStart = true;
            break;
        case Option::RestartService:
            request.restartService = read.value;
            break;
        case Option::Log:
            if (!read.value.empty()) {
                request.log = true;
                request.logFile = read.value;
            }
            break;
        case Option::Unknown:
            if (unknownOption.empty())
                unknownOption = read.name;
            break;
        case Option::None:
            words.push_back(argument);
            break;
        }
    }
    if (!words.empty() && EqualsIgnoringCase(words[0], "help"))
        help = true;
    if (help) {
        request.command = CtlCommand::Help;
        return true;
    }
    if (emptyArgument) {
        reason = Ascii("an empty argument is neither a command, a mode nor an option");
        return false;
    }
    if (!unknownOption.empty()) {
        reason = Concat({"unknown option ", Quoted(unknownOption)});
        return false;
    }
    if (!badValue.empty()) {
        reason = badValue;
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
        reason = Concat({"unknown command ", Quoted(words[0])});
        return false;
    }
    if (request.command == CtlCommand::Autostart && !ParseAutostart(words, request, reason))
        return false;
    const bool enable = request.command == CtlCommand::Autostart && request.autostart == AutostartAction::Enable;
    if (enable) {
        // The task's, not this run's.
        if (timeoutGiven)
            request.taskTimeoutSeconds = request.timeoutSeconds;
        request.timeoutSeconds = 0;
        request.taskLogFile = request.logFile;
        request.log = false;
        request.logFile.clear();
    }
    if (!CheckOptionsGoWithCommand(request, timeoutGiven, reason))
        return false;
    if (request.command == CtlCommand::Set)
        return ParseTuners(std::vector<std::wstring>(words.begin() + 1, words.end()), L"set", request, reason);
    if (enable)
        return ParseTuners(std::vector<std::wstring>(words.begin() + 2, words.end()), L"autostart enable", request,
                           reason);
    if (request.command == CtlCommand::Autostart)
        return true;
    if (words.size() > 1) {
        reason = Concat({"too many arguments: ", Quoted(words[1]), " after ", Quoted(words[0])});
        return false;
    }
    return true;
}
