#pragma once
// The Task Scheduler 2.0 (ITaskService), as autostart uses it: tasks in the root folder,
// registered from their XML, found by name and removed. The service comes from the system
// services' object creation. It holds the service until it is destroyed, which must be before
// COM ends.
#include <taskschd.h>

#include <string>

#include "platform/com_ptr.h"

// What the Task Scheduler answers for a task that is not there.
constexpr HRESULT kTaskNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

class TaskScheduler {
public:
    // Creates the service and connects to it on this computer, as the user who runs tessmorctl.
    HRESULT Connect();
    // Registers the task, or replaces the one of that name. A system task runs as SYSTEM; the
    // user's own runs with the user's rights while they are logged on. sddl: who may read, change
    // and remove the task, or null for the Task Scheduler's default.
    HRESULT Register(const std::wstring& name, const std::wstring& xml, bool system, const wchar_t* sddl);
    // The task of that name; kTaskNotFound when there is none.
    HRESULT Find(const std::wstring& name, ComPtr<IRegisteredTask>& task);
    HRESULT Remove(const std::wstring& name);

private:
    ComPtr<ITaskService> m_service;
    ComPtr<ITaskFolder> m_root;
};
