#include "cli/task/device_start.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include <vector>

#include "cli/task/task_definition.h"
#include "cli/console/text.h"

const wchar_t kDeviceStartChannel[] = L"Microsoft-Windows-Kernel-PnP/Configuration";

namespace {

const wchar_t kIdBefore[] = L"*[EventData[Data[@Name='DeviceInstanceId']='";
const wchar_t kIdAfter[] = L"']]";

wchar_t UpperAscii(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c;
}

// The text with the XML entities the query's own escaping makes turned back.
std::wstring Unescaped(std::wstring text)
{
    static const std::pair<const wchar_t*, wchar_t> kEntities[] = {
        {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&quot;", L'"'}, {L"&apos;", L'\''}, {L"&amp;", L'&'}};
    for (const auto& entity : kEntities) {
        const std::wstring name = entity.first;
        for (size_t at = text.find(name); at != std::wstring::npos; at = text.find(name, at + 1))
            text.replace(at, name.size(), 1, entity.second);
    }
    return text;
}

}  // namespace

bool HasDeviceStartChannel()
{
    // The channels' configuration is in the 64-bit view of the registry, whichever program reads it.
    HKEY key = nullptr;
    const LONG opened =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                        (std::wstring(Ascii("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\")) +
                         kDeviceStartChannel).c_str(),
                        0, KEY_READ | KEY_WOW64_64KEY, &key);
    if (opened != ERROR_SUCCESS)
        return false;
    (void)::RegCloseKey(key);
    return true;
}

std::wstring InstanceIdFromPath(const std::wstring& devicePath)
{
    const std::wstring prefix = L"\\\\?\\";
    const size_t end = devicePath.find(L"#{");
    if (devicePath.compare(0, prefix.size(), prefix) != 0 || end == std::wstring::npos || end <= prefix.size())
        return {};
    std::wstring id = devicePath.substr(prefix.size(), end - prefix.size());
    for (wchar_t& c : id)
        c = c == L'#' ? L'\\' : UpperAscii(c);
    return id;
}

std::wstring DeviceInstanceIdOf(const std::wstring& devicePath)
{
    std::wstring id;
    const HDEVINFO devices = ::SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (devices == INVALID_HANDLE_VALUE)
        return InstanceIdFromPath(devicePath);
    SP_DEVICE_INTERFACE_DATA deviceInterface = {sizeof deviceInterface, {}, 0, 0};
    SP_DEVINFO_DATA device = {sizeof device, {}, 0, 0};
    DWORD size = 0;
    if (::SetupDiOpenDeviceInterfaceW(devices, devicePath.c_str(), 0, &deviceInterface)) {
        (void)::SetupDiGetDeviceInterfaceDetailW(devices, &deviceInterface, nullptr, 0, &size, &device);
        std::vector<wchar_t> text(MAX_DEVICE_ID_LEN + 1);
        if (device.DevInst &&
            ::SetupDiGetDeviceInstanceIdW(devices, &device, text.data(), static_cast<DWORD>(text.size()), nullptr))
            id = text.data();
    }
    (void)::SetupDiDestroyDeviceInfoList(devices);
    return id.empty() ? InstanceIdFromPath(devicePath) : id;
}

std::wstring DeviceStartQuery(const std::wstring& instanceId)
{
    const std::wstring channel = kDeviceStartChannel;
    return Concat({"<QueryList><Query Id=\"0\" Path=\"", channel, "\"><Select Path=\"", channel, "\">",
                   "*[System[Provider[@Name='Microsoft-Windows-Kernel-PnP'] and EventID=410]] and ", kIdBefore,
                   XmlEscaped(instanceId), kIdAfter, "</Select></Query></QueryList>"});
}

std::wstring DeviceStartQueryId(const std::wstring& query)
{
    if (query.find(Concat({std::wstring(L"Path=\""), kDeviceStartChannel, "\""})) == std::wstring::npos ||
        query.find(L"EventID=410") == std::wstring::npos)
        return {};
    const size_t start = query.find(kIdBefore);
    if (start == std::wstring::npos)
        return {};
    const size_t from = start + std::wstring(kIdBefore).size();
    const size_t end = query.find(kIdAfter, from);
    return end == std::wstring::npos ? std::wstring() : Unescaped(query.substr(from, end - from));
}
