#include "cli/task/task_scheduler.h"

#include "cli/task/task_definition.h"
#include "platform/com_holders.h"
#include "platform/system_services.h"

HRESULT TaskScheduler::Connect()
{
    ComPtr<ITaskService> service;
    HRESULT result = Services().CreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                               reinterpret_cast<void**>(service.ReleaseAndGetAddressOf()));
    if (FAILED(result))
        return result;
    // No server, user, domain or password: this computer, as the user who runs the program.
    VariantHolder none;
    result = service->Connect(*none.Get(), *none.Get(), *none.Get(), *none.Get());
    if (FAILED(result))
        return result;
    BstrHolder root(L"\\");
    if (!root.Get())
        return E_OUTOFMEMORY;
    ComPtr<ITaskFolder> folder;
    result = service->GetFolder(root.Get(), folder.ReleaseAndGetAddressOf());
    if (FAILED(result))
        return result;
    m_service = service;
    m_root = folder;
    return S_OK;
}

namespace {

// A text variant, or false when there is no memory for it.
bool SetText(VariantHolder& variant, const wchar_t* text)
{
    V_VT(variant.Get()) = VT_BSTR;
    V_BSTR(variant.Get()) = ::SysAllocString(text);
    return V_BSTR(variant.Get()) != nullptr;
}

}  // namespace

HRESULT TaskScheduler::Register(const std::wstring& name, const std::wstring& xml, bool system, const wchar_t* sddl)
{
    BstrHolder path(name.c_str()), text(xml.c_str());
    if (!path.Get() || !text.Get())
        return E_OUTOFMEMORY;
    VariantHolder user, none, access;
    if ((system && !SetText(user, kSystemAccount)) || (sddl && !SetText(access, sddl)))
        return E_OUTOFMEMORY;
    ComPtr<IRegisteredTask> registered;
    return m_root->RegisterTask(path.Get(), text.Get(), TASK_CREATE_OR_UPDATE, *user.Get(), *none.Get(),
                                system ? TASK_LOGON_SERVICE_ACCOUNT : TASK_LOGON_INTERACTIVE_TOKEN, *access.Get(),
                                registered.ReleaseAndGetAddressOf());
}

HRESULT TaskScheduler::Find(const std::wstring& name, ComPtr<IRegisteredTask>& task)
{
    BstrHolder path(name.c_str());
    if (!path.Get())
        return E_OUTOFMEMORY;
    return m_root->GetTask(path.Get(), task.ReleaseAndGetAddressOf());
}

HRESULT TaskScheduler::Remove(const std::wstring& name)
{
    BstrHolder path(name.c_str());
    if (!path.Get())
        return E_OUTOFMEMORY;
    return m_root->DeleteTask(path.Get(), 0);
}
