#pragma once
// A stand-in for the Task Scheduler 2.0 service (ITaskService), its root folder and its
// registered tasks, for the tests of autostart: tasks are kept, as the XML they were registered
// with, in a store the test owns and reads after the run. Each call a caller may see fail has
// its own injected result; every call is recorded by name.
#include <windows.h>
#include <taskschd.h>

#include <map>
#include <string>
#include <vector>

struct SimTaskStore {
    struct Task {
        std::wstring xml;
        LONG flags = 0;
        std::wstring user;  // the user the registration named (empty for none)
        bool passwordGiven = false;
        TASK_LOGON_TYPE logonType = TASK_LOGON_NONE;
        std::wstring sddl;  // the security descriptor the registration gave (empty for none)
        // What the service says of its runs.
        HRESULT lastRunResult = SCHED_S_TASK_HAS_NOT_RUN;
        DATE lastRun = 0;
        LONG lastTaskResult = 0;
        TASK_STATE state = TASK_STATE_READY;
    };

    std::map<std::wstring, Task> tasks;  // by name, in the root folder
    std::vector<std::string> calls;

    HRESULT connectResult = S_OK;
    HRESULT getFolderResult = S_OK;
    HRESULT registerResult = S_OK;
    HRESULT getTaskResult = S_OK;  // for a task that is there
    HRESULT deleteResult = S_OK;   // for a task that is there
};

// The service's class factory for SimServices::AddClass: a new service on the store.
IUnknown* NewSimTaskService(SimTaskStore& store);
