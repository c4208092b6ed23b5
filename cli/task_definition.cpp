#include "cli/task_definition.h"

#include "cli/text.h"

const wchar_t kSystemAccount[] = L"S-1-5-18";

// Windows writes event 1 of the power troubleshooter to the System log each time it has
// returned from sleep or hibernation (Windows 7 and later alike).
const wchar_t kResumeEventQuery[] =
    L"<QueryList><Query Id=\"0\" Path=\"System\"><Select Path=\"System\">"
    L"*[System[Provider[@Name='Microsoft-Windows-Power-Troubleshooter'] and EventID=1]]"
    L"</Select></Query></QueryList>";

namespace {

// One element with its (already escaped) content, indented to its depth.
std::wstring Element(int depth, const wchar_t* name, const std::wstring& content)
{
    return std::wstring(size_t(depth) * 2, L' ') + L"<" + name + L">" + content + L"</" + name + L">\n";
}

std::wstring Value(int depth, const wchar_t* name, const std::wstring& text)
{
    return Element(depth, name, XmlEscaped(text));
}

std::wstring Open(int depth, const std::wstring& tag)
{
    return std::wstring(size_t(depth) * 2, L' ') + L"<" + tag + L">\n";
}

std::wstring Close(int depth, const wchar_t* name)
{
    return std::wstring(size_t(depth) * 2, L' ') + L"</" + name + L">\n";
}

std::wstring Triggers(const AutostartTask& task)
{
    std::wstring xml = Open(1, L"Triggers");
    if (task.system) {
        xml += Open(2, L"BootTrigger") + Value(3, L"Enabled", L"true") + Close(2, L"BootTrigger");
    } else {
        // The current user's logon only: another user's logon must not change the modes under them.
        xml += Open(2, L"LogonTrigger") + Value(3, L"Enabled", L"true") + Value(3, L"UserId", task.user) +
               Close(2, L"LogonTrigger");
    }
    if (task.resume) {
        xml += Open(2, L"EventTrigger") + Value(3, L"Enabled", L"true") +
               Value(3, L"Subscription", kResumeEventQuery) + Close(2, L"EventTrigger");
    }
    return xml + Close(1, L"Triggers");
}

std::wstring Principal(const AutostartTask& task)
{
    std::wstring xml = Open(1, L"Principals") + Open(2, L"Principal id=\"Author\"");
    if (task.system) {
        xml += Value(3, L"UserId", kSystemAccount) + Value(3, L"RunLevel", L"HighestAvailable");
    } else {
        // The user's own rights, while they are logged on: no password is stored and no
        // administrator is needed.
        xml += Value(3, L"UserId", task.user) + Value(3, L"LogonType", L"InteractiveToken") +
               Value(3, L"RunLevel", L"LeastPrivilege");
    }
    return xml + Close(2, L"Principal") + Close(1, L"Principals");
}

std::wstring Settings(const AutostartTask& task)
{
    return Open(1, L"Settings") +
           // A run still waiting for the driver is enough: a second one would only compete with it.
           Value(2, L"MultipleInstancesPolicy", L"IgnoreNew") +
           // A TV PC on a battery, or a laptop with a card, needs its modes all the same.
           Value(2, L"DisallowStartIfOnBatteries", L"false") + Value(2, L"StopIfGoingOnBatteries", L"false") +
           Value(2, L"AllowHardTerminate", L"true") + Value(2, L"StartWhenAvailable", L"false") +
           Value(2, L"RunOnlyIfNetworkAvailable", L"false") +
           Open(2, L"IdleSettings") + Value(3, L"StopOnIdleEnd", L"false") + Value(3, L"RestartOnIdle", L"false") +
           Close(2, L"IdleSettings") +
           Value(2, L"AllowStartOnDemand", L"true") + Value(2, L"Enabled", L"true") + Value(2, L"Hidden", L"false") +
           Value(2, L"RunOnlyIfIdle", L"false") + Value(2, L"WakeToRun", L"false") +
           // A run that hangs in a driver call is ended.
           Value(2, L"ExecutionTimeLimit", DurationText(task.timeLimitSeconds)) + Value(2, L"Priority", L"7") +
           Close(1, L"Settings");
}

}  // namespace

std::wstring XmlEscaped(const std::wstring& text)
{
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
        case L'&':
            escaped += L"&amp;";
            break;
        case L'<':
            escaped += L"&lt;";
            break;
        case L'>':
            escaped += L"&gt;";
            break;
        case L'"':
            escaped += L"&quot;";
            break;
        case L'\'':
            escaped += L"&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::wstring DurationText(DWORD seconds)
{
    const DWORD hours = seconds / 3600, minutes = seconds / 60 % 60, rest = seconds % 60;
    std::wstring text = L"PT";
    if (hours)
        text += Decimal(hours) + L"H";
    if (minutes)
        text += Decimal(minutes) + L"M";
    if (rest || seconds == 0)
        text += Decimal(rest) + L"S";
    return text;
}

std::wstring TaskDefinitionXml(const AutostartTask& task)
{
    const std::wstring description =
        std::wstring(L"Sets the demodulator modes of the VKO 8317 card's tuners ") +
        (task.system ? L"at system start" : L"at logon") + (task.resume ? L" and on resume from sleep" : L"") +
        L", with tessmorctlw.exe.";
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n" +
           Open(1, L"RegistrationInfo") + Value(2, L"Author", task.user) + Value(2, L"Description", description) +
           Close(1, L"RegistrationInfo") + Triggers(task) + Principal(task) + Settings(task) +
           Open(1, L"Actions Context=\"Author\"") + Open(2, L"Exec") + Value(3, L"Command", task.program) +
           Value(3, L"Arguments", task.arguments) + Value(3, L"WorkingDirectory", task.folder) + Close(2, L"Exec") +
           Close(1, L"Actions") + L"</Task>\n";
}
