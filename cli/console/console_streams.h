#pragma once
// The console room, at the bottom of tessmorctl: how the tool speaks and what it keeps. Its
// streams, the reporter, texts and JSON, the clock, exit statuses, message boxes as lines, and
// the log with its file handling and the stop handler. It uses only platform/ and Windows.
//
// Where tessmorctl's lines go: results to standard output, errors (and, with --verbose, the
// steps taken) to standard error. Text is UTF-16 inside the program and leaves it in the
// console's code page.
#include <windows.h>

#include <string>

class ConsoleStreams {
public:
    // One line each; the line end is added.
    virtual void Out(const std::wstring& line) = 0;
    virtual void Err(const std::wstring& line) = 0;

protected:
    ~ConsoleStreams() = default;
};

// The process's standard output and error, whether a console, a file or a pipe.
class StandardStreams : public ConsoleStreams {
public:
    StandardStreams(HANDLE out, HANDLE err, UINT codePage);

    // The console's output code page; the OEM code page, a console's default, when the
    // process has no console.
    static UINT ConsoleCodePage();
    // The line in the code page, ended with CR LF as Windows text is; a character the code
    // page lacks becomes the code page's default character.
    static std::string Encode(const std::wstring& line, UINT codePage);

    void Out(const std::wstring& line) override { Write(m_out, line); }
    void Err(const std::wstring& line) override { Write(m_err, line); }

private:
    void Write(HANDLE stream, const std::wstring& line) const;

    HANDLE m_out;
    HANDLE m_err;
    UINT m_codePage;
};

// Streams that go nowhere: the windowless program's, which has no console to print to.
class NoStreams : public ConsoleStreams {
public:
    void Out(const std::wstring&) override {}
    void Err(const std::wstring&) override {}
};
