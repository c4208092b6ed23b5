#pragma once
// --log FILE: one block per run appended to the file, in UTF-8 with Windows line ends, so that
// a scheduled task whose output nobody sees leaves a record: the local date and time with the
// whole command line, every line the run printed on standard output and standard error, in
// order, and "exit N". The block is appended in one write at the end of the run, so that runs
// that overlap never mix their lines.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/console_streams.h"

class RunLog {
public:
    RunLog() = default;
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Opens the file for appending, creating it when missing; false, with the system's error
    // code, when it cannot be. The time of the block is taken now.
    bool Open(const std::wstring& path, DWORD& error);
    // A line the run printed.
    void Record(const std::wstring& line) { m_lines.push_back(line); }
    // Appends the block, ended by the exit status. A log that cannot be written at the end
    // (a full disk) cannot be told anywhere either: the run's status stands.
    void Close(const std::wstring& commandLine, int status);

    // The block's lines as they are appended, each then ended with CR LF, for the time given.
    static std::vector<std::wstring> Block(const SYSTEMTIME& time, const std::wstring& commandLine,
                                           const std::vector<std::wstring>& lines, int status);

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    SYSTEMTIME m_start = {};
    std::vector<std::wstring> m_lines;
};

// The run's streams as they are, each line also recorded in the log.
class LoggedStreams : public ConsoleStreams {
public:
    LoggedStreams(ConsoleStreams& inner, RunLog& log) : m_inner(inner), m_log(log) {}
    void Out(const std::wstring& line) override
    {
        m_log.Record(line);
        m_inner.Out(line);
    }
    void Err(const std::wstring& line) override
    {
        m_log.Record(line);
        m_inner.Err(line);
    }

private:
    ConsoleStreams& m_inner;
    RunLog& m_log;
};
