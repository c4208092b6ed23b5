#include "console_program.h"

#include <set>
#include <thread>

#include "program_under_test.h"

namespace {

std::string QuotedArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    for (char c : argument)
        quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    return quoted + "\"";
}

// Reads a pipe to its end on a thread of its own, so that neither pipe can fill and stall the
// program while the other is read.
class PipeReader {
public:
    explicit PipeReader(HANDLE pipe) : m_thread([this, pipe] { Drain(pipe); }) {}
    std::string Take()
    {
        m_thread.join();
        return m_text;
    }

private:
    void Drain(HANDLE pipe)
    {
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got)
            m_text.append(buffer, got);
        ::CloseHandle(pipe);
    }

    std::string m_text;
    std::thread m_thread;
};

struct WindowSearch {
    DWORD processId;
    std::set<std::string>* seen;
};

void Note(HWND window, const WindowSearch& search)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId)
        return;
    char className[128] = {};
    char title[256] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, title, sizeof title);
    search.seen->insert(std::string(className) + ": " + title);
}

BOOL CALLBACK NoteTopLevel(HWND window, LPARAM context)
{
    Note(window, *reinterpret_cast<WindowSearch*>(context));
    return TRUE;
}

void NoteWindows(DWORD processId, std::set<std::string>& seen)
{
    WindowSearch search = {processId, &seen};
    ::EnumWindows(NoteTopLevel, reinterpret_cast<LPARAM>(&search));
    for (HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = ::FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr))
        Note(window, search);
}

}  // namespace

std::vector<std::string> ConsoleRun::Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos || line.empty() || line.back() != '\r')
            line += " (no CR LF)";
        else
            line.pop_back();
        lines.push_back(line);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

ConsoleRun RunConsoleProgram(const std::string& path, const std::vector<std::string>& arguments,
                             DWORD patience)
{
    ConsoleRun run;
    std::string commandLine = QuotedArgument(path);
    for (const std::string& argument : arguments)
        commandLine += " " + QuotedArgument(argument);

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &inheritable, 0) || !::CreatePipe(&errRead, &errWrite, &inheritable, 0))
        return run;
    // Only the child's ends are inherited.
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                 OPEN_EXISTING, 0, nullptr);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process = {};
    run.started = ProgramUnderTest::StartProcess(commandLine, TRUE, startup, process) != FALSE;
    if (!run.started)
        run.startError = ::GetLastError();
    // The child holds its own copies now; the pipes end when it does.
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (input != INVALID_HANDLE_VALUE)
        ::CloseHandle(input);
    PipeReader out(outRead), err(errRead);
    if (run.started) {
        std::set<std::string> seen;
        const DWORD start = ::GetTickCount();
        do {
            NoteWindows(process.dwProcessId, seen);
        } while (::WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT &&
                 ::GetTickCount() - start < patience);
        if (::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            (void)::TerminateProcess(process.hProcess, 99);
            (void)::WaitForSingleObject(process.hProcess, 10000);
        } else {
            (void)::GetExitCodeProcess(process.hProcess, &run.exitCode);
        }
        run.windows.assign(seen.begin(), seen.end());
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    run.out = out.Take();
    run.err = err.Take();
    return run;
}
