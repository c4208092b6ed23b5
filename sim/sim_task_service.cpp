#include "sim/sim_task_service.h"

#include "sim/sim_dispatch.h"

namespace {

const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

HRESULT NullOut(void* out)
{
    if (out)
        *static_cast<void**>(out) = nullptr;
    return E_NOTIMPL;
}

std::wstring Text(BSTR text)
{
    return text ? std::wstring(text) : std::wstring();
}

class SimRegisteredTask : public SimDispatchObject<IRegisteredTask> {
public:
    SimRegisteredTask(SimTaskStore& store, const std::wstring& name) : m_store(store), m_name(name) {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override
    {
        if (!name)
            return E_POINTER;
        *name = ::SysAllocString(m_name.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override { return NullOut(path); }
    HRESULT STDMETHODCALLTYPE get_State(TASK_STATE* state) override
    {
        m_store.calls.push_back("get_State");
        if (!state)
            return E_POINTER;
        *state = Task().state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override
    {
        if (enabled)
            *enabled = VARIANT_TRUE;
        return enabled ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Run(VARIANT, IRunningTask** task) override { return NullOut(task); }
    HRESULT STDMETHODCALLTYPE RunEx(VARIANT, LONG, LONG, BSTR, IRunningTask** task) override { return NullOut(task); }
    HRESULT STDMETHODCALLTYPE GetInstances(LONG, IRunningTaskCollection** tasks) override { return NullOut(tasks); }
    HRESULT STDMETHODCALLTYPE get_LastRunTime(DATE* date) override
    {
        m_store.calls.push_back("get_LastRunTime");
        if (!date)
            return E_POINTER;
        *date = Task().lastRun;
        return Task().lastRunResult;
    }
    HRESULT STDMETHODCALLTYPE get_LastTaskResult(LONG* result) override
    {
        m_store.calls.push_back("get_LastTaskResult");
        if (!result)
            return E_POINTER;
        *result = Task().lastTaskResult;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NumberOfMissedRuns(LONG* runs) override
    {
        if (runs)
            *runs = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_NextRunTime(DATE* date) override
    {
        if (date)
            *date = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Definition(ITaskDefinition** task) override { return NullOut(task); }
    HRESULT STDMETHODCALLTYPE get_Xml(BSTR* xml) override
    {
        m_store.calls.push_back("get_Xml");
        if (!xml)
            return E_POINTER;
        *xml = ::SysAllocString(Task().xml.c_str());
        return *xml ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetSecurityDescriptor(LONG, BSTR* sddl) override { return NullOut(sddl); }
    HRESULT STDMETHODCALLTYPE SetSecurityDescriptor(BSTR, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRunTimes(const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD* count, LPSYSTEMTIME* times) override
    {
        if (count)
            *count = 0;
        return NullOut(times);
    }

private:
    // The task as the store has it now; one removed meanwhile reads as an empty one.
    SimTaskStore::Task& Task()
    {
        auto found = m_store.tasks.find(m_name);
        if (found != m_store.tasks.end())
            return found->second;
        static SimTaskStore::Task removed;
        removed = SimTaskStore::Task();
        return removed;
    }

    SimTaskStore& m_store;
    std::wstring m_name;
};

class SimTaskFolder : public SimDispatchObject<ITaskFolder> {
public:
    explicit SimTaskFolder(SimTaskStore& store) : m_store(store) {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override { return NullOut(name); }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override { return NullOut(path); }
    HRESULT STDMETHODCALLTYPE GetFolder(BSTR, ITaskFolder** folder) override { return NullOut(folder); }
    HRESULT STDMETHODCALLTYPE GetFolders(LONG, ITaskFolderCollection** folders) override { return NullOut(folders); }
    HRESULT STDMETHODCALLTYPE CreateFolder(BSTR, VARIANT, ITaskFolder** folder) override { return NullOut(folder); }
    HRESULT STDMETHODCALLTYPE DeleteFolder(BSTR, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTask(BSTR path, IRegisteredTask** task) override
    {
        m_store.calls.push_back("GetTask");
        if (!task)
            return E_POINTER;
        *task = nullptr;
        if (!m_store.tasks.count(Text(path)))
            return kNotFound;
        if (FAILED(m_store.getTaskResult))
            return m_store.getTaskResult;
        *task = new SimRegisteredTask(m_store, Text(path));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTasks(LONG, IRegisteredTaskCollection** tasks) override { return NullOut(tasks); }
    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG) override
    {
        m_store.calls.push_back("DeleteTask");
        if (!m_store.tasks.count(Text(name)))
            return kNotFound;
        if (FAILED(m_store.deleteResult))
            return m_store.deleteResult;
        m_store.tasks.erase(Text(name));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterTask(BSTR path, BSTR xml, LONG flags, VARIANT user, VARIANT password,
                                           TASK_LOGON_TYPE logonType, VARIANT sddl, IRegisteredTask** task) override
    {
        m_store.calls.push_back("RegisterTask");
        if (task)
            *task = nullptr;
        if (FAILED(m_store.registerResult))
            return m_store.registerResult;
        SimTaskStore::Task registered;
        registered.xml = Text(xml);
        registered.flags = flags;
        registered.user = V_VT(&user) == VT_BSTR ? Text(V_BSTR(&user)) : std::wstring();
        registered.passwordGiven = V_VT(&password) != VT_EMPTY && V_VT(&password) != VT_NULL;
        registered.logonType = logonType;
        registered.sddl = V_VT(&sddl) == VT_BSTR ? Text(V_BSTR(&sddl)) : std::wstring();
        m_store.tasks[Text(path)] = registered;
        if (task)
            *task = new SimRegisteredTask(m_store, Text(path));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR, ITaskDefinition*, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE,
                                                     VARIANT, IRegisteredTask** task) override
    {
        return NullOut(task);
    }
    HRESULT STDMETHODCALLTYPE GetSecurityDescriptor(LONG, BSTR* sddl) override { return NullOut(sddl); }
    HRESULT STDMETHODCALLTYPE SetSecurityDescriptor(BSTR, LONG) override { return E_NOTIMPL; }

private:
    SimTaskStore& m_store;
};

class SimTaskService : public SimDispatchObject<ITaskService> {
public:
    explicit SimTaskService(SimTaskStore& store) : m_store(store) {}

    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override
    {
        m_store.calls.push_back("GetFolder");
        if (!folder)
            return E_POINTER;
        *folder = nullptr;
        if (!m_connected)
            return HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED);
        if (FAILED(m_store.getFolderResult))
            return m_store.getFolderResult;
        if (Text(path) != L"\\")
            return kNotFound;
        *folder = new SimTaskFolder(m_store);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRunningTasks(LONG, IRunningTaskCollection** tasks) override { return NullOut(tasks); }
    HRESULT STDMETHODCALLTYPE NewTask(DWORD, ITaskDefinition** definition) override { return NullOut(definition); }
    HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) override
    {
        m_store.calls.push_back("Connect");
        // This computer, as the caller: nothing else is simulated.
        for (const VARIANT* given : {&server, &user, &domain, &password}) {
            if (V_VT(given) != VT_EMPTY)
                return E_INVALIDARG;
        }
        if (FAILED(m_store.connectResult))
            return m_store.connectResult;
        m_connected = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Connected(VARIANT_BOOL* connected) override
    {
        if (!connected)
            return E_POINTER;
        *connected = m_connected ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_TargetServer(BSTR* server) override { return NullOut(server); }
    HRESULT STDMETHODCALLTYPE get_ConnectedUser(BSTR* user) override { return NullOut(user); }
    HRESULT STDMETHODCALLTYPE get_ConnectedDomain(BSTR* domain) override { return NullOut(domain); }
    HRESULT STDMETHODCALLTYPE get_HighestVersion(DWORD* version) override
    {
        if (!version)
            return E_POINTER;
        *version = 0x00010002;  // 1.2, as Windows 7's
        return S_OK;
    }

private:
    SimTaskStore& m_store;
    bool m_connected = false;
};

}  // namespace

IUnknown* NewSimTaskService(SimTaskStore& store)
{
    return static_cast<ITaskService*>(new SimTaskService(store));
}
