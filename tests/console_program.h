#pragma once
// Runs a console program of the tool from another program in the same Wine prefix, as a script
// would: with arguments, its standard output and error caught through pipes, and its exit
// status. While it runs, every window its process has is noted, visible or not.
#include <windows.h>

#include <string>
#include <vector>

struct ConsoleRun {
    bool started = false;
    DWORD startError = 0;           // CreateProcess's error when it did not start
    DWORD exitCode = STILL_ACTIVE;  // still so when it did not end in time (it is then ended)
    std::string out;                // the bytes written, as written
    std::string err;
    std::vector<std::string> windows;  // "class: title" of each window seen

    // The text as lines, each of which must have ended with CR LF; a line without it is kept
    // with "(no CR LF)" after it, so that a comparison shows it.
    static std::vector<std::string> Lines(const std::string& text);
};

// The arguments are quoted for the program's command line; an empty one stays an argument.
ConsoleRun RunConsoleProgram(const std::string& path, const std::vector<std::string>& arguments,
                             DWORD patience);
