#include "cli/task/task_definition.h"

#include <algorithm>
#include <iterator>

#include "cli/task/device_start.h"
#include "cli/console/text.h"

const wchar_t kTaskProgram[] = L"tessmorctlw.exe";
const wchar_t kSystemAccount[] = L"S-1-5-18";

// Windows writes event 1 of the power troubleshooter to the System log each time it has
// returned from sleep or hibernation (Windows 7 and later alike).
const wchar_t kResumeEventQuery[] =
    L"<QueryList><Query Id=\"0\" Path=\"System\"><Select Path=\"System\">"
    L"*[System[Provider[@Name='Microsoft-Windows-Power-Troubleshooter'] and EventID=1]]"
    L"</Select></Query></QueryList>";

namespace {

// The definition written element by element into one text, each line indented to its depth.
class XmlText {
public:
    explicit XmlText(std::wstring& text) : m_text(text) {}

    // An element that holds others, and its end.
    void Open(const wchar_t* tag)
    {
        Indent();
        m_text.append(L"<").append(tag).append(L">\n");
        ++m_depth;
    }
    void Close(const wchar_t* name)
    {
        --m_depth;
        Indent();
        m_text.append(L"</").append(name).append(L">\n");
    }
    // An element that holds text, escaped here.
    void Value(const wchar_t* name, const std::wstring& text)
    {
        Indent();
        m_text.append(L"<").append(name).append(L">").append(XmlEscaped(text)).append(L"</").append(name).append(L">\n");
    }

private:
    void Indent() { m_text.append(size_t(m_depth) * 2, L' '); }

    std::wstring& m_text;
    int m_depth = 1;
};

void Triggers(XmlText& xml, const AutostartTask& task)
{
    xml.Open(L"Triggers");
    if (task.system) {
        xml.Open(L"BootTrigger");
        xml.Value(L"Enabled", L"true");
        xml.Close(L"BootTrigger");
    } else {
        // The current user's logon only: another user's logon must not change the modes under them.
        xml.Open(L"LogonTrigger");
        xml.Value(L"Enabled", L"true");
        xml.Value(L"UserId", task.user);
        xml.Close(L"LogonTrigger");
    }
    if (task.resume) {
        xml.Open(L"EventTrigger");
        xml.Value(L"Enabled", L"true");
        xml.Value(L"Subscription", kResumeEventQuery);
        xml.Close(L"EventTrigger");
    }
    if (!task.deviceStart.empty()) {
        xml.Open(L"EventTrigger");
        xml.Value(L"Enabled", L"true");
        xml.Value(L"Subscription", DeviceStartQuery(task.deviceStart));
        // The driver that has just started may not answer at once.
        xml.Value(L"Delay", L"PT5S");
        xml.Close(L"EventTrigger");
    }
    xml.Close(L"Triggers");
}

void Principal(XmlText& xml, const AutostartTask& task)
{
    xml.Open(L"Principals");
    xml.Open(L"Principal id=\"Author\"");
    if (task.system) {
        xml.Value(L"UserId", kSystemAccount);
        xml.Value(L"RunLevel", L"HighestAvailable");
    } else {
        // The user's own rights, while they are logged on: no password is stored and no
        // administrator is needed.
        xml.Value(L"UserId", task.user);
        xml.Value(L"LogonType", L"InteractiveToken");
        xml.Value(L"RunLevel", L"LeastPrivilege");
    }
    xml.Close(L"Principal");
    xml.Close(L"Principals");
}

void Settings(XmlText& xml, const AutostartTask& task)
{
    static const wchar_t* const kFixed[][2] = {
        // A run still waiting for the driver is enough: a second one would only compete with it.
        {L"MultipleInstancesPolicy", L"IgnoreNew"},
        // A TV PC on a battery, or a laptop with a card, needs its modes all the same.
        {L"DisallowStartIfOnBatteries", L"false"},
        {L"StopIfGoingOnBatteries", L"false"},
        {L"AllowHardTerminate", L"true"},
        {L"StartWhenAvailable", L"false"},
        {L"RunOnlyIfNetworkAvailable", L"false"},
        {L"AllowStartOnDemand", L"true"},
        {L"Enabled", L"true"},
        {L"Hidden", L"false"},
        {L"RunOnlyIfIdle", L"false"},
        {L"WakeToRun", L"false"},
    };
    xml.Open(L"Settings");
    for (const auto& setting : kFixed)
        xml.Value(setting[0], setting[1]);
    xml.Open(L"IdleSettings");
    xml.Value(L"StopOnIdleEnd", L"false");
    xml.Value(L"RestartOnIdle", L"false");
    xml.Close(L"IdleSettings");
    // A run that hangs in a driver call is ended.
    xml.Value(L"ExecutionTimeLimit", DurationText(task.timeLimitSeconds));
    xml.Value(L"Priority", L"7");
    xml.Close(L"Settings");
}

}  // namespace

std::wstring XmlEscaped(const std::wstring& text)
{
    static const struct {
        wchar_t character;
        const wchar_t* entity;
    } kEntities[] = {{L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}, {L'"', L"&quot;"}, {L'\'', L"&apos;"}};
    std::wstring escaped;
    for (wchar_t c : text) {
        const auto* entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                          [c](const auto& known) { return known.character == c; });
        if (entity != std::end(kEntities))
            escaped += entity->entity;
        else
            escaped += c;
    }
    return escaped;
}

std::wstring DurationText(DWORD seconds)
{
    const DWORD hours = seconds / 3600, minutes = seconds / 60 % 60, rest = seconds % 60;
    std::wstring text = L"PT";
    if (hours)
        text += Concat({Decimal(hours), "H"});
    if (minutes)
        text += Concat({Decimal(minutes), "M"});
    if (rest || seconds == 0)
        text += Concat({Decimal(rest), "S"});
    return text;
}

std::wstring TaskDefinitionXml(const AutostartTask& task)
{
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n";
    XmlText xml(text);
    xml.Open(L"RegistrationInfo");
    xml.Value(L"Author", task.user);
    xml.Value(L"Description", Concat({std::wstring(Ascii("Sets the demodulator modes of the VKO 8317 card's tuners ")),
                                          (task.system ? L"at system start" : L"at logon"),
                                          (task.resume ? L" and on resume from sleep" : L""),
                                          (task.deviceStart.empty() ? L"" : L" and when its driver starts"),
                                          ", with tessmorctlw.exe."}));
    xml.Close(L"RegistrationInfo");
    Triggers(xml, task);
    Principal(xml, task);
    Settings(xml, task);
    xml.Open(L"Actions Context=\"Author\"");
    xml.Open(L"Exec");
    xml.Value(L"Command", task.program);
    xml.Value(L"Arguments", task.arguments);
    xml.Value(L"WorkingDirectory", task.folder);
    xml.Close(L"Exec");
    xml.Close(L"Actions");
    return Concat({text, "</Task>\n"});
}
