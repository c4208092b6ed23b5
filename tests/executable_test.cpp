// What the shipped executable carries: its resources, its machine and subsystem, its imports.
#include <gmock/gmock.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
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
        EXPECT_FALSE(Resource(MAKEINTRESOURCEA(3) /* RT_ICON */, MAKEINTRESOURCEA(entry.id)).empty());
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
    EXPECT_EQ(text("InternalName"), "Tessmor.exe");
    EXPECT_EQ(text("OriginalFilename"), "Tessmor.exe");
    for (const char* placeholder : {"CompanyName", "FileDescription", "ProductName", "LegalCopyright"})
        EXPECT_NE(text(placeholder), "(missing)") << placeholder;
}

TEST_F(ExecutableTest, TheManifestAsksOnlyToRunAsInvokedAndTheDialogIsThere)
{
    const std::string manifest = Resource(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, MAKEINTRESOURCEA(1));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_EQ(manifest.find("<dependency"), std::string::npos);

    EXPECT_FALSE(Resource(MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(102)).empty());
    EXPECT_FALSE(Resource(MAKEINTRESOURCEA(240), MAKEINTRESOURCEA(102)).empty());
}

TEST(ExecutableImage, IsA32BitGuiProgramThatImportsOnlySystemLibraries)
{
    std::ifstream file(ProgramUnderTest::ExecutablePath(), std::ios::binary);
    ASSERT_TRUE(file) << ProgramUnderTest::ExecutablePath();
    const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LT(size_t(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), image.size());
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    // The import directory, found through the section that holds it.
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto sections = IMAGE_FIRST_SECTION(nt);
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto& section = sections[i];
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return image.size();
    };
    std::vector<std::string> dlls;
    for (size_t at = fileOffset(imports.VirtualAddress);
         at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= image.size(); at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + at);
        if (descriptor->Name == 0)
            break;
        const size_t name = fileOffset(descriptor->Name);
        ASSERT_LT(name, image.size());
        std::string dll(image.c_str() + name);
        std::transform(dll.begin(), dll.end(), dll.begin(), [](char c) { return std::tolower(c); });
        dlls.push_back(dll);
    }
    ASSERT_FALSE(dlls.empty());

    // Nothing of the simulated platform: neither its registry home nor its card's class id.
    EXPECT_EQ(image.find("TessmorSim"), std::string::npos);
    const GUID simulatedTuner = {0x1f406697, 0x02f4, 0x4485, {0x9d, 0xf9, 0x6e, 0xca, 0x38, 0xdf, 0x98, 0xa2}};
    EXPECT_EQ(image.find(std::string(reinterpret_cast<const char*>(&simulatedTuner), sizeof simulatedTuner)),
              std::string::npos);
    const std::vector<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll",
                                             "ole32.dll",    "oleaut32.dll", "advapi32.dll", "msvcrt.dll",
                                             "shell32.dll"};
    for (const std::string& dll : dlls)
        EXPECT_NE(std::find(system.begin(), system.end(), dll), system.end()) << dll;
}

}  // namespace
