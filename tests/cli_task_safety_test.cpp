// What keeps the task that runs as SYSTEM (or as its user) from being taken over, decided
// in-process where Wine cannot show it: which folders are trusted with the task's program and
// log, judged on security descriptors built from SDDL; which log files are refused; how the
// task's command line is quoted; and two runs that rotate one log at once.
#include <windows.h>
#include <sddl.h>

#include <gmock/gmock.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "cli/task/argument_quoting.h"
#include "cli/task/folder_security.h"
#include "cli/console/log_file.h"
#include "cli/program/process_start.h"

using ::testing::HasSubstr;

namespace {

// Accounts of a PC where the tests' user is not one of the system's.
const wchar_t kUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";
const wchar_t kAdmin[] = L"S-1-5-21-1004336348-1177238915-682003330-500";
const std::wstring kTrustedInstaller = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct Verdicts {
    FolderTrust forUser;    // as the user's own folder, the user running the command
    FolderTrust forSystem;  // as a folder of the system's task, an administrator running it
    const char* who;        // what both verdicts name, where they name someone
};

FolderVerdict Judge(const std::wstring& sddl, const wchar_t* runner)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PSID sid = nullptr;
    EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << std::string(sddl.begin(), sddl.end());
    EXPECT_TRUE(ConvertStringSidToSidW(runner, &sid));
    const FolderVerdict verdict = descriptor && sid ? JudgeFolder(descriptor, sid) : FolderVerdict();
    LocalFree(sid);
    LocalFree(descriptor);
    return verdict;
}

TEST(CtlFolderTrust, WindowsDefaultFoldersAndHostileListsAreJudgedByOwnerAndWhoElseMayChangeThem)
{
    const std::wstring user = kUser, ti = kTrustedInstaller;
    using T = FolderTrust;
    // The defaults are those of a Windows 10 installation as icacls lists them (C:\: SYSTEM and
    // Administrators full, Users read and execute, Authenticated Users may add folders and modify
    // what they make; see also "ACL Enhancements in Windows Vista and Windows Server 2008" for
    // the root's entries since Vista). Program Files is TrustedInstaller's; ProgramData lets
    // Users add files and folders (write data, append data, extended attributes, attributes:
    // 0x116) and keeps what they make theirs through CREATOR OWNER; a profile is its user's,
    // SYSTEM's and the Administrators'.
    const struct {
        const char* what;
        std::wstring sddl;
        Verdicts expected;
    } folders[] = {
        {"C:\\", L"O:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)",
         {T::OthersMayWrite, T::OthersMayWrite, "Authenticated Users"}},
        {"a folder a user made under C:\\",
         L"O:" + user + L"D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
                        L"(A;OICIIOID;SDGXGWGR;;;AU)",
         {T::OthersMayWrite, T::OwnerNotTrusted, ""}},
        {"Program Files",
         L"O:" + ti + L"G:" + ti + L"D:PAI(A;;FA;;;" + ti + L")(A;CIIO;GA;;;" + ti +
             L")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
             L"(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;S-1-15-2-1)(A;OICIIO;GXGR;;;S-1-15-2-1)"
             L"(A;;0x1200a9;;;S-1-15-2-2)(A;OICIIO;GXGR;;;S-1-15-2-2)",
         {T::Trusted, T::Trusted, ""}},
        {"ProgramData",
         L"O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;BU)",
         {T::OthersMayWrite, T::OthersMayWrite, "Users"}},
        {"a folder a user made under ProgramData",
         L"O:" + user + L"D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;ID;FA;;;" + user +
             L")(A;OICIIOID;GA;;;CO)(A;OICIID;0x1200a9;;;BU)(A;CIID;0x116;;;BU)",
         {T::OthersMayWrite, T::OwnerNotTrusted, ""}},
        {"the user's profile", L"O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")",
         {T::Trusted, T::OthersMayWrite, ""}},
        {"owner another user", L"O:S-1-5-21-1-2-3-1002D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
         {T::OwnerNotTrusted, T::OwnerNotTrusted, "S-1-5-21-1-2-3-1002"}},
        {"CREATOR OWNER passes full control on", L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)",
         {T::Trusted, T::Trusted, ""}},
        {"a deny entry", L"O:BAD:P(D;OICI;WD;;;WD)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
         {T::Trusted, T::Trusted, ""}},
        {"a deny entry before a grant to another group", L"O:BAD:P(D;;FA;;;BU)(A;OICI;FA;;;BA)(A;;FA;;;AU)",
         {T::OthersMayWrite, T::OthersMayWrite, "Authenticated Users"}},
        {"Users may only change its permissions", L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;WD;;;BU)",
         {T::OthersMayWrite, T::OthersMayWrite, "Users"}},
        {"Users may only take ownership", L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;WO;;;BU)",
         {T::OthersMayWrite, T::OthersMayWrite, "Users"}},
        {"Everyone may pass on writing to the files made in it", L"O:BAD:P(A;OICI;FA;;;BA)(A;OIIO;FW;;;WD)",
         {T::OthersMayWrite, T::OthersMayWrite, "Everyone"}},
        {"the tool's own for the system", ProtectedFolderSddl(L""), {T::Trusted, T::Trusted, ""}},
    };
    for (const auto& folder : folders) {
        const FolderVerdict forUser = Judge(folder.sddl, kUser), forSystem = Judge(folder.sddl, kAdmin);
        EXPECT_EQ(forUser.trust, folder.expected.forUser) << folder.what;
        EXPECT_EQ(forSystem.trust, folder.expected.forSystem) << folder.what;
        for (const FolderVerdict& verdict : {forUser, forSystem}) {
            if (verdict.trust != T::Trusted && verdict.trust != T::AnyoneMayWrite) {
                const std::string who(verdict.who.begin(), verdict.who.end());
                EXPECT_THAT(who, HasSubstr(folder.expected.who)) << folder.what;
                // An account in several entries is named once.
                EXPECT_TRUE(!*folder.expected.who || who.find(folder.expected.who) == who.rfind(folder.expected.who))
                    << folder.what << ": " << who;
            }
        }
    }
    // No access list at all lets anyone in.
    SECURITY_DESCRIPTOR open = {};
    PSID administrators = nullptr, runner = nullptr;
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-32-544", &administrators));
    ASSERT_TRUE(ConvertStringSidToSidW(kUser, &runner));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&open, administrators, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_EQ(JudgeFolder(&open, runner).trust, T::AnyoneMayWrite);
    LocalFree(administrators);
    LocalFree(runner);
    // The user's own folder, as the tool makes it, is the user's and no one else's.
    EXPECT_EQ(Judge(L"O:" + user + ProtectedFolderSddl(kUser), kUser).trust, T::Trusted);
    EXPECT_EQ(Judge(L"O:" + user + ProtectedFolderSddl(kUser), kAdmin).trust, T::OwnerNotTrusted);

    FolderVerdict shown;
    shown.trust = T::OthersMayWrite;
    shown.who = L"BUILTIN\\Users, Everyone";
    EXPECT_EQ(FolderVerdictText(shown), L"may be changed by BUILTIN\\Users, Everyone");
    shown.trust = T::OwnerNotTrusted;
    EXPECT_EQ(FolderVerdictText(shown), L"is owned by BUILTIN\\Users, Everyone");
}

TEST(CtlTaskCommandLine, EachArgumentComesBackAsItIsWhenWindowsSplitsTheCommandLine)
{
    const struct {
        std::wstring argument;
        std::wstring written;
    } arguments[] = {
        {L"C:\\ProgramData\\Tessmor\\autostart.log", L"C:\\ProgramData\\Tessmor\\autostart.log"},
        {L"C:\\a b\\run.log", L"\"C:\\a b\\run.log\""},
        {L"C:\\a b\\x\\", L"\"C:\\a b\\x\\\\\""},
        {L"C:\\ab\\x\\", L"C:\\ab\\x\\"},
        {L"C:\\a b\\x\\\\", L"\"C:\\a b\\x\\\\\\\\\""},
        {L"a\"b", L"\"a\\\"b\""},
        {L"a\\\"b c", L"\"a\\\\\\\"b c\""},
        {L"", L"\"\""},
        {L"tab\there", L"\"tab\there\""},
        {L"C:\\Tom & Jerry's\\log.txt", L"\"C:\\Tom & Jerry's\\log.txt\""},
        {L"C:\\Aufnahmen\\\u00dcbersicht \u65e5\u672c\\log.txt", L"\"C:\\Aufnahmen\\\u00dcbersicht \u65e5\u672c\\log.txt\""},
        {L"\\\\?\\pci#ven_14f1&dev_8852#4&2b1c8c1f&0&00e5#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\",
         L"\\\\?\\pci#ven_14f1&dev_8852#4&2b1c8c1f&0&00e5#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\"},
        {L"C:\\" + std::wstring(200, L'd') + L" \\" + std::wstring(40, L'e') + L".log",
         L"\"C:\\" + std::wstring(200, L'd') + L" \\" + std::wstring(40, L'e') + L".log\""},
    };
    for (const auto& argument : arguments) {
        const std::string shown(argument.argument.begin(), argument.argument.end());
        EXPECT_EQ(QuotedArgument(argument.argument), argument.written) << shown;
        // Between others, as the task's arguments stand, and split as the program receives them.
        const std::wstring line = L"x.exe --log " + QuotedArgument(argument.argument) + L" --wait";
        int count = 0;
        wchar_t** words = CommandLineToArgvW(line.c_str(), &count);
        ASSERT_NE(words, nullptr);
        EXPECT_EQ(count, 4) << shown;
        if (count == 4) {
            EXPECT_EQ(std::wstring(words[2]), argument.argument) << shown;
            EXPECT_EQ(std::wstring(words[3]), L"--wait") << shown;
        }
        LocalFree(words);
        EXPECT_EQ(TaskTextRefusal(argument.argument).empty(), argument.argument.find_first_of(L"\"\t") == std::wstring::npos)
            << shown;
    }
    const std::pair<const wchar_t*, const wchar_t*> refused[] = {
        {L"C:\\%TEMP%\\x.log", L"holds a '%'"},   {L"C:\\50%\\x.log", L"holds a '%'"},
        {L"C:\\a\"b", L"holds a quote"},         {L"C:\\a\r\nb", L"holds a control character"},
        {L"C:\\a\x7f", L"holds a control character"}, {L"C:\\a\x1b[2J", L"holds a control character"},
    };
    for (const auto& text : refused)
        EXPECT_THAT(TaskTextRefusal(text.first), HasSubstr(text.second));
}

BY_HANDLE_FILE_INFORMATION FileOf(DWORD attributes, DWORD names)
{
    BY_HANDLE_FILE_INFORMATION file = {};
    file.dwFileAttributes = attributes;
    file.nNumberOfLinks = names;
    return file;
}

TEST(CtlLogFile, ALinkAFolderOrAFileOfSeveralNamesIsNeverWrittenTo)
{
    const struct {
        BY_HANDLE_FILE_INFORMATION file;
        const wchar_t* refusal;  // a part of it, or empty for a log that is written to
    } files[] = {
        {FileOf(FILE_ATTRIBUTE_ARCHIVE, 1), L""},
        {FileOf(FILE_ATTRIBUTE_NORMAL, 1), L""},
        {FileOf(FILE_ATTRIBUTE_REPARSE_POINT, 1),
         L"is a link (a symbolic link, a junction or another reparse point): a log is never written through one"},
        {FileOf(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY, 1), L"is a link"},
        {FileOf(FILE_ATTRIBUTE_DIRECTORY, 1), L"is a folder: give the log the name of a file in it"},
        {FileOf(FILE_ATTRIBUTE_ARCHIVE, 2), L"has 2 names (hard links): a log is written only to a file of one name"},
        {FileOf(FILE_ATTRIBUTE_ARCHIVE, 7), L"has 7 names"},
    };
    for (const auto& file : files) {
        const std::wstring refusal = LogFileRefusal(file.file);
        if (*file.refusal)
            EXPECT_THAT(refusal, HasSubstr(file.refusal));
        else
            EXPECT_EQ(refusal, L"");
    }
}

std::string Contents(const std::wstring& path)
{
    std::ifstream file(std::string(path.begin(), path.end()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(CtlLogFile, TwoRunsThatFindTheLogPastItsSizeAtOnceLoseNothing)
{
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring path = std::wstring(temp) + L"tessmorctl rotated.log", older = path + L".1";
    const std::string old(1048577, 'o');  // past 1 MiB, as the README says
    for (int attempt = 0; attempt < 40; ++attempt) {
        {
            std::ofstream(std::string(path.begin(), path.end()), std::ios::binary | std::ios::trunc) << old;
            std::ofstream(std::string(older.begin(), older.end()), std::ios::binary | std::ios::trunc) << "oldest";
        }
        // The two runs open the log at once; then each appends its line. (Wine makes an append of
        // two threads of one process at one moment land at the same offset, which Windows never
        // does, so the lines are written one after the other.)
        LogFileOpening openings[2];
        const auto open = [&path, &openings](int run) { openings[run] = OpenLogFile(path); };
        std::thread first(open, 0), second(open, 1);
        first.join();
        second.join();
        for (int run = 0; run < 2; ++run) {
            ASSERT_NE(openings[run].file, INVALID_HANDLE_VALUE) << attempt;
            const std::string line = std::string("] run ") + char('A' + run) + "\r\n";
            DWORD written = 0;
            EXPECT_TRUE(WriteFile(openings[run].file, line.data(), DWORD(line.size()), &written, nullptr));
            CloseHandle(openings[run].file);
        }
        EXPECT_EQ(openings[0].created + openings[1].created, 1) << "one run makes the new log";
        EXPECT_TRUE(Contents(older) == old) << "attempt " << attempt << ": FILE.1 keeps the older log, "
                                            << Contents(older).size() << " bytes";
        const std::string now = Contents(path);
        ASSERT_LT(now.size(), 1000u) << attempt;
        EXPECT_EQ(now, "\xEF\xBB\xBF] run A\r\n] run B\r\n") << attempt;
        if (HasFailure())
            break;
    }
    (void)DeleteFileW(path.c_str());
    (void)DeleteFileW(older.c_str());
}

TEST(CtlProcessStart, NoSystemErrorBoxAndNoDllFromTheProgramsFolderOnceStarted)
{
    // A DLL of a name no system DLL has, put beside the program: the loader would take it from
    // there.
    wchar_t module[MAX_PATH] = {}, system[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
    ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
    std::wstring planted = module;
    planted.erase(planted.find_last_of(L'\\') + 1);
    planted += L"tessmor_planted.dll";
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\version.dll").c_str(), planted.c_str(), FALSE)) << GetLastError();
    HMODULE before = LoadLibraryW(L"tessmor_planted.dll");
    EXPECT_NE(before, nullptr) << "the loader looks in the program's folder";
    if (before)
        FreeLibrary(before);

    const UINT previous = GetErrorMode();
    StartProcessSafely();
    // SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX
    EXPECT_EQ(GetErrorMode(), 0x8003u);
    HMODULE after = LoadLibraryW(L"tessmor_planted.dll");
    EXPECT_EQ(after, nullptr) << "only System32 is searched";
    if (after)
        FreeLibrary(after);
    (void)SetErrorMode(previous);
    (void)DeleteFileW(planted.c_str());
}

}  // namespace
