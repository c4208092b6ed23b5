#include "cli/program/process_start.h"

void StartProcessSafely()
{
    (void)::SetErrorMode(kProgramErrorMode);
    // Windows 8 and later, and Windows 7 with its update for it, can limit the search; on a
    // Windows 7 without that update, the current folder at least is taken out of it.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDirectories =
        kernel ? reinterpret_cast<SetDirectories>(
                     reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    if (!setDirectories || !setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        (void)::SetDllDirectoryW(L"");
}
