#pragma once
// How tessmorctl speaks: results on standard output, as text lines or, with --json, as one JSON
// object (with --quiet, the text lines are left out); errors on standard error, one line each,
// after the program's name; the steps taken only with --verbose, on standard error too.
#include <string>

#include "cli/console/console_streams.h"

class Reporter {
public:
    Reporter(ConsoleStreams& streams, bool verbose, bool quiet = false, bool json = false)
        : m_streams(streams), m_verbose(verbose), m_text(!quiet && !json), m_json(json)
    {
    }

    void Result(const std::wstring& line);
    // The result as --json asks for it: one object on one line.
    void Data(const std::wstring& json);
    bool Json() const { return m_json; }
    void Error(const std::wstring& text);
    void Step(const std::wstring& text);

private:
    ConsoleStreams& m_streams;
    bool m_verbose;
    bool m_text;
    bool m_json;
};
