#pragma once
// The task that keeps the modes, as the Task Scheduler is given it: a task definition in the
// Task Scheduler's XML, version 1.2 of its schema, which Windows 7 reads. It asks for nothing
// that Windows 7's Task Scheduler lacks, and every value in it is escaped.
#include <windows.h>

#include <string>

struct AutostartTask {
    bool system = false;        // runs as SYSTEM at system start, not at the user's logon
    bool resume = false;        // also runs on every resume from sleep
    std::wstring deviceStart;   // also runs when the device of this instance id starts (empty:
                                // not then)
    std::wstring user;          // the user whose logon starts it and whose rights it has
                                // (DOMAIN\name); for a system task, who registered it
    std::wstring program;       // the full path of the program the task runs
    std::wstring arguments;     // its command line after the program
    std::wstring folder;        // the folder it runs in: the program's own
    DWORD timeLimitSeconds = 0; // how long a run may take before it is ended
};

// The program the task runs: the windowless one, so that nothing shows at logon.
extern const wchar_t kTaskProgram[];

// The account a system task runs as: LocalSystem.
extern const wchar_t kSystemAccount[];

// The task's definition as Task Scheduler XML.
std::wstring TaskDefinitionXml(const AutostartTask& task);

// Text as it may stand in an XML element or attribute value.
std::wstring XmlEscaped(const std::wstring& text);

// A number of seconds as an XML duration, in the largest units that keep it exact: 180 is
// "PT3M", 3660 is "PT1H1M", 61 is "PT1M1S", 0 is "PT0S".
std::wstring DurationText(DWORD seconds);

// The event query that matches Windows' record of a resume from sleep in the System log.
extern const wchar_t kResumeEventQuery[];
