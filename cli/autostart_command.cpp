#include "cli/autostart_command.h"

#include <shlobj.h>

#include "cli/card_list.h"
#include "cli/com_start.h"
#include "cli/exit_status.h"
#include "cli/json_text.h"
#include "cli/task_definition.h"
#include "cli/task_scheduler.h"
#include "cli/text.h"
#include "cli/user_account.h"
#include "cli/xml_document.h"
#include "platform/com_holders.h"

namespace {

// The program the task runs: the windowless one, so that nothing shows at logon.
const wchar_t kTaskProgram[] = L"tessmorctlw.exe";
// A run is ended this long after its own --timeout: time enough to write and read back.
constexpr DWORD kTimeLimitMargin = 60;

const wchar_t kElevationAdvice[] =
    L"--system needs an elevated prompt: open the command prompt with \"Run as administrator\" and run the "
    L"command again; nothing was changed";

std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The full path of this program's own file.
std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return path;
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
    if (written == 0 || written >= length)
        return path;
    full.resize(written);
    return full;
}

// An argument of the task's command line: in quotes when it holds a blank.
std::wstring CommandArgument(const std::wstring& argument)
{
    return argument.find_first_of(L" \t") == std::wstring::npos ? argument : L"\"" + argument + L"\"";
}

std::wstring ModeArgument(const ModeChoice& choice)
{
    return choice.keep ? std::wstring(L"keep") : Widen(DemodModeName(choice.mode));
}

std::wstring ModeText(int tuner, const ModeChoice& choice)
{
    return L"Tuner " + Decimal(tuner) + L": " + (choice.keep ? std::wstring(L"kept as it is") : ModeArgument(choice));
}

// The log the task's runs keep: the one asked for, as a full path in a folder that exists, or
// the default one, in a folder of its own that is made here. The status.
int TaskLog(const CtlRequest& request, Reporter& reporter, std::wstring& log)
{
    if (!request.taskLogFile.empty()) {
        log = FullPath(request.taskLogFile);
        if (!IsFolder(FolderOf(log))) {
            reporter.Error(L"the folder of the log " + Quoted(log) +
                           L" does not exist: create it, or leave --log out for the default log");
            return kExitUsage;
        }
        return kExitSuccess;
    }
    wchar_t base[MAX_PATH] = {};
    const HRESULT found = ::SHGetFolderPathW(nullptr, request.system ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA,
                                             nullptr, SHGFP_TYPE_CURRENT, base);
    if (FAILED(found)) {
        reporter.Error(L"the folder for the task's log cannot be found (" + ResultCode(found) +
                       L"): give one with --log FILE");
        return kExitUsage;
    }
    const std::wstring folder = std::wstring(base) + L"\\Tessmor";
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        reporter.Error(L"the folder " + Quoted(folder) + L" for the task's log cannot be made (error " +
                       Decimal(::GetLastError()) + L"): give another log with --log FILE");
        return kExitUsage;
    }
    log = folder + L"\\autostart.log";
    return kExitSuccess;
}

// What to do about a Task Scheduler failure.
std::wstring Advice(HRESULT result, const std::wstring& name, bool system)
{
    switch (result) {
    case REGDB_E_CLASSNOTREG:
        return L"this Windows has no Task Scheduler 2.0: autostart needs Windows 7 or later";
    case HRESULT_FROM_WIN32(ERROR_SERVICE_NOT_ACTIVE):
    case HRESULT_FROM_WIN32(ERROR_SERVICE_DISABLED):
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
        return L"the Task Scheduler service is not running: start it (services.msc, \"Task Scheduler\", startup "
               L"type Automatic) and try again";
    case E_ACCESSDENIED:
        if (system)
            return kElevationAdvice;
        return L"the task \"" + name + L"\" may belong to someone else: an administrator can remove it with "
               L"schtasks /delete /tn \"" + name + L"\"";
    default:
        return L"the Task Scheduler's log tells more: Event Viewer, Applications and Services Logs, Microsoft, "
               L"Windows, TaskScheduler";
    }
}

int TaskFailure(Reporter& reporter, HRESULT result, const std::wstring& what, const std::wstring& name, bool system)
{
    reporter.Error(what + L" (" + ResultCode(result) + L")");
    reporter.Error(Advice(result, name, system));
    return kExitTaskFailed;
}

// The definition of the task the request asks for; with a card chosen, its runs name it by its
// tuner's full device path, since card numbers change when cards are added.
AutostartTask DefinitionFor(const CtlRequest& request, const UserAccount& account, const std::wstring& folder,
                            const std::wstring& log, const std::wstring& tunerPath)
{
    AutostartTask task;
    task.system = request.system;
    task.resume = request.resume;
    task.user = account.name;
    task.folder = folder;
    task.program = folder + L"\\" + kTaskProgram;
    task.arguments = L"set " + ModeArgument(request.tuners[0]) + L" " + ModeArgument(request.tuners[1]) +
                     L" --wait --verbose --timeout " + Decimal(request.taskTimeoutSeconds) + L" --log " +
                     CommandArgument(log) + (tunerPath.empty() ? L"" : L" --device " + CommandArgument(tunerPath));
    task.timeLimitSeconds = request.taskTimeoutSeconds + kTimeLimitMargin;
    return task;
}

// When the task runs, as a person reads it.
std::wstring WhenText(const CtlRequest& request, const UserAccount& account)
{
    return (request.system ? L"at each system start" : L"at each logon of " + account.name) +
           (request.resume ? L" and on each resume from sleep" : L"");
}

int Enable(const CtlRequest& request, Reporter& reporter, const UserAccount& account, TaskScheduler& scheduler,
           const std::wstring& name)
{
    const std::wstring folder = FolderOf(ModulePath());
    if (::GetFileAttributesW((folder + L"\\" + kTaskProgram).c_str()) == INVALID_FILE_ATTRIBUTES) {
        reporter.Error(std::wstring(kTaskProgram) + L" is not in " + Quoted(folder) +
                       L": keep it beside tessmorctl.exe, in the folder the task is to run it from");
        return kExitUsage;
    }
    std::wstring tunerPath, reason;
    if (ChoosesCard(request) && !ChosenTunerPath(request, ListTunerDevices(), tunerPath, reason)) {
        reporter.Error(reason);
        return kExitNoCard;
    }
    std::wstring log;
    if (const int status = TaskLog(request, reporter, log))
        return status;
    const AutostartTask task = DefinitionFor(request, account, folder, log, tunerPath);

    HRESULT result = scheduler.Connect();
    if (FAILED(result))
        return TaskFailure(reporter, result, L"the Task Scheduler cannot be reached", name, request.system);
    ComPtr<IRegisteredTask> existing;
    const bool replacing = SUCCEEDED(scheduler.Find(name, existing));
    existing.Reset();
    reporter.Step((replacing ? L"replacing the task \"" : L"registering the task \"") + name + L"\"");
    result = scheduler.Register(name, TaskDefinitionXml(task), request.system);
    if (FAILED(result))
        return TaskFailure(reporter, result, L"the task \"" + name + L"\" could not be registered", name,
                           request.system);
    reporter.Result((replacing ? L"Replaced the task \"" : L"Registered the task \"") + name + L"\".");
    reporter.Result(L"It sets " + ModeText(0, request.tuners[0]) + L", " + ModeText(1, request.tuners[1]) + L",");
    reporter.Result(L"  " + WhenText(request, account) + L",");
    reporter.Result(L"  with " + task.program + L"; its log is " + log + L".");
    return kExitSuccess;
}

int Disable(const CtlRequest& request, Reporter& reporter, TaskScheduler& scheduler, const std::wstring& name)
{
    HRESULT result = scheduler.Connect();
    if (FAILED(result))
        return TaskFailure(reporter, result, L"the Task Scheduler cannot be reached", name, request.system);
    result = scheduler.Remove(name);
    if (result == kTaskNotFound) {
        reporter.Result(L"There is no task \"" + name + L"\": nothing was removed.");
        return kExitSuccess;
    }
    if (FAILED(result))
        return TaskFailure(reporter, result, L"the task \"" + name + L"\" could not be removed", name, request.system);
    reporter.Result(L"Removed the task \"" + name + L"\".");
    return kExitSuccess;
}

// What status can tell of a registered task; each part empty when the Task Scheduler does not
// report it.
struct TaskReport {
    bool modesKnown = false;
    ModeChoice tuners[2];
    std::vector<std::wstring> triggers;  // "logon", "boot", "resume", or another trigger's name
    std::wstring user;                   // whose logon, for a logon trigger
    std::wstring program, log;
    std::wstring state;
    bool lastRunKnown = false, neverRun = false;
    std::wstring lastRun;
    bool resultKnown = false;
    LONG lastResult = 0;
};

const wchar_t kExec[] = L"/t:Task/t:Actions/t:Exec/";

void ReadDefinition(IRegisteredTask* task, TaskReport& report)
{
    BstrHolder xml;
    XmlDocument document;
    if (FAILED(task->get_Xml(xml.ReleaseAndGetAddressOf())) || !xml.Get() || FAILED(document.Load(xml.Get())))
        return;
    for (const std::wstring& trigger : document.Names(L"/t:Task/t:Triggers/*")) {
        if (trigger == L"LogonTrigger")
            report.triggers.push_back(L"logon");
        else if (trigger == L"BootTrigger")
            report.triggers.push_back(L"boot");
        else if (trigger == L"EventTrigger")
            report.triggers.push_back(L"resume");
        else
            report.triggers.push_back(trigger);
    }
    report.user = document.Text(L"/t:Task/t:Triggers/t:LogonTrigger/t:UserId");
    report.program = document.Text((std::wstring(kExec) + L"t:Command").c_str());
    // The modes and the log, read back from the arguments as the task's runs read them.
    const std::wstring arguments = document.Text((std::wstring(kExec) + L"t:Arguments").c_str());
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
        report.log = run.logFile;
    }
    (void)::LocalFree(words);
}

void ReadRuns(IRegisteredTask* task, TaskReport& report)
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

std::wstring TriggerText(const std::wstring& trigger, const std::wstring& user)
{
    if (trigger == L"logon")
        return L"at logon" + (user.empty() ? std::wstring() : L" of " + user);
    if (trigger == L"boot")
        return L"at system start";
    if (trigger == L"resume")
        return L"on resume from sleep";
    return L"on a trigger of its own (" + trigger + L")";
}

const wchar_t kNotTold[] = L"not told by the Task Scheduler";

void PrintReport(Reporter& reporter, const std::wstring& name, const TaskReport& report)
{
    reporter.Result(L"The task \"" + name + L"\" is registered.");
    reporter.Result(L"  Modes: " + (report.modesKnown ? ModeText(0, report.tuners[0]) + L", " +
                                                            ModeText(1, report.tuners[1])
                                                      : std::wstring(kNotTold)));
    std::wstring when;
    for (const std::wstring& trigger : report.triggers)
        when += (when.empty() ? L"" : L", ") + TriggerText(trigger, report.user);
    reporter.Result(L"  Runs: " + (when.empty() ? std::wstring(kNotTold) : when));
    reporter.Result(L"  Program: " + (report.program.empty() ? std::wstring(kNotTold) : report.program));
    reporter.Result(L"  Log: " + (report.log.empty() ? std::wstring(kNotTold) : report.log));
    reporter.Result(L"  State: " + (report.state.empty() ? std::wstring(kNotTold) : report.state));
    std::wstring last = kNotTold;
    if (report.neverRun)
        last = L"never";
    else if (report.lastRunKnown)
        last = report.lastRun + (report.resultKnown ? L", exit status " + Decimal(static_cast<unsigned long>(report.lastResult))
                                                    : std::wstring());
    reporter.Result(L"  Last run: " + last);
}

std::wstring ReportJson(const std::wstring& name, bool system, const TaskReport* report)
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
        .Value("triggers", triggers.empty() ? L"null" : JsonArray(triggers))
        .TextOrNull("program", report->program)
        .TextOrNull("log", report->log)
        .TextOrNull("state", report->state)
        .Value("lastRun", report->neverRun ? JsonString(L"never") : report->lastRunKnown ? JsonString(report->lastRun) : L"null");
    if (report->resultKnown)
        json.Number("lastResult", static_cast<unsigned long>(report->lastResult));
    else
        json.Null("lastResult");
    return json.Json();
}

int Status(const CtlRequest& request, Reporter& reporter, const UserAccount& account, TaskScheduler& scheduler,
           const std::wstring& name)
{
    HRESULT result = scheduler.Connect();
    if (FAILED(result))
        return TaskFailure(reporter, result, L"the Task Scheduler cannot be reached", name, request.system);
    ComPtr<IRegisteredTask> task;
    result = scheduler.Find(name, task);
    if (result == kTaskNotFound) {
        reporter.Result(L"There is no task \"" + name + L"\": the modes are not set " +
                        (request.system ? L"at system start." : L"at the logon of " + account.name + L"."));
        if (!request.system)
            reporter.Result(L"(\"tessmorctl autostart status --system\" shows the task for all users.)");
        reporter.Data(ReportJson(name, request.system, nullptr));
        return kExitSuccess;
    }
    if (FAILED(result))
        return TaskFailure(reporter, result, L"the task \"" + name + L"\" could not be read", name, request.system);
    TaskReport report;
    ReadDefinition(task.Get(), report);
    ReadRuns(task.Get(), report);
    PrintReport(reporter, name, report);
    reporter.Data(ReportJson(name, request.system, &report));
    return kExitSuccess;
}

// The action, with the service released when it is done, before COM ends.
int RunAction(const CtlRequest& request, Reporter& reporter, const UserAccount& account, const std::wstring& name)
{
    TaskScheduler scheduler;
    int status = kExitSuccess;
    switch (request.autostart) {
    case AutostartAction::Enable:
        status = Enable(request, reporter, account, scheduler, name);
        break;
    case AutostartAction::Disable:
        status = Disable(request, reporter, scheduler, name);
        break;
    case AutostartAction::Status:
        status = Status(request, reporter, account, scheduler, name);
        break;
    }
    return status;
}

}  // namespace

std::wstring AutostartTaskName(const std::wstring& sid, bool system)
{
    return L"Tessmor modes (" + (system ? std::wstring(L"SYSTEM") : sid) + L")";
}

int RunAutostart(const CtlRequest& request, Reporter& reporter)
{
    UserAccount account;
    DWORD error = 0;
    if (!CurrentUserAccount(account, error)) {
        reporter.Error(L"the user running tessmorctl cannot be told (error " + Decimal(error) + L")");
        return kExitTaskFailed;
    }
    const std::wstring name = AutostartTaskName(account.sid, request.system);
    // Only an administrator may make or remove a task that runs as SYSTEM at system start;
    // without those rights nothing is touched, not even the log's folder.
    if (request.system && request.autostart != AutostartAction::Status && !account.elevated) {
        reporter.Error(kElevationAdvice);
        return kExitTaskFailed;
    }
    if (!StartCom(reporter))
        return kExitTaskFailed;
    const int status = RunAction(request, reporter, account, name);
    ::CoUninitialize();
    return status;
}
