#include "program_under_test.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct Search {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char title[256] = {};
    ::GetWindowTextA(window, title, sizeof title);
    if (owner == search->processId && ::IsWindowVisible(window) && search->title == std::string(title)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::string ProgramUnderTest::ExecutablePath()
{
    return WindowsPath("TESSMOR_EXE", "Tessmor.exe");
}

std::string ProgramUnderTest::WindowsPath(const char* variable, const char* fallback)
{
    const char* path = std::getenv(variable);
    std::string windowsPath = path ? path : fallback;
    if (!windowsPath.empty() && windowsPath[0] == '/') {
        // Wine shows the Unix root as drive Z:.
        for (char& c : windowsPath)
            c = c == '/' ? '\\' : c;
        windowsPath = "Z:" + windowsPath;
    }
    return windowsPath;
}

ProgramUnderTest::ProgramUnderTest(const std::string& path)
{
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    m_started = ::GetTickCount();
    if (!StartProcess(commandLine, FALSE, startup, m_process)) {
        m_startError = ::GetLastError();
        m_process = {};
    }
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (!m_process.hProcess)
        return;
    if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
        (void)::TerminateProcess(m_process.hProcess, 99);
        (void)::WaitForSingleObject(m_process.hProcess, 10000);
    }
    ::CloseHandle(m_process.hThread);
    ::CloseHandle(m_process.hProcess);
}

BOOL ProgramUnderTest::StartProcess(std::string commandLine, BOOL inheritHandles, STARTUPINFOA& startup,
                                    PROCESS_INFORMATION& process)
{
    const int kTries = 3;
    for (int attempt = 1;; ++attempt) {
        if (::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, inheritHandles, 0, nullptr, nullptr,
                             &startup, &process))
            return TRUE;
        const DWORD error = ::GetLastError();
        std::fprintf(stderr, "note: try %d of %d to start %s failed with error %lu\n", attempt, kTries,
                     commandLine.c_str(), static_cast<unsigned long>(error));
        std::fflush(stderr);
        if (attempt == kTries) {
            process = {};
            ::SetLastError(error);
            return FALSE;
        }
        ::Sleep(500);
    }
}

bool ProgramUnderTest::HasWindow(const char* title) const
{
    Search search = {m_process.dwProcessId, title, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
}

HWND ProgramUnderTest::WaitForWindow(const char* title, DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    do {
        Search search = {m_process.dwProcessId, title, nullptr};
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (::WaitForSingleObject(m_process.hProcess, 20) == WAIT_OBJECT_0)
            return nullptr;  // ended without showing it
    } while (::GetTickCount() - start < milliseconds);
    return nullptr;
}

DWORD ProgramUnderTest::WaitForExit(DWORD milliseconds)
{
    if (::WaitForSingleObject(m_process.hProcess, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    (void)::GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

std::string ProgramUnderTest::MessageText(HWND box)
{
    char text[512] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void ProgramUnderTest::PressOk(HWND box)
{
    (void)::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
}
