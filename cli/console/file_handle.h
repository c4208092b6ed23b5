#pragma once
// An open file's handle, closed with its holder, and what is done to a file through its handle
// rather than its name: a name can be made to lead elsewhere between two calls, a handle cannot.
#include <windows.h>

#include <string>

class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~FileHandle() { Reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE);
    // Hands the handle over: the holder no longer closes it.
    HANDLE Detach();

private:
    HANDLE m_handle;
};

// Renames the open file (opened with DELETE access) to the full path given. replace: a file of
// that name is replaced (a link of that name is itself replaced, never what it leads to);
// otherwise the rename fails with ERROR_ALREADY_EXISTS.
bool RenameOpenFile(HANDLE file, const std::wstring& path, bool replace);

// Marks the open file (opened with DELETE access) to be deleted when its last handle closes.
bool DeleteOpenFile(HANDLE file);

// The path made full as Windows makes it (GetFullPathNameW), or as it is when it cannot be.
std::wstring FullPathOf(const std::wstring& path);
