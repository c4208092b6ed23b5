// tessmorctl autostart in-process, against a stand-in Task Scheduler: the task definition it
// registers, read back as XML element by element, what status reads back from it, and a line
// that says what to do for each way the Task Scheduler can refuse.
#include <gmock/gmock.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <functional>

#include "cli/task/autostart_command.h"
#include "cli/task/device_start.h"
#include "cli/task/task_definition.h"
#include "cli/task/user_account.h"
#include "cli/task/xml_document.h"
#include "cli_run_fixture.h"
#include "json_reader.h"
#include "platform/identities.h"
#include "sim/sim_task_service.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(value) : std::wstring();
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class CtlAutostartTest : public CtlTest {
protected:
    CtlAutostartTest()
    {
        services.AddClass(CLSID_TaskScheduler, [this] { return NewSimTaskService(store); });
        // MSXML is the system's own, here as on Windows.
        services.AddClass(CLSID_DOMDocument60, [] {
            IUnknown* document = nullptr;
            (void)CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(&document));
            return document;
        });
        wchar_t module[MAX_PATH] = {};
        (void)GetModuleFileNameW(nullptr, module, MAX_PATH);
        folder = module;
        folder.erase(folder.find_last_of(L'\\'));
        program = folder + L"\\tessmorctlw.exe";
        // The windowless program lies beside the one that registers the task, as in the package.
        if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
            const HANDLE file = CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            m_madeProgram = file != INVALID_HANDLE_VALUE;
            if (m_madeProgram)
                CloseHandle(file);
        }
        DWORD error = 0;
        EXPECT_TRUE(CurrentUserAccount(account, error)) << error;
        // Windows names an account DOMAIN\name, from the two parts LookupAccountSid gives.
        wchar_t name[256] = {}, domain[256] = {};
        DWORD nameLength = 256, domainLength = 256;
        SID_NAME_USE use;
        PSID sid = nullptr;
        EXPECT_TRUE(ConvertStringSidToSidW(account.sid.c_str(), &sid) &&
                    LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use));
        (void)LocalFree(sid);
        EXPECT_EQ(account.name, std::wstring(domain) + L"\\" + name);
        // The task names of the README: "Tessmor modes (SID)" for a user, "(SYSTEM)" for all.
        userTask = L"Tessmor modes (" + account.sid + L")";
        // Where the tasks' own copies go: the user's programs folder, and the system's.
        userFolder = Environment(L"LOCALAPPDATA") + L"\\Programs\\Tessmor";
        systemFolder = Environment(L"ProgramFiles") + L"\\Tessmor";
        EXPECT_NE(userFolder.front(), L'\\');
        EXPECT_NE(systemFolder.front(), L'\\');
    }
    ~CtlAutostartTest() override
    {
        if (m_madeProgram)
            (void)DeleteFileW(program.c_str());
        for (const std::wstring& copies : {userFolder, systemFolder}) {
            (void)DeleteFileW((copies + L"\\tessmorctlw.exe").c_str());
            (void)RemoveDirectoryW(copies.c_str());
        }
    }

    // The whole content of a file, or "(none)".
    static std::string Contents(const std::wstring& path)
    {
        std::string bytes = "(none)";
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return bytes;
        bytes.assign(GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        EXPECT_TRUE(bytes.empty() || ReadFile(file, &bytes[0], DWORD(bytes.size()), &read, nullptr));
        CloseHandle(file);
        return bytes;
    }

    // The elements each path selects in the task's definition, read with MSXML.
    std::vector<std::vector<std::wstring>> Read(const std::wstring& task, const std::vector<const wchar_t*>& paths)
    {
        std::vector<std::vector<std::wstring>> found;
        EXPECT_EQ(store.tasks.count(task), 1u);
        EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        {
            XmlDocument document;
            EXPECT_EQ(document.Load(store.tasks[task].xml), S_OK) << Narrow(store.tasks[task].xml);
            for (const wchar_t* path : paths)
                found.push_back(path[0] == L'#' ? document.Names(path + 1) : document.Texts(path));
        }
        CoUninitialize();
        return found;
    }

    JsonValue Json()
    {
        JsonValue value;
        EXPECT_EQ(streams.out.size(), 1u);
        EXPECT_TRUE(!streams.out.empty() && JsonValue::Read(Narrow(streams.out[0]), value));
        return value;
    }

    SimTaskStore store;
    UserAccount account;
    std::wstring folder, program, userTask, userFolder, systemFolder;

private:
    bool m_madeProgram = false;
};

using Texts = std::vector<std::wstring>;

// What the Task Scheduler answers for a definition it cannot read.
const HRESULT kMalformedXml = static_cast<HRESULT>(0x8004131AL);

TEST_F(CtlAutostartTest, EnableRegistersATaskDefinitionWithTheTriggersUserActionAndLimitsAsked)
{
    // A log in a folder whose name needs escaping, and quoting on the task's command line.
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring logFolder = std::wstring(temp) + L"Tessmor & 'logs'";
    (void)CreateDirectoryW(logFolder.c_str(), nullptr);
    const std::wstring log = logFolder + L"\\run.log";
    const std::wstring userLog = Environment(L"LOCALAPPDATA") + L"\\Tessmor\\autostart.log";
    const std::wstring systemLog = Environment(L"ProgramData") + L"\\Tessmor\\autostart.log";
    ASSERT_NE(userLog.front(), L'\\');

    const struct {
        std::vector<std::wstring> arguments;
        std::wstring task;
        Texts triggers, arguments_, limit, principal;  // principal: UserId, LogonType, RunLevel
        std::wstring registeredUser;
        TASK_LOGON_TYPE logonType;
        std::wstring sddl;
    } cases[] = {
        {{L"autostart", L"enable", L"dvb-c", L"keep"}, userTask, {L"LogonTrigger"},
         {L"set DVB-C keep --wait --verbose --timeout 120 --log " + userLog}, {L"PT3M"},
         {account.name, L"InteractiveToken", L"LeastPrivilege"}, L"", TASK_LOGON_INTERACTIVE_TOKEN, L""},
        {{L"autostart", L"enable", L"1", L"isdbt", L"--resume", L"--timeout", L"30", L"--log", log}, userTask,
         {L"LogonTrigger", L"EventTrigger"}, {L"set DVB-T/T2 ISDB-T --wait --verbose --timeout 30 --log \"" + log + L"\""},
         {L"PT1M30S"}, {account.name, L"InteractiveToken", L"LeastPrivilege"}, L"", TASK_LOGON_INTERACTIVE_TOKEN, L""},
        {{L"autostart", L"enable", L"qamb", L"dvbc2", L"--system", L"--resume", L"/timeout:3600"},
         L"Tessmor modes (SYSTEM)", {L"BootTrigger", L"EventTrigger"},
         {L"set MCNS/QAMB DVBC2 --wait --verbose --timeout 3600 --log " + systemLog}, {L"PT1H1M"},
         {L"S-1-5-18", L"HighestAvailable"}, L"S-1-5-18", TASK_LOGON_SERVICE_ACCOUNT,
         // Only SYSTEM and the Administrators may change it; the users who log on may read it.
         L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;AU)"},
    };
    for (const auto& expected : cases) {
        store.tasks.clear();
        EXPECT_EQ(Run(expected.arguments), 0) << Narrow(expected.arguments.back());
        EXPECT_THAT(streams.err, IsEmpty());
        ASSERT_EQ(store.tasks.size(), 1u);
        const SimTaskStore::Task& registered = store.tasks.begin()->second;
        EXPECT_EQ(registered.flags, TASK_CREATE_OR_UPDATE);
        EXPECT_EQ(registered.user, expected.registeredUser);
        EXPECT_FALSE(registered.passwordGiven);
        EXPECT_EQ(registered.logonType, expected.logonType);
        EXPECT_EQ(registered.sddl, expected.sddl);
        const std::wstring copyFolder = expected.logonType == TASK_LOGON_SERVICE_ACCOUNT ? systemFolder : userFolder;
        EXPECT_EQ(Contents(copyFolder + L"\\tessmorctlw.exe"), Contents(program)) << "the task runs a copy of its own";

        const auto found = Read(expected.task, {
            L"/t:Task/@version", L"#/t:Task/t:Triggers/*", L"/t:Task/t:Triggers/t:LogonTrigger/t:UserId",
            L"/t:Task/t:Triggers/t:EventTrigger/t:Subscription",
            L"/t:Task/t:Principals/t:Principal/t:UserId | /t:Task/t:Principals/t:Principal/t:LogonType | "
            L"/t:Task/t:Principals/t:Principal/t:RunLevel",
            L"/t:Task/t:Actions/t:Exec/t:Command", L"/t:Task/t:Actions/t:Exec/t:Arguments",
            L"/t:Task/t:Actions/t:Exec/t:WorkingDirectory", L"/t:Task/t:Settings/t:ExecutionTimeLimit",
            L"/t:Task/t:Settings/t:MultipleInstancesPolicy", L"/t:Task/t:Settings/t:DisallowStartIfOnBatteries",
            L"/t:Task/t:Settings/t:StopIfGoingOnBatteries",
            // Every element's name as the schema spells it: the Task Scheduler refuses any other.
            L"#/t:Task/* | /t:Task/t:RegistrationInfo/* | /t:Task/t:Settings/* | /t:Task/t:Settings/t:IdleSettings/* | "
            L"/t:Task/t:Actions/t:Exec/* | /t:Task/t:Principals/t:Principal/* | /t:Task/t:Triggers/*/*",
            L"/t:Task/t:RegistrationInfo/t:Author"});
        ASSERT_EQ(found.size(), 14u);
        EXPECT_THAT(found[0], ElementsAre(L"1.2"));
        EXPECT_EQ(found[1], expected.triggers);
        const bool logon = expected.triggers.front() == L"LogonTrigger";
        EXPECT_EQ(found[2], logon ? Texts{account.name} : Texts{});
        // Windows writes event 1 of Microsoft-Windows-Power-Troubleshooter to the System log on
        // each resume from sleep (the event "The system has returned from a low power state").
        const Texts resume = {L"<QueryList><Query Id=\"0\" Path=\"System\"><Select Path=\"System\">*[System["
                              L"Provider[@Name='Microsoft-Windows-Power-Troubleshooter'] and EventID=1]]</Select>"
                              L"</Query></QueryList>"};
        EXPECT_EQ(found[3], expected.triggers.back() == L"EventTrigger" ? resume : Texts{});
        EXPECT_EQ(found[4], expected.principal);
        EXPECT_THAT(found[5], ElementsAre(L"\"" + copyFolder + L"\\tessmorctlw.exe\""));
        EXPECT_EQ(found[6], expected.arguments_);
        EXPECT_THAT(found[7], ElementsAre(copyFolder));
        EXPECT_EQ(found[8], expected.limit);
        EXPECT_THAT(found[9], ElementsAre(L"IgnoreNew"));
        EXPECT_THAT(found[10], ElementsAre(L"false"));
        EXPECT_THAT(found[11], ElementsAre(L"false"));
        Texts names = {L"RegistrationInfo", L"Author", L"Description", L"Triggers"};
        for (size_t trigger = 0; trigger < expected.triggers.size(); ++trigger) {
            names.push_back(L"Enabled");
            names.push_back(expected.triggers[trigger] == L"LogonTrigger" ? L"UserId"
                            : expected.triggers[trigger] == L"EventTrigger" ? L"Subscription" : L"");
            if (names.back().empty())
                names.pop_back();
        }
        names.insert(names.end(), {L"Principals", L"UserId"});
        if (logon)
            names.push_back(L"LogonType");
        names.insert(names.end(),
                     {L"RunLevel", L"Settings", L"MultipleInstancesPolicy", L"DisallowStartIfOnBatteries",
                      L"StopIfGoingOnBatteries", L"AllowHardTerminate", L"StartWhenAvailable", L"RunOnlyIfNetworkAvailable",
                      L"AllowStartOnDemand", L"Enabled", L"Hidden", L"RunOnlyIfIdle", L"WakeToRun", L"IdleSettings",
                      L"StopOnIdleEnd", L"RestartOnIdle", L"ExecutionTimeLimit", L"Priority", L"Actions", L"Command",
                      L"Arguments", L"WorkingDirectory"});
        EXPECT_EQ(found[12], names);
        EXPECT_THAT(found[13], ElementsAre(account.name));
    }
    (void)RemoveDirectoryW(logFolder.c_str());
}

TEST_F(CtlAutostartTest, StatusReadsTheTaskBackEnableReplacesItAndDisableRemovesIt)
{
    EXPECT_EQ(Run({L"autostart", L"status"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"There is no task \"" + userTask + L"\": the modes are not set at the logon of " +
                                             account.name + L".",
                                         L"(\"tessmorctl autostart status --system\" shows the task for all users.)"));
    EXPECT_EQ(Run({L"autostart", L"enable", L"dvb-c", L"keep", L"--resume"}), 0);
    const std::wstring log = Environment(L"LOCALAPPDATA") + L"\\Tessmor\\autostart.log";
    EXPECT_THAT(streams.out, ElementsAre(L"Registered the task \"" + userTask + L"\".",
                                         L"It sets Tuner 0: DVB-C, Tuner 1: kept as it is,",
                                         L"  at each logon of " + account.name + L" and on each resume from sleep,",
                                         L"  with its own copy of tessmorctlw.exe, " + userFolder +
                                             L"\\tessmorctlw.exe; its log is " + log + L"."));

    EXPECT_EQ(Run({L"autostart", L"status"}), 0);
    const std::wstring copy = userFolder + L"\\tessmorctlw.exe";
    EXPECT_THAT(streams.out, ElementsAre(L"The task \"" + userTask + L"\" is registered.",
                                         L"  Modes: Tuner 0: DVB-C, Tuner 1: kept as it is",
                                         L"  Card: the first one found", L"  Waits for the card: up to 120 s",
                                         L"  Runs: at logon of " + account.name + L", on resume from sleep",
                                         L"  Program: " + copy, L"  Log: " + log, L"  State: ready",
                                         L"  Last run: never"));
    // A copy that is not this tool's windowless program, or that is gone, is said to be so.
    const HANDLE changed = CreateFileW(copy.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(changed, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(changed, "x", 1, &written, nullptr));
    CloseHandle(changed);
    EXPECT_EQ(Run({L"autostart", L"status"}), 0);
    EXPECT_THAT(streams.out, Contains(L"  Program: " + copy +
                                      L" (not the same as this tool's tessmorctlw.exe: \"autostart enable\" brings it "
                                      L"up to date)"));
    EXPECT_EQ(Run({L"autostart", L"status", L"--json"}), 0);
    EXPECT_THAT(streams.out.at(0), HasSubstr(L"\"programIsThisToolsCopy\":false,"));
    ASSERT_TRUE(DeleteFileW(copy.c_str()));
    EXPECT_EQ(Run({L"autostart", L"status"}), 0);
    EXPECT_THAT(streams.out, Contains(L"  Program: " + copy + L" (missing: \"autostart enable\" puts it back)"));
    // Never run: no result to give, and the object says so rather than leaving it out.
    EXPECT_EQ(Run({L"autostart", L"status", L"--json"}), 0);
    ASSERT_EQ(streams.out.size(), 1u);
    EXPECT_THAT(streams.out[0], HasSubstr(L"\"lastRun\":\"never\",\"lastResult\":null}"));
    SYSTEMTIME ran = {2026, 3, 1, 9, 7, 5, 12, 0};
    SimTaskStore::Task& task = store.tasks[userTask];
    ASSERT_TRUE(SystemTimeToVariantTime(&ran, &task.lastRun));
    task.lastRunResult = S_OK;
    task.lastTaskResult = 5;
    task.state = TASK_STATE_RUNNING;
    EXPECT_EQ(Run({L"autostart", L"status", L"--json"}), 0);
    const JsonValue json = Json();
    EXPECT_EQ(json["task"].text, Narrow(userTask));
    EXPECT_TRUE(json["registered"].truth);
    EXPECT_EQ(json["modes"].items.size(), 2u);
    EXPECT_EQ(json["modes"].items.at(0).text, "DVB-C");
    EXPECT_EQ(json["modes"].items.at(1).text, "keep");
    EXPECT_EQ(json["triggers"].items.size(), 2u);
    EXPECT_EQ(json["triggers"].items.at(1).text, "resume");
    EXPECT_EQ(json["state"].text, "running");
    EXPECT_EQ(json["lastRun"].text, "2026-03-09 07:05:12");
    EXPECT_EQ(json["lastResult"].number, 5);

    // What an interrupted copy left is no obstacle to the next copy.
    const HANDLE left = CreateFileW((copy + L".new").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(left, INVALID_HANDLE_VALUE);
    CloseHandle(left);
    EXPECT_EQ(Run({L"autostart", L"enable", L"4", L"7"}), 0);
    EXPECT_EQ(Contents(copy), Contents(program));
    EXPECT_EQ(streams.out.at(0), L"Replaced the task \"" + userTask + L"\".");
    EXPECT_EQ(store.tasks.size(), 1u);
    // A task whose triggers and action the service does not report is said to be so, not guessed.
    task.xml = L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\"><Triggers/>"
               L"<Actions><Exec/></Actions></Task>";
    task.lastRunResult = E_NOTIMPL;
    EXPECT_EQ(Run({L"autostart", L"status"}), 0);
    EXPECT_THAT(std::vector<std::wstring>(streams.out.begin() + 1, streams.out.end()),
                ElementsAre(L"  Modes: not told by the Task Scheduler", L"  Runs: not told by the Task Scheduler",
                            L"  Program: not told by the Task Scheduler", L"  Log: not told by the Task Scheduler",
                            L"  State: ready", L"  Last run: not told by the Task Scheduler"));

    // The copy was put back by the enable that replaced the task; disable takes it and its folder.
    EXPECT_EQ(Contents(copy), Contents(program));
    EXPECT_EQ(Run({L"autostart", L"disable"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Removed the task \"" + userTask + L"\".",
                                         L"Removed the task's program \"" + copy + L"\".",
                                         L"Removed its folder \"" + userFolder + L"\"."));
    EXPECT_THAT(store.tasks, IsEmpty());
    EXPECT_EQ(GetFileAttributesW(userFolder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Run({L"autostart", L"disable"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"There is no task \"" + userTask + L"\": nothing was removed."));
}

TEST_F(CtlAutostartTest, EachRefusalOfTheTaskSchedulerIsStatus6WithWhatToDoAndChangesNothing)
{
    const std::wstring user = L"tessmorctl: the task \"" + userTask + L"\"";
    const struct {
        std::function<void()> refuse;
        std::vector<std::wstring> arguments;
        std::wstring first;
        const wchar_t* advice;
    } cases[] = {
        {[this] { store.connectResult = HRESULT_FROM_WIN32(ERROR_SERVICE_NOT_ACTIVE); },
         {L"autostart", L"status"}, L"tessmorctl: the Task Scheduler cannot be reached (0x80070426)",
         L"the Task Scheduler service is not running: start it"},
        {[this] { store.registerResult = E_ACCESSDENIED; }, {L"autostart", L"enable", L"1", L"2"},
         user + L" could not be registered (0x80070005)", L"may belong to someone else: an administrator can remove it"},
        {[this] { store.registerResult = E_ACCESSDENIED; },
         {L"autostart", L"enable", L"1", L"2", L"--system"},
         L"tessmorctl: the task \"Tessmor modes (SYSTEM)\" could not be registered (0x80070005)",
         L"tessmorctl: --system needs an elevated prompt: open the command prompt with \"Run as administrator\" and "
         L"run the command again; nothing was changed"},
        {[this] { store.registerResult = kMalformedXml; }, {L"autostart", L"enable", L"1", L"2"},
         user + L" could not be registered (0x8004131A)", L"Event Viewer"},
        {[this] { store.deleteResult = E_ACCESSDENIED; }, {L"autostart", L"disable"},
         user + L" could not be removed (0x80070005)", L"schtasks /delete /tn"},
        {[this] { store.getTaskResult = E_ACCESSDENIED; }, {L"autostart", L"status"},
         user + L" could not be read (0x80070005)", L"may belong to someone else"},
        // Last: a failed creation stays injected.
        {[this] { services.FailCreation(CLSID_TaskScheduler, REGDB_E_CLASSNOTREG); },
         {L"autostart", L"enable", L"1", L"2"}, L"tessmorctl: the Task Scheduler cannot be reached (0x80040154)",
         L"Windows 7 or later"},
    };
    for (const auto& refusal : cases) {
        services.ForgetClasses();
        store = SimTaskStore();
        store.tasks[userTask].xml = L"<Task/>";  // one there before
        services.AddClass(CLSID_TaskScheduler, [this] { return NewSimTaskService(store); });
        refusal.refuse();
        EXPECT_EQ(Run(refusal.arguments), 6) << Narrow(refusal.first);
        EXPECT_THAT(streams.out, IsEmpty());
        ASSERT_EQ(streams.err.size(), 2u) << Narrow(refusal.first);
        EXPECT_EQ(streams.err[0], refusal.first);
        EXPECT_THAT(streams.err[1], HasSubstr(refusal.advice));
        EXPECT_EQ(store.tasks.size(), 1u);
        EXPECT_EQ(store.tasks[userTask].xml, L"<Task/>");
    }
}

TEST_F(CtlAutostartTest, WithoutTheWindowlessProgramOrTheLogsFolderNothingIsRegistered)
{
    EXPECT_EQ(Run({L"autostart", L"enable", L"1", L"2", L"--log", L"Q:\\no such folder\\run.log"}), 1);
    ASSERT_EQ(streams.err.size(), 1u);
    EXPECT_THAT(streams.err[0], HasSubstr(L"does not exist: create it, or leave --log out for the default log"));
    const std::wstring moved = program + L".away";
    ASSERT_TRUE(MoveFileW(program.c_str(), moved.c_str()));
    EXPECT_EQ(Run({L"autostart", L"enable", L"1", L"2"}), 1);
    ASSERT_TRUE(MoveFileW(moved.c_str(), program.c_str()));
    ASSERT_EQ(streams.err.size(), 1u);
    EXPECT_THAT(streams.err[0], HasSubstr(L"tessmorctlw.exe is not in \""));
    EXPECT_THAT(store.calls, IsEmpty());
}

TEST_F(CtlAutostartTest, ACardChosenByNumberIsStoredInTheTaskByItsTunersPath)
{
    SimCard second;
    second.JoinCrossed(card, [this] { Install(); });
    EXPECT_EQ(Run({L"autostart", L"enable", L"4", L"7", L"--card", L"2"}), 0);
    const auto found = Read(userTask, {L"/t:Task/t:Actions/t:Exec/t:Arguments"});
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(found[0].size(), 1u);
    EXPECT_THAT(found[0][0], ::testing::EndsWith(L" --device " + second.TunerPath()));

    store.tasks.clear();
    EXPECT_EQ(Run({L"autostart", L"enable", L"4", L"7", L"--card", L"3"}), 2);
    EXPECT_THAT(store.tasks, IsEmpty());
}

TEST_F(CtlAutostartTest, WhatEnableWritesTheTasksRunsAndStatusReadBackAsItWasAsked)
{
    SimCard second;
    second.JoinCrossed(card, [this] { Install(); });
    const std::wstring temp = Environment(L"TEMP");
    ASSERT_FALSE(temp.empty());
    // Folders whose names need quoting, escaping in XML, more than ASCII, or are long.
    const std::wstring folders[] = {
        temp + L"\\Tessmor a b", temp + L"\\Tom & Jerry's", temp + L"\\\u00dcbersicht \u65e5\u672c",
        temp + L"\\" + std::wstring(120, L'l') + L" " + std::wstring(60, L'm'),
    };
    for (const std::wstring& logFolder : folders) {
        const std::string shown(logFolder.begin(), logFolder.end());
        ASSERT_TRUE(CreateDirectoryW(logFolder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << shown;
        const std::wstring log = logFolder + L"\\run.log";
        (void)DeleteFileW(log.c_str());
        // The first is given as typed at a prompt in the folder above it, and stored as its full path.
        const bool relative = &logFolder == &folders[0];
        wchar_t here[MAX_PATH] = {};
        ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, here), 0u);
        ASSERT_TRUE(!relative || SetCurrentDirectoryW(temp.c_str()));
        EXPECT_EQ(Run({L"autostart", L"enable", L"keep", L"dvb-c", L"--card", L"2", L"--timeout", L"45", L"--log",
                       relative ? std::wstring(L"Tessmor a b\\run.log") : log}),
                  0)
            << shown;
        ASSERT_TRUE(SetCurrentDirectoryW(here));
        const auto found = Read(userTask, {L"/t:Task/t:Actions/t:Exec/t:Arguments"});
        ASSERT_EQ(found.at(0).size(), 1u) << shown;
        int count = 0;
        wchar_t** words = CommandLineToArgvW((L"tessmorctlw.exe " + found[0][0]).c_str(), &count);
        ASSERT_NE(words, nullptr);
        EXPECT_THAT(std::vector<std::wstring>(words + 1, words + count),
                    ElementsAre(L"set", L"keep", L"DVB-C", L"--wait", L"--verbose", L"--timeout", L"45", L"--log", log,
                                L"--device", second.TunerPath()))
            << shown;
        LocalFree(words);
        EXPECT_EQ(Run({L"autostart", L"status"}), 0);
        ASSERT_GE(streams.out.size(), 5u);
        EXPECT_THAT(std::vector<std::wstring>(streams.out.begin() + 1, streams.out.begin() + 4),
                    ElementsAre(L"  Modes: Tuner 0: kept as it is, Tuner 1: DVB-C",
                                L"  Card: the one whose tuner is " + second.TunerPath(),
                                L"  Waits for the card: up to 45 s"))
            << shown;
        EXPECT_THAT(streams.out, Contains(L"  Log: " + log)) << shown;
        EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES) << "the check of the log leaves no file";
        (void)RemoveDirectoryW(logFolder.c_str());
    }
}

TEST_F(CtlAutostartTest, EnableRefusesALogThatEveryRunWouldFailOnAndKeepsTheTaskThatIsThere)
{
    const std::wstring temp = Environment(L"TEMP");
    const std::wstring elsewhere = temp + L"\\tessmorctl elsewhere.log", linked = temp + L"\\tessmorctl linked.log";
    const HANDLE made = CreateFileW(elsewhere.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(made, INVALID_HANDLE_VALUE);
    CloseHandle(made);
    (void)DeleteFileW(linked.c_str());  // left by a run that was stopped
    ASSERT_TRUE(CreateHardLinkW(linked.c_str(), elsewhere.c_str(), nullptr)) << GetLastError();
    const std::pair<std::wstring, const wchar_t*> logs[] = {
        {temp, L" is a folder: give the log the name of a file in it; nothing was changed"},
        {linked, L" has 2 names (hard links)"},
        {temp + L"\\a<b>.log", L" cannot be opened for appending (error 123)"},
        {temp + L"\\%TEMP%.log", L" holds a '%', which the Task Scheduler would take for the start of a variable"},
        {temp + L"\\a\r\nb.log", L" holds a control character"},
    };
    for (const auto& log : logs) {
        store = SimTaskStore();
        store.tasks[userTask].xml = L"<Task/>";  // one that works
        EXPECT_EQ(Run({L"autostart", L"enable", L"1", L"2", L"--log", log.first}), 1);
        ASSERT_EQ(streams.err.size(), 1u);
        EXPECT_THAT(streams.err[0], StartsWith(L"tessmorctl: the log \""));
        EXPECT_THAT(streams.err[0], HasSubstr(log.second));
        EXPECT_THAT(store.calls, IsEmpty()) << "the Task Scheduler is not even reached";
        EXPECT_EQ(store.tasks[userTask].xml, L"<Task/>");
        EXPECT_EQ(GetFileAttributesW(userFolder.c_str()), INVALID_FILE_ATTRIBUTES) << "no copy was made";
    }
    (void)DeleteFileW(linked.c_str());
    (void)DeleteFileW(elsewhere.c_str());
}

TEST_F(CtlAutostartTest, ATaskOfTheToolsNameThatTheToolDidNotMakeIsNeitherReplacedNorRemoved)
{
    const std::wstring systemTask = L"Tessmor modes (SYSTEM)";
    const auto definition = [](const std::wstring& user, const std::wstring& action) {
        return L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\"><Principals>"
               L"<Principal id=\"Author\"><UserId>" + user + L"</UserId></Principal></Principals><Actions Context=\"Author\">" +
               action + L"</Actions></Task>";
    };
    const std::wstring ours = L"<Exec><Command>\"C:\\Program Files\\Tessmor\\TESSMORCTLW.EXE\"</Command></Exec>";
    const struct {
        std::wstring task, xml;
        std::vector<std::wstring> arguments;
        std::wstring reason;
    } cases[] = {
        // A user's own task, registered first under the system's task's name, runs as that user.
        {systemTask, definition(L"S-1-5-21-1-2-3-1002", ours), {L"autostart", L"enable", L"1", L"2", L"--system"},
         L"it runs as S-1-5-21-1-2-3-1002, not as SYSTEM"},
        {systemTask, definition(L"PC\\mallory", ours), {L"autostart", L"disable", L"--system"},
         L"it runs as PC\\mallory, not as SYSTEM"},
        {userTask, definition(account.name, L"<Exec><Command>C:\\Users\\Public\\payload.exe</Command></Exec>"),
         {L"autostart", L"enable", L"1", L"2"}, L"it runs \"C:\\Users\\Public\\payload.exe\", not tessmorctlw.exe"},
        {userTask, definition(account.name, L"<Exec><Command>\"\"</Command></Exec>"), {L"autostart", L"enable", L"1", L"2"},
         L"it runs \"\", not tessmorctlw.exe"},
        {userTask, definition(account.sid, L"<ComHandler><ClassId>{00000000-0000-0000-0000-000000000001}</ClassId></ComHandler>"),
         {L"autostart", L"disable"}, L"it has an action of another kind (ComHandler)"},
        {userTask, definition(L"PC\\mallory", ours), {L"autostart", L"enable", L"1", L"2"},
         L"it runs as PC\\mallory, not as " + account.name},
    };
    for (const auto& foreign : cases) {
        store = SimTaskStore();
        store.tasks[foreign.task].xml = foreign.xml;
        EXPECT_EQ(Run(foreign.arguments), 6) << Narrow(foreign.reason);
        EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: the task \"" + foreign.task + L"\" was not made by tessmorctl: " +
                                                 foreign.reason + L"; nothing was changed",
                                             L"tessmorctl: an administrator can remove it with schtasks /delete /tn \"" +
                                                 foreign.task + L"\""));
        EXPECT_EQ(store.tasks[foreign.task].xml, foreign.xml);
        EXPECT_EQ(GetFileAttributesW(userFolder.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesW(systemFolder.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // The tool's own, as Windows gives it back (SYSTEM by its name, the program in quotes), is replaced.
    store = SimTaskStore();
    store.tasks[systemTask].xml = definition(L"NT AUTHORITY\\SYSTEM", ours);
    EXPECT_EQ(Run({L"autostart", L"enable", L"1", L"2", L"--system"}), 0);
    EXPECT_THAT(streams.out.at(0), StartsWith(L"Replaced the task"));
}

// The log Windows writes a device's start to, as this Windows would have it: created in the
// test's registry for its scope (Wine has none).
class DeviceStartChannel {
public:
    DeviceStartChannel()
    {
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                  &m_key, nullptr),
                  ERROR_SUCCESS);
    }
    ~DeviceStartChannel()
    {
        RegCloseKey(m_key);
        EXPECT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, 0), ERROR_SUCCESS);
    }

private:
    static constexpr const wchar_t* kKey =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\Microsoft-Windows-Kernel-PnP/Configuration";
    HKEY m_key = nullptr;
};

// Event 410 of the Kernel-PnP Configuration log, "device started", with the device's instance id
// in its DeviceInstanceId data, as Windows writes it; the id as XML text inside the query.
std::wstring StartQuery(const std::wstring& escapedId)
{
    return L"<QueryList><Query Id=\"0\" Path=\"Microsoft-Windows-Kernel-PnP/Configuration\"><Select "
           L"Path=\"Microsoft-Windows-Kernel-PnP/Configuration\">*[System[Provider[@Name='Microsoft-Windows-Kernel-PnP'] "
           L"and EventID=410]] and *[EventData[Data[@Name='DeviceInstanceId']='" +
           escapedId + L"']]</Select></Query></QueryList>";
}

// Whether an event trigger's query takes the event's record, as the event log would: the query's
// channel is the event's, and its select, an XPath test on the record, holds. (The event log's
// XPath ignores the record's namespace; the simulated records have none.)
bool Takes(const std::wstring& subscription, const std::wstring& event)
{
    EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    bool taken = false;
    {
        XmlDocument query, record;
        EXPECT_EQ(query.Load(subscription), S_OK) << Narrow(subscription);
        EXPECT_EQ(record.Load(event), S_OK);
        const std::wstring select = query.Text(L"/QueryList/Query/Select");
        taken = !select.empty() && query.Text(L"/QueryList/Query/Select/@Path") == record.Text(L"/Event/System/Channel") &&
                !record.Texts((L"/self::node()[" + select + L"]").c_str()).empty();
    }
    CoUninitialize();
    return taken;
}

TEST_F(CtlAutostartTest, DeviceStartAddsATriggerOnTheChosenTunersOwnDriverStartAndRestartServiceIsKept)
{
    SimCard second;
    second.JoinCrossed(card, [this] { Install(); });
    const std::wstring first = L"PCI\\VEN_1131&amp;DEV_7160&amp;SUBSYS_83171131&amp;REV_03\\4&amp;2B1C8C1F&amp;0&amp;00E5";
    const std::wstring other = L"PCI\\VEN_1131&amp;DEV_7160&amp;SUBSYS_83171131&amp;REV_03\\4&amp;3A5E91D2&amp;0&amp;00E6";
    std::wstring upper = card.TunerPath();
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return wchar_t(towupper(c)); });
    DeviceStartChannel channel;
    const struct {
        std::vector<std::wstring> choice;
        std::wstring id, device;
        const SimCard* started;  // the card whose driver's start runs the task
        const SimCard* ignored;  // the other one
    } cases[] = {
        {{L"--device", card.TunerPath()}, first, card.TunerPath(), &card, &second},
        {{L"--device", upper}, first, card.TunerPath(), &card, &second},
        {{L"--card", L"2"}, other, second.TunerPath(), &second, &card},
        // No card chosen: the one get takes now, stored by its path as a chosen one is.
        {{}, first, card.TunerPath(), &card, &second},
    };
    for (const auto& expected : cases) {
        // A service this Windows has (here Wine's), standing for a TV server.
        std::vector<std::wstring> arguments = {L"autostart", L"enable", L"4", L"7", L"--device-start", L"--resume",
                                               L"--restart-service", L"Schedule"};
        arguments.insert(arguments.end(), expected.choice.begin(), expected.choice.end());
        EXPECT_EQ(Run(arguments), 0) << Narrow(expected.id);
        EXPECT_THAT(streams.out, Contains(L"  at each logon of " + account.name +
                                          L" and on each resume from sleep and each time the card's driver starts,"));
        const auto found = Read(userTask, {L"#/t:Task/t:Triggers/*", L"/t:Task/t:Triggers/t:EventTrigger/t:Subscription",
                                           L"/t:Task/t:Triggers/t:EventTrigger/t:Delay",
                                           L"/t:Task/t:Actions/t:Exec/t:Arguments"});
        ASSERT_EQ(found.size(), 4u);
        EXPECT_THAT(found[0], ElementsAre(L"LogonTrigger", L"EventTrigger", L"EventTrigger"));
        EXPECT_THAT(found[1], ElementsAre(kResumeEventQuery, StartQuery(expected.id))) << Narrow(expected.id);
        if (found[1].size() == 2) {
            // The chosen card's driver starting runs the task; the other card's does not, nor
            // does the resume trigger take a device's start.
            EXPECT_TRUE(Takes(found[1][1], expected.started->DeviceStartedEvent())) << Narrow(expected.id);
            EXPECT_FALSE(Takes(found[1][1], expected.ignored->DeviceStartedEvent())) << Narrow(expected.id);
            EXPECT_FALSE(Takes(found[1][0], expected.started->DeviceStartedEvent()));
        }
        EXPECT_THAT(found[2], ElementsAre(L"PT5S"));
        ASSERT_EQ(found[3].size(), 1u);
        EXPECT_THAT(found[3][0], ::testing::EndsWith(L" --device " + expected.device +
                                                    L" --restart-service Schedule"));
    }
    // status tells the trigger by the device it names, and the service.
    EXPECT_EQ(Run({L"autostart", L"status"}), 0);
    EXPECT_THAT(streams.out, Contains(L"  Restarts the service: Schedule"));
    EXPECT_THAT(streams.out, Contains(L"  Runs: at logon of " + account.name + L", on resume from sleep, when the driver "
                                      L"of PCI\\VEN_1131&DEV_7160&SUBSYS_83171131&REV_03\\4&2B1C8C1F&0&00E5 starts"));
    EXPECT_EQ(Run({L"autostart", L"status", L"--json"}), 0);
    EXPECT_THAT(streams.out.at(0), HasSubstr(L"\"restartService\":\"Schedule\",\"deviceStart\":\"PCI\\\\VEN_1131&DEV_7160"));
    EXPECT_THAT(streams.out.at(0), HasSubstr(L"\"triggers\":[\"logon\",\"resume\",\"deviceStart\"]"));
}

TEST_F(CtlAutostartTest, WithoutTheDeviceStartLogOrAnInstanceInThePathTheTaskHasNoSuchTriggerAndSaysWhy)
{
    EXPECT_EQ(Run({L"autostart", L"enable", L"4", L"7", L"--device-start"}), 0);
    EXPECT_THAT(streams.out.at(0), L"This Windows has no log Microsoft-Windows-Kernel-PnP/Configuration: the task is "
                                   L"registered without the trigger on the driver's start.");
    EXPECT_THAT(Read(userTask, {L"#/t:Task/t:Triggers/*"}).at(0), ElementsAre(L"LogonTrigger"));
    // A service that is not there is refused before anything is changed.
    store.tasks.clear();
    EXPECT_EQ(Run({L"autostart", L"enable", L"4", L"7", L"--restart-service", L"NoSuchTvServer"}), 1);
    EXPECT_THAT(streams.err, ElementsAre(HasSubstr(L"the service \"NoSuchTvServer\" does not exist")));
    EXPECT_THAT(store.tasks, IsEmpty());

    // Device paths as instance ids, as Windows writes them in the event; a path with no instance
    // part gives none.
    const std::pair<const wchar_t*, const wchar_t*> paths[] = {
        {L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\{x}",
         L"PCI\\VEN_1131&DEV_7160&SUBSYS_83171131&REV_03\\4&2B1C8C1F&0&00E5"},
        {L"\\\\?\\USB#VID_2040&PID_8265#4034209007#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}",
         L"USB\\VID_2040&PID_8265\\4034209007"},
        {L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5", L""},
        {L"@device:pnp:\\\\?\\pci#ven_1131#{71985f48}", L""},
        {L"", L""},
    };
    for (const auto& path : paths) {
        EXPECT_EQ(InstanceIdFromPath(path.first), path.second) << Narrow(path.first);
        EXPECT_EQ(DeviceStartQueryId(DeviceStartQuery(path.second)), path.second);
    }
    EXPECT_EQ(DeviceStartQueryId(kResumeEventQuery), L"");
}

TEST(CtlTaskDefinition, DurationsAreExactInTheLargestUnitsAndTextIsEscaped)
{
    const std::pair<DWORD, const wchar_t*> durations[] = {
        {0, L"PT0S"}, {59, L"PT59S"}, {60, L"PT1M"}, {61, L"PT1M1S"}, {180, L"PT3M"}, {3600, L"PT1H"},
        {3660, L"PT1H1M"}, {3661, L"PT1H1M1S"}, {3660 + 3600, L"PT2H1M"},
    };
    for (const auto& duration : durations)
        EXPECT_EQ(DurationText(duration.first), duration.second) << duration.first;
    EXPECT_EQ(XmlEscaped(L"a&b<c>d\"e'f"), L"a&amp;b&lt;c&gt;d&quot;e&apos;f");
}

}  // namespace
