#include "sim/server/sim_registry.h"

#include <vector>

namespace SimRegistry {

namespace {

bool Read(const char* key, const char* name, DWORD type, std::vector<BYTE>& data)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    DWORD found = 0;
    DWORD size = 0;
    bool ok = ::RegQueryValueExA(opened, name, nullptr, &found, nullptr, &size) == ERROR_SUCCESS &&
              found == type;
    if (ok) {
        data.resize(size);
        ok = ::RegQueryValueExA(opened, name, nullptr, nullptr, data.data(), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    ::RegCloseKey(opened);
    return ok;
}

void Write(const char* key, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                          nullptr) != ERROR_SUCCESS)
        return;
    (void)::RegSetValueExA(created, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(created);
}

}  // namespace

DWORD ReadNumber(const char* key, const char* name, DWORD fallback)
{
    std::vector<BYTE> data;
    if (!Read(key, name, REG_DWORD, data) || data.size() != sizeof(DWORD))
        return fallback;
    DWORD value;
    std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&value));
    return value;
}

std::wstring ReadText(const char* key, const char* name, const std::wstring& fallback)
{
    HKEY opened = nullptr;
    const std::wstring wideKey(key, key + lstrlenA(key));
    const std::wstring wideName(name, name + lstrlenA(name));
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, wideKey.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return fallback;
    DWORD type = 0;
    DWORD size = 0;
    std::wstring value = fallback;
    if (::RegQueryValueExW(opened, wideName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
        if (::RegQueryValueExW(opened, wideName.c_str(), nullptr, nullptr,
                               reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS)
            value = text.data();
    }
    ::RegCloseKey(opened);
    return value;
}

bool ReadBytes(const char* key, const char* name, BYTE* bytes, DWORD count)
{
    std::vector<BYTE> data;
    if (!Read(key, name, REG_BINARY, data) || data.size() != count)
        return false;
    std::copy(data.begin(), data.end(), bytes);
    return true;
}

void WriteNumber(const char* key, const char* name, DWORD value)
{
    Write(key, name, REG_DWORD, &value, sizeof value);
}

void WriteText(const char* key, const char* name, const std::wstring& value)
{
    HKEY created = nullptr;
    const std::wstring wideKey(key, key + lstrlenA(key));
    const std::wstring wideName(name, name + lstrlenA(name));
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, wideKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          &created, nullptr) != ERROR_SUCCESS)
        return;
    (void)::RegSetValueExW(created, wideName.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(created);
}

void WriteBytes(const char* key, const char* name, const BYTE* bytes, DWORD count)
{
    Write(key, name, REG_BINARY, bytes, count);
}

void Delete(const char* key)
{
    (void)::RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    (void)::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
}

}  // namespace SimRegistry

SimScenario SimScenario::Read()
{
    using namespace SimRegistry;
    SimScenario scenario;
    scenario.cardPresent = ReadNumber(kScenario, "CardPresent", 1) != 0;
    scenario.getFails = ReadNumber(kScenario, "GetFails", 0) != 0;
    scenario.setFails = ReadNumber(kScenario, "SetFails", 0) != 0;
    scenario.setIgnored = ReadNumber(kScenario, "SetIgnored", 0) != 0;
    scenario.transportInformationPresent = ReadNumber(kScenario, "TransportInformation", 1) != 0;
    scenario.input0Present = ReadNumber(kScenario, "Input0", 1) != 0;
    scenario.input0HasPropertySet = ReadNumber(kScenario, "Input0PropertySet", 1) != 0;
    scenario.captureDelayMilliseconds = ReadNumber(kScenario, "CaptureDelay", 0);
    scenario.captureOpensOnce = ReadNumber(kScenario, "CaptureOpensOnce", 0) != 0;
    scenario.tunerDelayMilliseconds = ReadNumber(kScenario, "TunerDelay", 0);
    scenario.setDelayMilliseconds = ReadNumber(kScenario, "SetDelay", 0);
    scenario.setTuners = ReadText(kScenario, "SetTuners", L"01");
    scenario.supportedNetworks = ReadText(kScenario, "SupportedNetworks", L"STC");
    return scenario;
}

void SimScenario::Write() const
{
    using namespace SimRegistry;
    Delete(kScenario);
    WriteNumber(kScenario, "CardPresent", cardPresent);
    WriteNumber(kScenario, "GetFails", getFails);
    WriteNumber(kScenario, "SetFails", setFails);
    WriteNumber(kScenario, "SetIgnored", setIgnored);
    WriteNumber(kScenario, "TransportInformation", transportInformationPresent);
    WriteNumber(kScenario, "Input0", input0Present);
    WriteNumber(kScenario, "Input0PropertySet", input0HasPropertySet);
    WriteNumber(kScenario, "CaptureDelay", captureDelayMilliseconds);
    WriteNumber(kScenario, "CaptureOpensOnce", captureOpensOnce);
    WriteNumber(kScenario, "TunerDelay", tunerDelayMilliseconds);
    WriteNumber(kScenario, "SetDelay", setDelayMilliseconds);
    WriteText(kScenario, "SetTuners", setTuners);
    WriteText(kScenario, "SupportedNetworks", supportedNetworks);
}
