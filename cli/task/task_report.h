#pragma once
// What autostart status tells of a registered task, read back from the definition the Task
// Scheduler keeps and from what it says of the task's runs; and whether a task of the tool's
// name is one the tool made, before enable replaces it or disable removes it.
#include <taskschd.h>

#include <string>
#include <vector>

#include "cli/options/mode_choice.h"
#include "cli/task/program_copy.h"
#include "cli/console/reporter.h"
#include "cli/task/user_account.h"

// Each part is empty (or not known) when the Task Scheduler does not report it.
struct TaskReport {
    bool modesKnown = false;             // the arguments were read as the task's runs read them
    ModeChoice tuners[2];
    std::wstring device;                 // --device, empty for the first card that opens
    unsigned long timeoutSeconds = 0;    // --timeout
    std::wstring log;
    std::wstring restartService;         // --restart-service
    std::vector<std::wstring> triggers;  // "logon", "boot", "resume", "deviceStart", or another
                                         // trigger's name
    std::wstring deviceStart;            // the instance id of the device whose start runs it
    std::wstring user;                   // whose logon, for a logon trigger
    std::wstring program;                // the program the task runs, without quotes
    bool programCompared = false;        // programState was found, against this tool's own
    CopyState programState = CopyState::Same;  // windowless program
    std::wstring state;
    bool lastRunKnown = false, neverRun = false;
    std::wstring lastRun;
    bool resultKnown = false;
    LONG lastResult = 0;
};

// A tuner's choice as the task's command line gives it: "keep", or the mode's display name.
std::wstring ModeArgument(const ModeChoice& choice);
// A tuner's choice as a person reads it: "Tuner 0: DVB-C", "Tuner 1: kept as it is".
std::wstring ModeText(int tuner, const ModeChoice& choice);

// The definition's part of the report, from its XML.
void ReadTaskDefinition(const std::wstring& xml, TaskReport& report);
// The runs' part, from the Task Scheduler.
void ReadTaskRuns(IRegisteredTask* task, TaskReport& report);

void PrintTaskReport(Reporter& reporter, const std::wstring& name, const TaskReport& report);
// The status as one JSON object; report is null when there is no task.
std::wstring TaskReportJson(const std::wstring& name, bool system, const TaskReport* report);

// Why the task of the tool's name whose definition this is was not made by the tool (empty when
// it may have been): it does not run as SYSTEM (for the system's task) or as the user (for the
// user's), or it does something other than start the windowless program. A definition that
// cannot be read, or whose parts the Task Scheduler does not report, is judged on what it tells.
std::wstring ForeignTaskReason(const std::wstring& xml, bool system, const UserAccount& account);
