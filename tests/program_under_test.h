#pragma once
// Drives the real Tessmor.exe from another program in the same Wine prefix: starts it, finds
// its windows and message boxes, reads them, presses their buttons, and waits for it to end.
#include <windows.h>

#include <string>

class ProgramUnderTest {
public:
    // The executable named by TESSMOR_EXE (a Unix or Windows path).
    static std::string ExecutablePath();
    // A path from the environment variable, as Windows names it (Wine shows / as Z:\).
    static std::string WindowsPath(const char* variable, const char* fallback);

    // Starts the program (by default the one TESSMOR_EXE names).
    explicit ProgramUnderTest(const std::string& path = ExecutablePath());
    ~ProgramUnderTest();  // ends the program if it is still running
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    // CreateProcess's error when the program did not start.
    DWORD StartError() const { return m_startError; }
    // A visible top-level window of the program with this title, waiting up to the time given.
    HWND WaitForWindow(const char* title, DWORD milliseconds);
    // Whether the program has a visible top-level window with this title now.
    bool HasWindow(const char* title) const;
    // Milliseconds since the program was started.
    DWORD Elapsed() const { return ::GetTickCount() - m_started; }
    // Waits for the program to end; its exit code, or STILL_ACTIVE.
    DWORD WaitForExit(DWORD milliseconds);

    // CreateProcessA, tried again when the process could not be started at all. Wine on a busy
    // host now and then ends a new process before its first instruction and reports that as a
    // failed start; a program that cannot start fails every try. Each refused try is told on
    // standard error with its error code, so that a log shows it.
    static BOOL StartProcess(std::string commandLine, BOOL inheritHandles, STARTUPINFOA& startup,
                             PROCESS_INFORMATION& process);

    // A message box's text, and its OK button.
    static std::string MessageText(HWND box);
    static void PressOk(HWND box);

private:
    PROCESS_INFORMATION m_process = {};
    DWORD m_started = 0;
    DWORD m_startError = 0;
};
