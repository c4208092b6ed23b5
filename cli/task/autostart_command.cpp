#include "cli/task/autostart_command.h"

#include <shlobj.h>

#include "cli/task/argument_quoting.h"
#include "cli/commands/card_list.h"
#include "cli/commands/com_start.h"
#include "cli/task/device_start.h"
#include "cli/console/exit_status.h"
#include "cli/console/file_handle.h"
#include "cli/task/held_folder.h"
#include "cli/console/log_file.h"
#include "cli/task/program_copy.h"
#include "cli/commands/service_restart.h"
#include "cli/task/task_definition.h"
#include "cli/task/task_report.h"
#include "cli/task/task_scheduler.h"
#include "cli/console/text.h"
#include "cli/task/user_account.h"
#include "platform/com_holders.h"

namespace {

// A run is ended this long after its own --timeout: time enough to write and read back.
constexpr DWORD kTimeLimitMargin = 60;

const char kElevationAdvice[] =
    "--system needs an elevated prompt: open the command prompt with \"Run as administrator\" and run the "
    "command again; nothing was changed";

// The system's task may be changed and removed only by SYSTEM and the Administrators; every
// other user who is logged on may read it, so that "autostart status --system" works for them.
const wchar_t kSystemTaskSddl[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;AU)";

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

// The windowless program beside this one, which the task's copy is made from.
std::wstring OwnWindowlessProgram()
{
    return Concat({FolderOf(ModulePath()), "\\", kTaskProgram});
}

// A folder of the system's, such as CSIDL_PROGRAM_FILES; false, with a line said, when Windows
// cannot tell it.
bool KnownFolder(int csidl, Reporter& reporter, std::wstring& path)
{
    wchar_t base[MAX_PATH] = {};
    const HRESULT found = ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, base);
    if (FAILED(found)) {
        reporter.Error(
            Concat({"a folder of the system's cannot be found (", ResultCode(found), "): nothing was changed"}));
        return false;
    }
    path = base;
    return true;
}

// The folder the task's own copy of the program is kept in: the system's programs folder for
// the system's task, the user's own programs folder for theirs. Its parent is made for the user
// when missing, as Windows makes it for programs installed per user.
bool ProgramFolder(bool system, bool make, Reporter& reporter, std::wstring& folder)
{
    std::wstring base;
    if (!KnownFolder(system ? CSIDL_PROGRAM_FILES : CSIDL_LOCAL_APPDATA, reporter, base))
        return false;
    if (!system) {
        base += L"\\Programs";
        if (make)
            (void)::CreateDirectoryW(base.c_str(), nullptr);
    }
    folder = Concat({base, "\\Tessmor"});
    return true;
}

// The log the task's runs keep, checked as a run would open it: the one asked for, as a full
// path in a folder that exists (for the system's task, one that only the system's accounts may
// change), or the default one, in a folder of its own that is made here (for the system's task,
// with the protected access list). The status.
int TaskLog(const CtlRequest& request, Reporter& reporter, HeldFolder& folder, std::wstring& log)
{
    if (!request.taskLogFile.empty()) {
        log = FullPathOf(request.taskLogFile);
        if (!IsFolder(FolderOf(log))) {
            reporter.Error(Concat({"the folder of the log ", QuotedWhole(log),
                                   " does not exist: create it, or leave --log out for the default log"}));
            return kExitUsage;
        }
        std::wstring problem;
        if (request.system && !folder.Take(FolderOf(log), problem)) {
            reporter.Error(Concat({"the folder ", QuotedWhole(FolderOf(log)), " ", problem,
                                   ": the log of the task that runs as SYSTEM must be in a folder that only "
                                   "administrators can change; leave --log out for the default log"}));
            return kExitUsage;
        }
    } else {
        std::wstring base, problem;
        if (!KnownFolder(request.system ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA, reporter, base))
            return kExitUsage;
        const std::wstring made = Concat({base, "\\Tessmor"});
        if (request.system ? !folder.Make(made, true, problem)
                           : !::CreateDirectoryW(made.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            if (problem.empty())
                problem = Concat({"cannot be made (error ", Decimal(::GetLastError()), ")"});
            reporter.Error(Concat({"the folder ", QuotedWhole(made), " for the task's log ", problem,
                                   ": give another log with --log FILE"}));
            return kExitUsage;
        }
        log = Concat({made, "\\autostart.log"});
    }
    const std::wstring refusal = TaskTextRefusal(log);
    if (!refusal.empty()) {
        reporter.Error(Concat({"the log ", QuotedWhole(log), " ", refusal, ": give another with --log FILE"}));
        return kExitUsage;
    }
    // Opened as each run will open it, so that a task is never registered whose every run would
    // fail on its log; a file made only for this is removed again.
    const LogFileOpening opening = OpenLogFile(log);
    if (opening.file == INVALID_HANDLE_VALUE) {
        reporter.Error(Concat({"the log ", QuotedWhole(log), " ", opening.problem, "; nothing was changed"}));
        return kExitUsage;
    }
    const FileHandle opened(opening.file);
    if (opening.created)
        DiscardLogFile(opened.Get());
    return kExitSuccess;
}

// What to do about a Task Scheduler failure.
std::wstring Advice(HRESULT result, const std::wstring& name, bool system)
{
    switch (result) {
    case REGDB_E_CLASSNOTREG:
        return Ascii("this Windows has no Task Scheduler 2.0: autostart needs Windows 7 or later");
    case HRESULT_FROM_WIN32(ERROR_SERVICE_NOT_ACTIVE):
    case HRESULT_FROM_WIN32(ERROR_SERVICE_DISABLED):
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
        return Ascii("the Task Scheduler service is not running: start it (services.msc, \"Task Scheduler\", startup "
               "type Automatic) and try again");
    case E_ACCESSDENIED:
        if (system)
            return Ascii(kElevationAdvice);
        return Concat({"the task \"", name, "\" may belong to someone else: an administrator can remove it with "
                       "schtasks /delete /tn \"", name, "\""});
    default:
        return Ascii("the Task Scheduler's log tells more: Event Viewer, Applications and Services Logs, Microsoft, "
               "Windows, TaskScheduler");
    }
}

int TaskFailure(Reporter& reporter, HRESULT result, const std::wstring& what, const std::wstring& name, bool system)
{
    reporter.Error(Concat({what, " (", ResultCode(result), ")"}));
    reporter.Error(Advice(result, name, system));
    return kExitTaskFailed;
}

// The device path of the tuner get would use now: the first listed that bears the name and has
// a path.
bool FirstTunerPath(std::wstring& path)
{
    for (const CardDevice& tuner : ListTunerDevices()) {
        if (tuner.named && !tuner.path.empty()) {
            path = tuner.path;
            return true;
        }
    }
    return false;
}

// The Task Scheduler reached: the status, with what to do said when it cannot be.
int ConnectTo(TaskScheduler& scheduler, const CtlRequest& request, Reporter& reporter, const std::wstring& name)
{
    const HRESULT result = scheduler.Connect();
    return FAILED(result) ? TaskFailure(reporter, result, L"the Task Scheduler cannot be reached", name, request.system)
                          : kExitSuccess;
}

// The definition of the task the request asks for; with a card chosen, its runs name it by its
// tuner's full device path, since card numbers change when cards are added. Every argument is
// quoted so that the runs read it back as it is, and so is the program, whose path has blanks.
AutostartTask DefinitionFor(const CtlRequest& request, const UserAccount& account, const std::wstring& folder,
                            const std::wstring& log, const std::wstring& tunerPath, const std::wstring& deviceStart)
{
    AutostartTask task;
    task.system = request.system;
    task.resume = request.resume;
    task.user = account.name;
    task.folder = folder;
    task.program = Concat({"\"", folder, "\\", kTaskProgram, "\""});
    task.arguments = Concat({"set ", ModeArgument(request.tuners[0]), " ", ModeArgument(request.tuners[1]),
                             " --wait --verbose --timeout ", Decimal(request.taskTimeoutSeconds), " --log ",
                             QuotedArgument(log),
                             tunerPath.empty() ? L"" : Concat({" --device ", QuotedArgument(tunerPath)}),
                             request.restartService.empty()
                                 ? L""
                                 : Concat({" --restart-service ", QuotedArgument(request.restartService)})});
    task.deviceStart = deviceStart;
    task.timeLimitSeconds = request.taskTimeoutSeconds + kTimeLimitMargin;
    return task;
}

// When the task runs, as a person reads it.
std::wstring WhenText(const CtlRequest& request, const UserAccount& account, bool deviceStart)
{
    return (request.system ? L"at each system start" : Concat({"at each logon of ", account.name})) +
           (request.resume ? L" and on each resume from sleep" : L"") +
           (deviceStart ? L" and each time the card's driver starts" : L"");
}

// The instance id the trigger on the driver's start names, for the tuner the task stores; empty,
// with a line that says why, where there can be no such trigger.
std::wstring DeviceStartId(const std::wstring& tunerPath, Reporter& reporter)
{
    if (!HasDeviceStartChannel()) {
        reporter.Result(Concat({std::wstring(L"This Windows has no log "), kDeviceStartChannel,
                                ": the task is registered without the trigger on the driver's start."}));
        return {};
    }
    const std::wstring id = DeviceInstanceIdOf(tunerPath);
    if (id.empty())
        reporter.Result(Concat({"The tuner's device path ", QuotedWhole(tunerPath),
                                " names no device instance: the task is registered without the trigger on the driver's "
                                "start."}));
    return id;
}

// The checks of what the task's runs are given besides the log: the card's path and the service.
int CheckRunOptions(const CtlRequest& request, Reporter& reporter, const std::wstring& tunerPath)
{
    std::wstring reason;
    if (!(reason = TaskTextRefusal(tunerPath)).empty()) {
        reporter.Error(Concat({"the device path ", QuotedWhole(tunerPath), " ", reason}));
        return kExitUsage;
    }
    if (request.restartService.empty())
        return kExitSuccess;
    if (!(reason = TaskTextRefusal(request.restartService)).empty()) {
        reporter.Error(Concat({"the service's name ", QuotedWhole(request.restartService), " ", reason}));
        return kExitUsage;
    }
    if (!(reason = ServiceRefusal(request.restartService)).empty()) {
        reporter.Error(Concat({reason, "; nothing was changed"}));
        return kExitUsage;
    }
    return kExitSuccess;
}

std::wstring DefinitionXml(IRegisteredTask* task)
{
    BstrHolder xml;
    if (FAILED(task->get_Xml(xml.ReleaseAndGetAddressOf())) || !xml.Get())
        return {};
    return xml.Get();
}

// Finds the task of the tool's name. A task there that the tool did not make is neither
// replaced nor removed: the status, with what an administrator can do said, or success with
// found telling whether there is one.
int FindOwnTask(const CtlRequest& request, Reporter& reporter, const UserAccount& account, TaskScheduler& scheduler,
                const std::wstring& name, bool& found)
{
    ComPtr<IRegisteredTask> existing;
    const HRESULT result = scheduler.Find(name, existing);
    found = SUCCEEDED(result);
    if (!found)
        return result == kTaskNotFound ? kExitSuccess
                                       : TaskFailure(reporter, result,
                                                     Concat({"the task \"", name, "\" could not be read"}), name,
                                                     request.system);
    const std::wstring reason = ForeignTaskReason(DefinitionXml(existing.Get()), request.system, account);
    if (reason.empty())
        return kExitSuccess;
    reporter.Error(Concat({"the task \"", name, "\" was not made by tessmorctl: ", reason, "; nothing was changed"}));
    reporter.Error(Concat({"an administrator can remove it with schtasks /delete /tn \"", name, "\""}));
    return kExitTaskFailed;
}

// Puts the task's own copy of the windowless program in its folder, made or checked first.
int PlaceProgram(const CtlRequest& request, Reporter& reporter, const UserAccount& account, std::wstring& folder)
{
    if (!ProgramFolder(request.system, true, reporter, folder))
        return kExitTaskFailed;
    std::wstring problem = TaskTextRefusal(folder);
    HeldFolder held(account.sid, !request.system);
    if (!problem.empty() || !held.Make(folder, false, problem)) {
        reporter.Error(Concat({"the folder ", QuotedWhole(folder), " ", problem,
                               ": the task's program cannot be kept there; nothing was registered"}));
        return kExitTaskFailed;
    }
    if (!PutProgramCopy(held, OwnWindowlessProgram(), kTaskProgram, problem)) {
        reporter.Error(Concat({"the task's program cannot be copied into ", QuotedWhole(folder), ": ", problem,
                               "; nothing was registered"}));
        return kExitTaskFailed;
    }
    return kExitSuccess;
}

int Enable(const CtlRequest& request, Reporter& reporter, const UserAccount& account, TaskScheduler& scheduler,
           const std::wstring& name)
{
    if (::GetFileAttributesW(OwnWindowlessProgram().c_str()) == INVALID_FILE_ATTRIBUTES) {
        reporter.Error(Concat({kTaskProgram, " is not in ", QuotedWhole(FolderOf(ModulePath())),
                               ": keep it beside tessmorctl.exe, which copies it for the task"}));
        return kExitUsage;
    }
    std::wstring tunerPath, reason;
    if (ChoosesCard(request) && !ChosenTunerPath(request, ListTunerDevices(), tunerPath, reason)) {
        reporter.Error(reason);
        return kExitNoCard;
    }
    // The trigger on the driver's start names one card: without a choice, the one get uses now,
    // which the task's runs then name as well.
    if (request.deviceStart && tunerPath.empty() && !FirstTunerPath(tunerPath)) {
        reporter.Error(Ascii("--device-start needs the card: no tuner of it with a device path is listed now"));
        return kExitNoCard;
    }
    if (const int status = CheckRunOptions(request, reporter, tunerPath))
        return status;
    std::wstring log;
    HeldFolder logFolder(account.sid, false);
    if (const int status = TaskLog(request, reporter, logFolder, log))
        return status;

    if (const int status = ConnectTo(scheduler, request, reporter, name))
        return status;
    bool replacing = false;
    if (const int status = FindOwnTask(request, reporter, account, scheduler, name, replacing))
        return status;
    std::wstring folder;
    if (const int status = PlaceProgram(request, reporter, account, folder))
        return status;
    const std::wstring deviceStart = request.deviceStart ? DeviceStartId(tunerPath, reporter) : std::wstring();
    const AutostartTask task = DefinitionFor(request, account, folder, log, tunerPath, deviceStart);
    reporter.Step(Concat({(replacing ? L"replacing the task \"" : L"registering the task \""), name, "\""}));
    const HRESULT result =
        scheduler.Register(name, TaskDefinitionXml(task), request.system, request.system ? kSystemTaskSddl : nullptr);
    if (FAILED(result))
        return TaskFailure(reporter, result, Concat({"the task \"", name, "\" could not be registered"}), name,
                           request.system);
    reporter.Result(Concat({(replacing ? L"Replaced the task \"" : L"Registered the task \""), name, "\"."}));
    reporter.Result(Concat({"It sets ", ModeText(0, request.tuners[0]), ", ", ModeText(1, request.tuners[1]), ","}));
    reporter.Result(Concat({"  ", WhenText(request, account, !deviceStart.empty()), ","}));
    reporter.Result(Concat({"  with its own copy of ", kTaskProgram, ", ", folder, "\\", kTaskProgram,
                            "; its log is ", log, "."}));
    return kExitSuccess;
}

// Removes the task's copy of the program, and its folder when nothing else is left in it. A
// folder that others may change was never used by the tool and is left alone.
int RemoveProgram(const CtlRequest& request, Reporter& reporter, const UserAccount& account,
                  std::vector<std::wstring>& removed)
{
    std::wstring folder, problem;
    if (!ProgramFolder(request.system, false, reporter, folder))
        return kExitTaskFailed;
    if (!IsFolder(folder))
        return kExitSuccess;
    HeldFolder held(account.sid, !request.system);
    if (!held.Take(folder, problem)) {
        removed.push_back(Concat({"The folder ", QuotedWhole(folder), " was left as it is: it ", problem, "."}));
        return kExitSuccess;
    }
    const std::wstring program = Concat({folder, "\\", kTaskProgram});
    const bool deleted = ::DeleteFileW(program.c_str()) != FALSE;
    const DWORD error = deleted ? ERROR_SUCCESS : ::GetLastError();
    if (!deleted && error != ERROR_FILE_NOT_FOUND) {
        reporter.Error(Concat({"the task's program ", QuotedWhole(program), " could not be removed (error ",
                               Decimal(error), "): try again when no run of it is left"}));
        return kExitTaskFailed;
    }
    if (deleted)
        removed.push_back(Concat({"Removed the task's program ", QuotedWhole(program), "."}));
    held.Release();
    if (::RemoveDirectoryW(folder.c_str()))
        removed.push_back(Concat({"Removed its folder ", QuotedWhole(folder), "."}));
    return kExitSuccess;
}

int Disable(const CtlRequest& request, Reporter& reporter, const UserAccount& account, TaskScheduler& scheduler,
            const std::wstring& name)
{
    if (const int status = ConnectTo(scheduler, request, reporter, name))
        return status;
    bool found = false;
    if (const int status = FindOwnTask(request, reporter, account, scheduler, name, found))
        return status;
    if (found) {
        const HRESULT result = scheduler.Remove(name);
        if (FAILED(result) && result != kTaskNotFound)
            return TaskFailure(reporter, result, Concat({"the task \"", name, "\" could not be removed"}), name,
                               request.system);
        found = SUCCEEDED(result);
    }
    std::vector<std::wstring> removed;
    const int status = RemoveProgram(request, reporter, account, removed);
    if (found)
        reporter.Result(Concat({"Removed the task \"", name, "\"."}));
    else
        reporter.Result(Concat({"There is no task \"", name, "\"",
                                removed.empty() && !status ? ": nothing was removed." : "."}));
    for (const std::wstring& line : removed)
        reporter.Result(line);
    return status;
}

int Status(const CtlRequest& request, Reporter& reporter, const UserAccount& account, TaskScheduler& scheduler,
           const std::wstring& name)
{
    if (const int status = ConnectTo(scheduler, request, reporter, name))
        return status;
    ComPtr<IRegisteredTask> task;
    HRESULT result = scheduler.Find(name, task);
    if (result == kTaskNotFound) {
        reporter.Result(Concat({"There is no task \"", name, "\": the modes are not set ",
                                (request.system ? L"at system start." : L"at the logon of " + account.name + L".")}));
        if (!request.system)
            reporter.Result(Ascii("(\"tessmorctl autostart status --system\" shows the task for all users.)"));
        reporter.Data(TaskReportJson(name, request.system, nullptr));
        return kExitSuccess;
    }
    if (FAILED(result))
        return TaskFailure(reporter, result, Concat({"the task \"", name, "\" could not be read"}), name,
                           request.system);
    TaskReport report;
    ReadTaskDefinition(DefinitionXml(task.Get()), report);
    ReadTaskRuns(task.Get(), report);
    if (!report.program.empty()) {
        report.programCompared = true;
        report.programState = CompareCopy(report.program, OwnWindowlessProgram());
    }
    PrintTaskReport(reporter, name, report);
    reporter.Data(TaskReportJson(name, request.system, &report));
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
        status = Disable(request, reporter, account, scheduler, name);
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
    return Concat({"Tessmor modes (", (system ? std::wstring(L"SYSTEM") : sid), ")"});
}

int RunAutostart(const CtlRequest& request, Reporter& reporter)
{
    UserAccount account;
    DWORD error = 0;
    if (!CurrentUserAccount(account, error)) {
        reporter.Error(Concat({"the user running tessmorctl cannot be told (error ", Decimal(error), ")"}));
        return kExitTaskFailed;
    }
    const std::wstring name = AutostartTaskName(account.sid, request.system);
    // Only an administrator may make or remove a task that runs as SYSTEM at system start;
    // without those rights nothing is touched, not even the log's folder.
    if (request.system && request.autostart != AutostartAction::Status && !account.elevated) {
        reporter.Error(Ascii(kElevationAdvice));
        return kExitTaskFailed;
    }
    if (!StartCom(reporter))
        return kExitTaskFailed;
    const int status = RunAction(request, reporter, account, name);
    ::CoUninitialize();
    return status;
}
