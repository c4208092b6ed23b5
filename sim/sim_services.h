#pragma once
// A system-services table for tests: objects come from simulated classes registered by the
// test, pauses are recorded instead of slept, debugger lines and message boxes are recorded.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system_services.h"

class SimServices : public SystemServices {
public:
    // Makes a new object with the one reference that creation hands over, or null.
    using Factory = std::function<IUnknown*()>;

    struct Creation {
        GUID clsid;
        DWORD context;
        GUID iid;
        HRESULT result;
    };
    struct MessageBoxCall {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };

    // A class that can be created; registering a class again replaces its factory.
    void AddClass(REFCLSID clsid, Factory factory);
    // Makes every creation of the class fail with the given result, leaving the out-pointer null.
    void FailCreation(REFCLSID clsid, HRESULT result);
    // Drops every factory, and with them any objects they keep for later creations.
    void ForgetClasses() { m_classes.clear(); }

    // Text allocation fails (returns null) for exactly this text (the empty one too), when set.
    std::optional<std::wstring> failAllocationOf;

    std::vector<Creation> creations;
    std::vector<INITCOMMONCONTROLSEX> commonControls;  // registered, not passed on
    std::vector<DWORD> sleeps;
    std::vector<std::string> debugLines;
    std::vector<MessageBoxCall> messageBoxes;
    int messageBoxAnswer = IDOK;
    // Run after each recorded pause, in place of the time passing (a device may appear).
    std::function<void(DWORD)> onSleep;

    // How many creations of the class were asked for.
    int CreationsOf(REFCLSID clsid) const;
    // The texts of the message boxes shown, in order.
    std::vector<std::string> MessageTexts() const;

    HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                           void** ppv) override;
    BSTR AllocString(const OLECHAR* text) override;
    BOOL InitCommonControls(const INITCOMMONCONTROLSEX& controls) override;
    void Sleep(DWORD milliseconds) override;
    void DebugOutput(const char* text) override;
    int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;

private:
    std::vector<std::pair<GUID, Factory>> m_classes;
    std::vector<std::pair<GUID, HRESULT>> m_failures;
};
