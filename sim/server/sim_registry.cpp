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

std::string GuidText(const GUID& guid)
{
    wchar_t wide[40] = {};
    (void)::StringFromGUID2(guid, wide, 40);
    char text[40] = {};
    (void)::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

}  // namespace SimRegistry

// The tuner's above {1F406697-...}, the first card's tuner, and the receiver's below
// {18EBBCBD-...}, its receiver: the device enumerator lists a category's devices in the order
// of their class ids, so that the two cards are listed crossed.
const GUID CLSID_SimSecondTuner = {0x2f406697, 0x02f4, 0x4485, {0x9d, 0xf9, 0x6e, 0xca, 0x38, 0xdf, 0x98, 0xa3}};
const GUID CLSID_SimSecondCapture = {0x08ebbcbd, 0x7cbe, 0x4c7c, {0x9a, 0x12, 0xc0, 0xec, 0xdc, 0x01, 0xc8, 0x57}};
const char kSecondTunerPath[] = "\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&3a5e91d2&0&00e6"
                                "#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e01}";
const char kSecondCapturePath[] = "\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&3a5e91d2&0&00e6"
                                  "#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e02}";

namespace {

// A device of the second card in its category, as the server registers the first card's.
void ListSecondCardDevice(const GUID& category, const GUID& clsid, const wchar_t* name, const char* path, bool listed)
{
    const std::string key = "Software\\Classes\\CLSID\\" + SimRegistry::GuidText(category) + "\\Instance\\" + SimRegistry::GuidText(clsid);
    SimRegistry::Delete(key.c_str());
    if (!listed)
        return;
    SimRegistry::WriteText(key.c_str(), "FriendlyName", name);
    const std::string id = SimRegistry::GuidText(clsid);
    SimRegistry::WriteText(key.c_str(), "CLSID", std::wstring(id.begin(), id.end()));
    SimRegistry::WriteText(key.c_str(), "DevicePath", std::wstring(path, path + lstrlenA(path)));
}

}  // namespace

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
    scenario.cards = ReadNumber(kScenario, "Cards", 1);
    scenario.secondSupportedNetworks = ReadText(kScenario, "SecondSupportedNetworks", L"STC");
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
    WriteNumber(kScenario, "Cards", cards);
    WriteText(kScenario, "SecondSupportedNetworks", secondSupportedNetworks);
    const GUID tuners = {0x71985F48, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};
    const GUID receivers = {0xFD0A5AF4, 0xB41D, 0x11D2, {0x9C, 0x95, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};
    ListSecondCardDevice(tuners, CLSID_SimSecondTuner, L"VKO 8317 Tuner 0", kSecondTunerPath, cards >= 2);
    ListSecondCardDevice(receivers, CLSID_SimSecondCapture, L"VKO 8317 Capture 0", kSecondCapturePath, cards >= 2);
}
