#include "sim/sim_services.h"

#include "platform/com_ptr.h"
#include "sim/sim_faults.h"


void SimServices::AddClass(REFCLSID clsid, Factory factory)
{
    for (auto& entry : m_classes) {
        if (entry.first == clsid) {
            entry.second = std::move(factory);
            return;
        }
    }
    m_classes.emplace_back(clsid, std::move(factory));
}

void SimServices::FailCreation(REFCLSID clsid, HRESULT result)
{
    m_failures.emplace_back(clsid, result);
}

HRESULT SimServices::CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                    void** ppv)
{
    HRESULT result = REGDB_E_CLASSNOTREG;
    if (ppv)
        *ppv = nullptr;
    if (!ppv) {
        result = E_POINTER;
    } else if (outer) {
        result = CLASS_E_NOAGGREGATION;
    } else {
        const HRESULT injected = SimFaults::Check(SimFaults::CreationPoint(clsid));
        bool failed = FAILED(injected);
        if (failed)
            result = injected;
        for (const auto& failure : m_failures) {
            if (failure.first == clsid) {
                result = failure.second;
                failed = true;
            }
        }
        for (const auto& entry : m_classes) {
            if (failed || entry.first != clsid)
                continue;
            ComPtr<IUnknown> object;
            object.Attach(entry.second());
            result = object ? object->QueryInterface(iid, ppv) : E_OUTOFMEMORY;
            break;
        }
    }
    creations.push_back({clsid, context, iid, result});
    return result;
}

int SimServices::CreationsOf(REFCLSID clsid) const
{
    int count = 0;
    for (const Creation& creation : creations)
        count += creation.clsid == clsid;
    return count;
}

std::vector<std::string> SimServices::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const MessageBoxCall& box : messageBoxes)
        texts.push_back(box.text);
    return texts;
}

BSTR SimServices::AllocString(const OLECHAR* text)
{
    if (failAllocationOf && text && *failAllocationOf == text)
        return nullptr;
    if (FAILED(SimFaults::Check("SysAllocString")))
        return nullptr;
    return ::SysAllocString(text);
}

BOOL SimServices::InitCommonControls(const INITCOMMONCONTROLSEX& controls)
{
    commonControls.push_back(controls);
    return TRUE;
}

void SimServices::Sleep(DWORD milliseconds)
{
    sleeps.push_back(milliseconds);
    if (onSleep)
        onSleep(milliseconds);
}

void SimServices::DebugOutput(const char* text)
{
    debugLines.emplace_back(text);
}

int SimServices::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    messageBoxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return messageBoxAnswer;
}
