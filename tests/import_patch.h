#pragma once
// Redirects, for this test program only, the import through which its own code calls one function
// of a system DLL, and puts the original back when it goes. It lets a test see calls whose effect
// the platform under test cannot show (drawing outside a visible surface, for one).
#include <windows.h>

#include <cstring>

class ScopedImportPatch {
public:
    ScopedImportPatch(const char* dll, const char* function, const void* replacement)
    {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0)
            return;
        for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name != 0; ++entry) {
            if (::_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0)
                continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                    auto** slot = reinterpret_cast<void**>(&slots->u1.Function);
                    void* original = *slot;
                    if (Write(slot, replacement)) {
                        m_slot = slot;
                        m_original = original;
                    }
                    return;
                }
            }
        }
    }
    ~ScopedImportPatch()
    {
        if (m_slot)
            (void)Write(m_slot, m_original);
    }
    ScopedImportPatch(const ScopedImportPatch&) = delete;
    ScopedImportPatch& operator=(const ScopedImportPatch&) = delete;

    // False when this program does not import the function by name from that DLL.
    bool Installed() const { return m_slot != nullptr; }

    template <class Function>
    Function Original() const
    {
        return reinterpret_cast<Function>(m_original);
    }

private:
    static bool Write(void** slot, const void* address)
    {
        DWORD previous = 0;
        if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous))
            return false;
        *slot = const_cast<void*>(address);
        DWORD unused = 0;
        (void)::VirtualProtect(slot, sizeof *slot, previous, &unused);
        return true;
    }

    void** m_slot = nullptr;
    void* m_original = nullptr;
};
