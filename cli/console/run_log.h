#pragma once
// --log FILE: what a run prints, appended to the file line by line as it is printed, in UTF-8
// with Windows line ends, so that a scheduled task whose output nobody sees leaves a record even
// when the run is ended before it ends by itself (a task's time limit, logoff, a closed console).
// Every line begins with the local date and time to the millisecond and the run's process id,
// so that the lines of two runs that write at once can be told apart:
//   2026-03-09 07:05:12.348 [4120] tessmorctl set DVB-C DVBC2 --wait --log C:\...\logon.log
//   2026-03-09 07:05:12.611 [4120] Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.
//   2026-03-09 07:05:20.702 [4120] exit 0
// A run that is stopped ends with "stopped (the reason)" instead of "exit N". Each line is one
// append, so that lines of runs that overlap stay whole, and a control character in a line (a
// CR LF in an argument) is written as '?', as the program's messages show it, so that no line
// can pass for another. A log the program creates starts with the UTF-8 byte-order mark; one
// that has grown past kLogRotationSize is first renamed to FILE.1 (replacing an older one), so
// that a task that runs for years keeps a bounded log. The file is opened as log_file.h says:
// never through a link, never one of several names.
#include <windows.h>

#include <string>

#include "cli/console/console_streams.h"
#include "cli/console/log_file.h"

class RunLog {
public:
    RunLog();
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Opens the file for appending, creating it when missing, and writes the run's first line:
    // the command line. False when it cannot be opened or may not be written to, with why as
    // the end of a sentence that begins with the log's name.
    bool Open(const std::wstring& path, const std::wstring& commandLine, std::wstring& problem);
    // A line the run printed. A line that cannot be written (a full disk) cannot be told
    // anywhere either: the run goes on.
    void Write(const std::wstring& line);
    // The run's last line, "exit N", and the file closed.
    void Close(int status);
    // The run's last line when it is being stopped: "stopped (reason)". It may come from another
    // thread while the run still prints; nothing is written after it.
    void Stop(const std::wstring& reason);

    // What every line begins with.
    static std::wstring Prefix(const SYSTEMTIME& localTime, DWORD processId);

private:
    // One line with its prefix, unless the log is closed or stopped.
    void Append(const std::wstring& line, bool last);

    CRITICAL_SECTION m_lock;
    HANDLE m_file = INVALID_HANDLE_VALUE;
};

// The run's streams as they are, each line also written to the log.
class LoggedStreams : public ConsoleStreams {
public:
    LoggedStreams(ConsoleStreams& inner, RunLog& log) : m_inner(inner), m_log(log) {}
    void Out(const std::wstring& line) override
    {
        m_log.Write(line);
        m_inner.Out(line);
    }
    void Err(const std::wstring& line) override
    {
        m_log.Write(line);
        m_inner.Err(line);
    }

private:
    ConsoleStreams& m_inner;
    RunLog& m_log;
};
