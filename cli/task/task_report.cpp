#include "cli/task/task_report.h"

#include <sddl.h>

#include "cli/options/command_line.h"
#include "cli/task/device_start.h"
#include "cli/console/json_text.h"
#include "cli/options/mode_names.h"
#include "cli/task/task_definition.h"
#include "cli/console/text.h"
#include "cli/task/xml_document.h"
#include "platform/com_holders.h"

namespace {

const wchar_t kExec[] = L"/t:Task/t:Actions/t:Exec/";
const wchar_t kNotTold[] = L"not told by the Task Scheduler";

std::wstring Path(const wchar_t* tail)
{
    return std::wstring(kExec) + tail;
}

// A command as the Task Scheduler keeps it, without the quotes around it.
std::wstring Unquoted(const std::wstring& command)
{
    if (command.size() >= 2 && command.front() == L'"' && command.back() == L'"')
        return command.substr(1, command.size() - 2);
    return command;
}

std::wstring FileNameOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

void ReadArguments(const std::wstring& arguments, TaskReport& report)
{
    int count = 0;
    wchar_t** words = arguments.empty() ? nullptr : ::CommandLineToArgvW(arguments.c_str(), &count);
    if (!words)
        return;
    CtlRequest run;
    std::wstring reason;
    if (ParseCommandLine(std::vector<std::wstring>(words, words + count), run, reason) &&
        run.command == CtlCommand::Set) {
        report.modesKnown = true;
        report.tuners[0] = run.tuners[0];
        report.tuners[1] = run.tuners[1];
        report.device = run.device;
        report.timeoutSeconds = run.timeoutSeconds;
        report.log = run.logFile;
        report.restartService = run.restartService;
    }
    (void)::LocalFree(words);
}

std::wstring TriggerText(const std::wstring& trigger, const std::wstring& user, const std::wstring& deviceStart)
{
    if (trigger == L"logon")
        return Concat({"at logon", (user.empty() ? std::wstring() : L" of " + user)});
    if (trigger == L"boot")
        return L"at system start";
    if (trigger == L"resume")
        return L"on resume from sleep";
    if (trigger == L"deviceStart")
        return Concat({"when the driver of ", deviceStart, " starts"});
    return Concat({"on a trigger of its own (", trigger, ")"});
}

std::wstring ProgramText(const TaskReport& report)
{
    if (report.program.empty())
        return kNotTold;
    if (!report.programCompared)
        return report.program;
    switch (report.programState) {
    case CopyState::Same:
        return report.program;
    case CopyState::Differs:
        return Concat({report.program, " (not the same as this tool's ", kTaskProgram,
                       ": \"autostart enable\" brings it up to date)"});
    case CopyState::Missing:
        return Concat({report.program, " (missing: \"autostart enable\" puts it back)"});
    case CopyState::Unreadable:
        break;
    }
    return Concat({report.program, " (cannot be read to compare it with this tool's ", kTaskProgram, ")"});
}

// An account as a security id's text: a text that is one already, or the id of the account of
// that name; the name itself when Windows does not know it.
std::wstring SidTextOf(const std::wstring& account)
{
    if (account.compare(0, 4, L"S-1-") == 0)
        return account;
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof sid, domainLength = 0;
    wchar_t domain[256] = {};
    domainLength = 256;
    SID_NAME_USE use;
    wchar_t* text = nullptr;
    if (!::LookupAccountNameW(nullptr, account.c_str(), sid, &size, domain, &domainLength, &use) ||
        !::ConvertSidToStringSidW(sid, &text))
        return account;
    std::wstring found = text;
    (void)::LocalFree(text);
    return found;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return LowerCase(a) == LowerCase(b);
}

}  // namespace

std::wstring ModeArgument(const ModeChoice& choice)
{
    return choice.keep ? std::wstring(L"keep") : Widen(DemodModeName(choice.mode));
}

std::wstring ModeText(int tuner, const ModeChoice& choice)
{
    return Concat({"Tuner ", Decimal(tuner), ": ",
                   choice.keep ? std::wstring(L"kept as it is") : ModeArgument(choice)});
}

void ReadTaskDefinition(const std::wstring& xml, TaskReport& report)
{
    XmlDocument document;
    if (xml.empty() || FAILED(document.Load(xml)))
        return;
    // Each event trigger is told by its query: the driver's start names its device.
    const std::vector<std::wstring> queries = document.Texts(L"/t:Task/t:Triggers/t:EventTrigger/t:Subscription");
    size_t events = 0;
    for (const std::wstring& trigger : document.Names(L"/t:Task/t:Triggers/*")) {
        const std::wstring device = trigger == L"EventTrigger" && events < queries.size()
                                        ? DeviceStartQueryId(queries[events++])
                                        : std::wstring();
        if (trigger == L"LogonTrigger")
            report.triggers.push_back(L"logon");
        else if (trigger == L"BootTrigger")
            report.triggers.push_back(L"boot");
        else if (!device.empty()) {
            report.triggers.push_back(L"deviceStart");
            report.deviceStart = device;
        } else if (trigger == L"EventTrigger")
            report.triggers.push_back(L"resume");
        else
            report.triggers.push_back(trigger);
    }
    report.user = document.Text(L"/t:Task/t:Triggers/t:LogonTrigger/t:UserId");
    report.program = Unquoted(document.Text(Path(L"t:Command").c_str()));
    // The modes, card, wait and log, read back from the arguments as the task's runs read them.
    ReadArguments(document.Text(Path(L"t:Arguments").c_str()), report);
}

void ReadTaskRuns(IRegisteredTask* task, TaskReport& report)
{
    TASK_STATE state = TASK_STATE_UNKNOWN;
    if (SUCCEEDED(task->get_State(&state))) {
        static const wchar_t* const names[] = {L"", L"disabled", L"queued", L"ready", L"running"};
        report.state = state >= TASK_STATE_DISABLED && state <= TASK_STATE_RUNNING ? names[state] : L"";
    }
    DATE last = 0;
    const HRESULT run = task->get_LastRunTime(&last);
    SYSTEMTIME time = {};
    if (run == SCHED_S_TASK_HAS_NOT_RUN) {
        report.lastRunKnown = report.neverRun = true;
    } else if (run == S_OK && ::VariantTimeToSystemTime(last, &time)) {
        report.lastRunKnown = true;
        report.lastRun = DateTimeText(time, false);
    }
    if (!report.neverRun && SUCCEEDED(task->get_LastTaskResult(&report.lastResult)))
        report.resultKnown = true;
}

void PrintTaskReport(Reporter& reporter, const std::wstring& name, const TaskReport& report)
{
    reporter.Result(Concat({"The task \"", name, "\" is registered."}));
    reporter.Result(Concat({"  Modes: ", (report.modesKnown ? ModeText(0, report.tuners[0]) + L", " +
                                                                    ModeText(1, report.tuners[1])
                                                              : kNotTold)}));
    if (report.modesKnown) {
        reporter.Result(Concat({"  Card: ", (report.device.empty() ? std::wstring(L"the first one found")
                                                                     : L"the one whose tuner is " + report.device)}));
        reporter.Result(Concat({"  Waits for the card: up to ", Decimal(report.timeoutSeconds), " s"}));
        if (!report.restartService.empty())
            reporter.Result(Concat({"  Restarts the service: ", report.restartService}));
    }
    std::wstring when;
    for (const std::wstring& trigger : report.triggers)
        when += (when.empty() ? L"" : L", ") + TriggerText(trigger, report.user, report.deviceStart);
    reporter.Result(Concat({"  Runs: ", (when.empty() ? kNotTold : when)}));
    reporter.Result(Concat({"  Program: ", ProgramText(report)}));
    reporter.Result(Concat({"  Log: ", (report.log.empty() ? kNotTold : report.log)}));
    reporter.Result(Concat({"  State: ", (report.state.empty() ? kNotTold : report.state)}));
    std::wstring last = kNotTold;
    if (report.neverRun)
        last = L"never";
    else if (report.lastRunKnown)
        last = Concat({report.lastRun, report.resultKnown ? Concat({", exit status ", Decimal(report.lastResult)})
                                                          : std::wstring()});
    reporter.Result(Concat({"  Last run: ", last}));
}

std::wstring TaskReportJson(const std::wstring& name, bool system, const TaskReport* report)
{
    JsonObject json;
    json.Text("task", name).Truth("system", system).Truth("registered", report != nullptr);
    if (!report)
        return json.Json();
    std::vector<std::wstring> modes, triggers;
    for (int tuner = 0; tuner < 2 && report->modesKnown; ++tuner)
        modes.push_back(JsonString(ModeArgument(report->tuners[tuner])));
    for (const std::wstring& trigger : report->triggers)
        triggers.push_back(JsonString(trigger));
    json.Value("modes", report->modesKnown ? JsonArray(modes) : L"null")
        .TextOrNull("device", report->device);
    if (report->modesKnown)
        json.Number("timeout", report->timeoutSeconds);
    else
        json.Null("timeout");
    json.TextOrNull("restartService", report->restartService)
        .TextOrNull("deviceStart", report->deviceStart)
        .Value("triggers", triggers.empty() ? L"null" : JsonArray(triggers))
        .TextOrNull("program", report->program)
        .Value("programIsThisToolsCopy", !report->programCompared || report->programState == CopyState::Unreadable
                                             ? L"null"
                                             : report->programState == CopyState::Same ? L"true" : L"false")
        .TextOrNull("log", report->log)
        .TextOrNull("state", report->state)
        .Value("lastRun", report->neverRun ? JsonString(L"never") : report->lastRunKnown ? JsonString(report->lastRun) : L"null");
    if (report->resultKnown)
        json.Number("lastResult", static_cast<unsigned long>(report->lastResult));
    else
        json.Null("lastResult");
    return json.Json();
}

std::wstring ForeignTaskReason(const std::wstring& xml, bool system, const UserAccount& account)
{
    XmlDocument document;
    if (xml.empty() || FAILED(document.Load(xml)))
        return {};
    for (const std::wstring& user : document.Texts(L"/t:Task/t:Principals/t:Principal/t:UserId")) {
        // Windows may give the account by its security id or by its name, in its own language.
        const std::wstring sid = SidTextOf(user);
        const bool ours = system ? EqualIgnoringCase(sid, L"S-1-5-18") || EqualIgnoringCase(user, L"SYSTEM") ||
                                       EqualIgnoringCase(user, L"NT AUTHORITY\\SYSTEM")
                                 : EqualIgnoringCase(sid, account.sid) || EqualIgnoringCase(user, account.name);
        if (!ours)
            return Concat({"it runs as ", user, ", not as ", (system ? std::wstring(L"SYSTEM") : account.name)});
    }
    for (const std::wstring& action : document.Names(L"/t:Task/t:Actions/*")) {
        if (action != L"Exec")
            return Concat({"it has an action of another kind (", action, ")"});
    }
    for (const std::wstring& command : document.Texts(Path(L"t:Command").c_str())) {
        if (!EqualIgnoringCase(FileNameOf(Unquoted(command)), kTaskProgram))
            return Concat({"it runs ", QuotedWhole(Unquoted(command)), ", not ", kTaskProgram});
    }
    return {};
}
