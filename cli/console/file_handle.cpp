#include "cli/console/file_handle.h"

#include <vector>

void FileHandle::Reset(HANDLE handle)
{
    if (m_handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_handle);
    m_handle = handle;
}

HANDLE FileHandle::Detach()
{
    const HANDLE handle = m_handle;
    m_handle = INVALID_HANDLE_VALUE;
    return handle;
}

bool RenameOpenFile(HANDLE file, const std::wstring& path, bool replace)
{
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + path.size() * sizeof(wchar_t));
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    path.copy(rename->FileName, path.size());
    return ::SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool DeleteOpenFile(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

std::wstring FullPathOf(const std::wstring& path)
{
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return path;
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
    if (written == 0 || written >= length)
        return path;
    full.resize(written);
    return full;
}
