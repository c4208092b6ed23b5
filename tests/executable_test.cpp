// What a shipped executable carries: its resources, its machine and subsystem, its imports.
// TESSMOR_EXE names the image; TESSMOR_EXPECT_PROGRAM says which program it must be: "dialog"
// (Tessmor.exe, the default), "console" (tessmorctl.exe) or "windowless" (tessmorctlw.exe, the
// console program built for the Windows subsystem).
#include <gmock/gmock.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "program_under_test.h"

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

std::string ExpectedProgram()
{
    const char* expected = std::getenv("TESSMOR_EXPECT_PROGRAM");
    const std::string program = expected ? expected : "dialog";
    EXPECT_TRUE(program == "dialog" || program == "console" || program == "windowless")
        << "TESSMOR_EXPECT_PROGRAM is dialog, console or windowless";
    return program;
}

// Whether the image must be one of tessmorctl's two builds rather than the dialog program.
bool ConsoleProgram()
{
    return ExpectedProgram() != "dialog";
}

std::string ExpectedFileName()
{
    const std::string program = ExpectedProgram();
    return program == "console" ? "tessmorctl.exe" : program == "windowless" ? "tessmorctlw.exe" : "Tessmor.exe";
}

class ExecutableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryExA(ProgramUnderTest::ExecutablePath().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr) << ProgramUnderTest::ExecutablePath();
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    std::string Resource(LPCSTR type, LPCSTR name) const
    {
        HRSRC found = FindResourceA(m_module, name, type);
        if (!found)
            return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(m_module, found)));
        return std::string(data, SizeofResource(m_module, found));
    }

    HMODULE m_module = nullptr;
};

TEST_F(ExecutableTest, TheIconHasTenImagesOf32Bits)
{
    const std::string group = Resource(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEA(128));
    ASSERT_GE(group.size(), sizeof(GroupIconHeader));
    GroupIconHeader header;
    std::copy_n(group.data(), sizeof header, reinterpret_cast<char*>(&header));
    ASSERT_EQ(header.count, 10);
    ASSERT_EQ(group.size(), sizeof header + header.count * sizeof(GroupIconEntry));
    std::vector<int> sides;
    for (int i = 0; i < header.count; ++i) {
        GroupIconEntry entry;
        std::copy_n(group.data() + sizeof header + i * sizeof entry, sizeof entry,
                    reinterpret_cast<char*>(&entry));
        sides.push_back(entry.width ? entry.width : 256);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32);
        // Each image is one Windows makes an icon of, at its own size: the ones of 48 pixels
        // and more are PNG, which it reads since Vista, the small ones bitmaps.
        std::string image = Resource(MAKEINTRESOURCEA(3) /* RT_ICON */, MAKEINTRESOURCEA(entry.id));
        ASSERT_FALSE(image.empty());
        EXPECT_EQ(image.compare(0, 4, "\x89PNG") == 0, sides.back() >= 48) << sides.back();
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&image[0]), static_cast<DWORD>(image.size()),
                                              TRUE, 0x00030000, sides.back(), sides.back(), LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << sides.back();
        ICONINFO info = {};
        BITMAP colour = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        EXPECT_EQ(GetObjectA(info.hbmColor, sizeof colour, &colour), static_cast<int>(sizeof colour));
        EXPECT_EQ(colour.bmWidth, sides.back());
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_THAT(sides, UnorderedElementsAre(256, 128, 96, 80, 72, 64, 48, 32, 24, 16));
}

TEST_F(ExecutableTest, TheVersionBlockNamesVersion1001)
{
    const std::string path = ProgramUnderTest::ExecutablePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, DWORD(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1252);

    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT chars = 0;
        const std::string key = std::string("\\StringFileInfo\\040904e4\\") + name;
        return VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) && value
                   ? std::string(value)
                   : std::string("(missing)");
    };
    EXPECT_EQ(text("FileVersion"), "1.0.0.1");
    EXPECT_EQ(text("ProductVersion"), "1.0.0.1");
    EXPECT_EQ(text("InternalName"), ExpectedFileName());
    EXPECT_EQ(text("OriginalFilename"), ExpectedFileName());
    for (const char* placeholder : {"CompanyName", "FileDescription", "ProductName", "LegalCopyright"})
        EXPECT_NE(text(placeholder), "(missing)") << placeholder;
}

TEST_F(ExecutableTest, TheManifestAsksOnlyToRunAsInvokedAndOnlyTheDialogProgramHasTheDialog)
{
    const std::string manifest = Resource(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, MAKEINTRESOURCEA(1));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_EQ(manifest.find("<dependency"), std::string::npos);

    const bool dialog = !ConsoleProgram();
    EXPECT_EQ(!Resource(MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(102)).empty(), dialog);
    EXPECT_EQ(!Resource(MAKEINTRESOURCEA(240), MAKEINTRESOURCEA(102)).empty(), dialog);
}

// The manifest as Windows reads it: an activation context made from the image's own manifest,
// asked for the systems it declares and its DPI awareness, element by element.
TEST_F(ExecutableTest, TheManifestNamesWindows7To11AndAsksToBeDrawnAtTheDisplaysScale)
{
    const std::string path = ProgramUnderTest::ExecutablePath();
    const std::wstring source(path.begin(), path.end());
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = source.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    const HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();

    SIZE_T needed = 0;
    (void)QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + sizeof(DWORD));
    ASSERT_TRUE(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, buffer.data(),
                             buffer.size(), &needed));
    // Elements are a GUID and a type, and since Windows 10 also a ULONGLONG (the newest version
    // tested), which aligns the array to 8: the size the answer takes tells which.
    DWORD count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const bool withVersion = count && needed == 8 + 32 * SIZE_T(count);
    const size_t first = withVersion ? 8 : 4, size = withVersion ? 32 : 20;
    ASSERT_GE(needed, first + size * count);
    std::vector<std::string> systems;
    for (DWORD element = 0; element < count; ++element) {
        GUID id;
        DWORD type;
        std::memcpy(&id, buffer.data() + first + size * element, sizeof id);
        std::memcpy(&type, buffer.data() + first + size * element + sizeof id, sizeof type);
        if (type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
            continue;
        char text[40];
        std::snprintf(text, sizeof text, "%08lx-%04x-%04x-%02x%02x", static_cast<unsigned long>(id.Data1), id.Data2,
                      id.Data3, id.Data4[0], id.Data4[1]);
        systems.push_back(text);
    }
    EXPECT_THAT(systems, UnorderedElementsAre("35138b9a-5d96-4fbd-8e2d",    // Windows 7
                                              "4a2f28e3-53b9-4441-ba9c",    // Windows 8
                                              "1f676c76-80e1-4239-95bb",    // Windows 8.1
                                              "8e0f7a12-bfb3-4fe8-b9a5"));  // Windows 10 and 11

    const auto setting = [context](const wchar_t* space, const wchar_t* name) {
        wchar_t value[64] = {};
        SIZE_T written = 0;
        return QueryActCtxSettingsW(0, context, space, name, value, 64, &written) ? std::wstring(value)
                                                                                  : std::wstring(L"(none)");
    };
    // System-aware where only dpiAware is read; per monitor where Windows offers it.
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true");
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, System");
    ReleaseActCtx(context);
}

// The image as a file: its headers, either kind (PE32 for i386, PE32+ for x86-64), and its
// import table, read without loading it, so that a 64-bit test reads a 32-bit image and back.
class PortableImage {
public:
    explicit PortableImage(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    // Where the headers are sound, the machine, the optional header's magic and the subsystem.
    bool Read(WORD& machine, WORD& magic, WORD& subsystem)
    {
        auto dos = At<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE)
            return false;
        m_nt = size_t(dos->e_lfanew);
        auto signature = At<DWORD>(m_nt);
        auto header = At<IMAGE_FILE_HEADER>(m_nt + sizeof(DWORD));
        if (!signature || *signature != IMAGE_NT_SIGNATURE || !header)
            return false;
        machine = header->Machine;
        m_versions.fileCharacteristics = header->Characteristics;
        const size_t optional = m_nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
        auto optionalMagic = At<WORD>(optional);
        if (!optionalMagic)
            return false;
        magic = *optionalMagic;
        m_wide = magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
        DWORD count = 0;
        if (!(m_wide ? ReadOptionalHeader<IMAGE_NT_HEADERS64>(subsystem, count)
                     : ReadOptionalHeader<IMAGE_NT_HEADERS32>(subsystem, count)))
            return false;
        m_sections = optional + header->SizeOfOptionalHeader;
        m_sectionCount = header->NumberOfSections;
        return count > IMAGE_DIRECTORY_ENTRY_IMPORT;
    }

    // Each imported DLL (in lower case) with the functions taken from it by name. The lookup
    // table holds one thunk per function: 4 bytes in PE32, 8 bytes in PE32+.
    std::map<std::string, std::set<std::string>> Imports() const
    {
        std::map<std::string, std::set<std::string>> imports;
        for (size_t at = Offset(m_imports.VirtualAddress); auto descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(at);
             at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            if (descriptor->Name == 0)
                break;
            std::string dll = Text(descriptor->Name);
            std::transform(dll.begin(), dll.end(), dll.begin(), [](char c) { return char(std::tolower(c)); });
            auto& functions = imports[dll];
            const DWORD table = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
            const size_t thunkSize = m_wide ? sizeof(ULONGLONG) : sizeof(DWORD);
            for (size_t thunk = Offset(table);; thunk += thunkSize) {
                ULONGLONG value = 0;
                if (m_wide) {
                    auto entry = At<ULONGLONG>(thunk);
                    if (!entry)
                        break;
                    value = *entry;
                } else {
                    auto entry = At<DWORD>(thunk);
                    if (!entry)
                        break;
                    value = *entry;
                }
                if (value == 0)
                    break;
                const ULONGLONG byOrdinal = m_wide ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32;
                // A name import points at a hint (2 bytes) followed by the name.
                functions.insert(value & byOrdinal ? std::string("#ordinal")
                                                   : Text(DWORD(value & 0x7FFFFFFF) + sizeof(WORD)));
            }
        }
        return imports;
    }

    // What the headers claim of the Windows the image needs, and its protections.
    struct Versions {
        WORD osMajor = 0, osMinor = 0, subsystemMajor = 0, subsystemMinor = 0;
        WORD dllCharacteristics = 0, fileCharacteristics = 0;
        DWORD relocationsSize = 0;  // the base relocations, without which it cannot be moved
    };
    const Versions& Claims() const { return m_versions; }

    const std::string& Bytes() const { return m_bytes; }

private:
    // The fields read from the optional header, which differs between PE32 and PE32+ only in
    // the width of some fields before them.
    template <typename Headers>
    bool ReadOptionalHeader(WORD& subsystem, DWORD& count)
    {
        auto nt = At<Headers>(m_nt);
        if (!nt)
            return false;
        const auto& optional = nt->OptionalHeader;
        subsystem = optional.Subsystem;
        count = optional.NumberOfRvaAndSizes;
        if (count <= IMAGE_DIRECTORY_ENTRY_BASERELOC)
            return false;
        m_imports = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        m_versions.osMajor = optional.MajorOperatingSystemVersion;
        m_versions.osMinor = optional.MinorOperatingSystemVersion;
        m_versions.subsystemMajor = optional.MajorSubsystemVersion;
        m_versions.subsystemMinor = optional.MinorSubsystemVersion;
        m_versions.dllCharacteristics = optional.DllCharacteristics;
        m_versions.relocationsSize = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size;
        return true;
    }

    template <typename T>
    const T* At(size_t offset) const
    {
        if (offset > m_bytes.size() || m_bytes.size() - offset < sizeof(T))
            return nullptr;
        return reinterpret_cast<const T*>(m_bytes.data() + offset);
    }
    size_t Offset(DWORD rva) const
    {
        for (int i = 0; i < m_sectionCount; ++i) {
            auto section = At<IMAGE_SECTION_HEADER>(m_sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (section && rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize)
                return rva - section->VirtualAddress + section->PointerToRawData;
        }
        return m_bytes.size();
    }
    std::string Text(DWORD rva) const
    {
        const size_t at = Offset(rva);
        if (at >= m_bytes.size())
            return "(outside the image)";
        return std::string(m_bytes.c_str() + at);
    }

    std::string m_bytes;
    size_t m_nt = 0, m_sections = 0;
    int m_sectionCount = 0;
    bool m_wide = false;
    IMAGE_DATA_DIRECTORY m_imports = {};
    Versions m_versions;
};

// The machine the image must be built for: the one this test was built for, unless
// TESSMOR_EXPECT_MACHINE names the other (a 64-bit suite checking the 32-bit image).
WORD ExpectedMachine()
{
    const char* expected = std::getenv("TESSMOR_EXPECT_MACHINE");
    if (expected && std::string(expected) == "i386")
        return IMAGE_FILE_MACHINE_I386;
    if (expected && std::string(expected) == "x86-64")
        return IMAGE_FILE_MACHINE_AMD64;
    EXPECT_EQ(expected, nullptr) << "TESSMOR_EXPECT_MACHINE is i386 or x86-64";
#ifdef _WIN64
    return IMAGE_FILE_MACHINE_AMD64;
#else
    return IMAGE_FILE_MACHINE_I386;
#endif
}

TEST(ExecutableImage, IsAProgramOfItsSubsystemForItsMachineThatImportsOnlySystemLibraries)
{
    PortableImage image(ProgramUnderTest::ExecutablePath());
    WORD machine = 0, magic = 0, subsystem = 0;
    ASSERT_TRUE(image.Read(machine, magic, subsystem)) << ProgramUnderTest::ExecutablePath();
    const WORD expected = ExpectedMachine();
    const bool console = ConsoleProgram();
    EXPECT_EQ(machine, expected);
    EXPECT_EQ(magic, expected == IMAGE_FILE_MACHINE_AMD64 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC
                                                          : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    // The windowless build is tessmorctl for the Windows subsystem: Windows gives it no console.
    EXPECT_EQ(subsystem, ExpectedProgram() == "console" ? IMAGE_SUBSYSTEM_WINDOWS_CUI : IMAGE_SUBSYSTEM_WINDOWS_GUI);
    // At most 300 KB for tessmorctl (about 294 KB on 32-bit Windows, where unwinding takes most
    // room), and 192 KB for the dialog program (about 180 KB).
    EXPECT_LE(image.Bytes().size(), (console ? 300u : 192u) * 1024) << "the program is meant to stay small";

    // Windows 7 or later, as the code is built for; loaded at a random address, data not run.
    const auto& claims = image.Claims();
    EXPECT_EQ(claims.osMajor, 6);
    EXPECT_EQ(claims.osMinor, 1);
    EXPECT_EQ(claims.subsystemMajor, 6);
    EXPECT_EQ(claims.subsystemMinor, 1);
    EXPECT_TRUE(claims.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(claims.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
    EXPECT_EQ(bool(claims.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA),
              expected == IMAGE_FILE_MACHINE_AMD64);
    EXPECT_FALSE(claims.fileCharacteristics & IMAGE_FILE_RELOCS_STRIPPED);
    EXPECT_GT(claims.relocationsSize, 0u);

    const auto imports = image.Imports();
    ASSERT_FALSE(imports.empty());
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",    "comctl32.dll",
                                          "ole32.dll",    "oleaut32.dll", "advapi32.dll", "msvcrt.dll",
                                          "shell32.dll"};
    // The console programs run from a task, as SYSTEM too, out of a folder of their own: each DLL
    // they import is one of Windows 7's known DLLs (the values of the Session Manager's KnownDLLs key;
    // later Windows keeps them all), which the loader takes from System32 only, never from the
    // program's folder.
    const std::set<std::string> known = {"advapi32.dll", "clbcatq.dll",  "comdlg32.dll", "gdi32.dll",  "imagehlp.dll",
                                         "imm32.dll",    "kernel32.dll", "lpk.dll",      "msctf.dll",  "msvcrt.dll",
                                         "normaliz.dll", "nsi.dll",      "ole32.dll",    "oleaut32.dll", "psapi.dll",
                                         "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shell32.dll", "shlwapi.dll",
                                         "urlmon.dll",   "user32.dll",   "usp10.dll",    "wininet.dll", "wldap32.dll",
                                         "ws2_32.dll"};
    for (const auto& [dll, functions] : imports) {
        EXPECT_EQ((console ? known : system).count(dll), 1u) << dll;
        EXPECT_FALSE(functions.empty()) << dll;
    }
    // The table is read right (thunks of the image's own width): the calls the program makes
    // are found under the libraries that provide them.
    auto imported = [&](const char* dll, const char* function) {
        auto found = imports.find(dll);
        return found != imports.end() && found->second.count(function) == 1;
    };
    EXPECT_TRUE(imported("ole32.dll", "CoCreateInstance"));
    EXPECT_TRUE(imported("ole32.dll", "CoInitializeEx"));
    EXPECT_TRUE(imported("oleaut32.dll", "SysFreeString"));
    if (console) {
        // Nothing that makes a window or a dialog is even linked in: a script never waits on one.
        for (const char* maker : {"CreateWindowExA", "CreateWindowExW", "CreateDialogIndirectParamA",
                                  "CreateDialogParamA", "DialogBoxParamA", "DialogBoxIndirectParamA"})
            EXPECT_FALSE(imported("user32.dll", maker)) << maker;
        EXPECT_TRUE(imported("kernel32.dll", "WriteFile"));
        // Each entry point sets the error mode that keeps the system's error boxes away: a
        // windowless run has nobody to press OK.
        EXPECT_TRUE(imported("kernel32.dll", "SetErrorMode"));
    } else {
        EXPECT_TRUE(imported("comctl32.dll", "InitCommonControlsEx"));
        EXPECT_TRUE(imported("user32.dll", "CreateDialogIndirectParamA"));
    }

    // Nothing of the simulated platform: neither its registry home nor its card's class id.
    EXPECT_EQ(image.Bytes().find("TessmorSim"), std::string::npos);
    const GUID simulatedTuner = {0x1f406697, 0x02f4, 0x4485, {0x9d, 0xf9, 0x6e, 0xca, 0x38, 0xdf, 0x98, 0xa2}};
    EXPECT_EQ(image.Bytes().find(std::string(reinterpret_cast<const char*>(&simulatedTuner), sizeof simulatedTuner)),
              std::string::npos);
}

}  // namespace
