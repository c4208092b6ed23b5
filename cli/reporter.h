#pragma once
// How tessmorctl speaks: results on standard output; errors on standard error, one line each,
// after the program's name; the steps taken only with --verbose, on standard error too.
#include <string>

#include "cli/console_streams.h"

class Reporter {
public:
    Reporter(ConsoleStreams& streams, bool verbose) : m_streams(streams), m_verbose(verbose) {}

    void Result(const std::wstring& line) { m_streams.Out(line); }
    void Error(const std::wstring& text) { m_streams.Err(L"tessmorctl: " + text); }
    void Step(const std::wstring& text)
    {
        if (m_verbose)
            m_streams.Err(L"tessmorctl: " + text);
    }

private:
    ConsoleStreams& m_streams;
    bool m_verbose;
};
