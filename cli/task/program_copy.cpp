#include "cli/task/program_copy.h"

#include <algorithm>
#include <vector>

#include "cli/console/file_handle.h"
#include "cli/console/text.h"

namespace {

constexpr DWORD kChunk = 64 * 1024;

HANDLE OpenForReading(const std::wstring& path)
{
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::wstring ErrorText(const TextPart& what, DWORD error)
{
    return Concat({what, " (error ", Decimal(error), ")"});
}

bool CopyBytes(HANDLE from, HANDLE to, std::wstring& problem)
{
    std::vector<char> buffer(kChunk);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(from, buffer.data(), kChunk, &read, nullptr)) {
            problem = ErrorText(L"the program cannot be read", ::GetLastError());
            return false;
        }
        if (read == 0)
            return true;
        DWORD written = 0;
        if (!::WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) {
            problem = ErrorText(L"the copy cannot be written", ::GetLastError());
            return false;
        }
    }
}

}  // namespace

bool PutProgramCopy(const HeldFolder& folder, const std::wstring& source, const std::wstring& name,
                    std::wstring& problem)
{
    const FileHandle from(OpenForReading(source));
    if (!from.Valid()) {
        problem = ErrorText(L"the program cannot be read", ::GetLastError());
        return false;
    }
    const std::wstring target = Concat({folder.Path(), "\\", name});
    const std::wstring partial = Concat({target, ".new"});
    // What an interrupted copy left is removed (a link itself, never what it leads to). The new
    // file takes the folder's protected list.
    (void)::DeleteFileW(partial.c_str());
    const FileHandle to(::CreateFileW(partial.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!to.Valid()) {
        problem = ErrorText(L"the copy cannot be made", ::GetLastError());
        return false;
    }
    if (!CopyBytes(from.Get(), to.Get(), problem)) {
        (void)DeleteOpenFile(to.Get());
        return false;
    }
    if (!::FlushFileBuffers(to.Get()) || !RenameOpenFile(to.Get(), target, true)) {
        const DWORD error = ::GetLastError();
        problem = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                      ? ErrorText("the copy there cannot be replaced while the task runs it: try again when "
                                  "the run has ended",
                                  error)
                      : ErrorText(L"the copy cannot be put in place", error);
        (void)DeleteOpenFile(to.Get());
        return false;
    }
    return true;
}

CopyState CompareCopy(const std::wstring& copy, const std::wstring& original)
{
    const FileHandle first(OpenForReading(copy));
    if (!first.Valid()) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? CopyState::Missing
                                                                             : CopyState::Unreadable;
    }
    const FileHandle second(OpenForReading(original));
    if (!second.Valid())
        return CopyState::Unreadable;
    std::vector<char> a(kChunk), b(kChunk);
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!::ReadFile(first.Get(), a.data(), kChunk, &readA, nullptr) ||
            !::ReadFile(second.Get(), b.data(), kChunk, &readB, nullptr))
            return CopyState::Unreadable;
        if (readA != readB || !std::equal(a.begin(), a.begin() + readA, b.begin()))
            return CopyState::Differs;
        if (readA == 0)
            return CopyState::Same;
    }
}
