#include "cli/console/log_file.h"

#include <vector>

#include "cli/console/file_handle.h"
#include "cli/console/text.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

// Others may read the log, append to it or rotate it while a run has it open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Appending and reading its attributes. Renaming it takes a second handle, for that moment only:
// a run that held the right to delete its log would keep others (an editor) from opening it.
constexpr DWORD kLogAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

std::wstring ErrorText(DWORD error)
{
    return Concat({"cannot be opened for appending (error ", Decimal(error),
                   "): check that its folder exists and may be written to, and that it names a file"});
}

// What is at the path, read without following a link; false when nothing can be opened there.
bool AttributesAt(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& file)
{
    const HANDLE handle = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool read = ::GetFileInformationByHandle(handle, &file) != FALSE;
    ::CloseHandle(handle);
    return read;
}

// Renames the open log to FILE.1 through a handle to the same file. Another run that renamed the
// same file first leaves nothing to do.
bool RotateOpenFile(HANDLE file, const std::wstring& rotated)
{
    const FileHandle renamer(::ReOpenFile(file, DELETE | SYNCHRONIZE, kShareAll, 0));
    return renamer.Valid() && RenameOpenFile(renamer.Get(), rotated, true);
}

// Makes the log, with its byte-order mark, under a name of its own first and then under its
// name, so that no other run appends to it before the mark. False when another run made it
// first (nothing to say) or it cannot be made (opening's problem says why).
bool MakeLog(const std::wstring& path, LogFileOpening& opening)
{
    const std::wstring partial =
        Concat({path, ".", Decimal(::GetCurrentProcessId()), "-", Decimal(::GetCurrentThreadId()), ".new"});
    // Made with the right to rename it, which the handle the run keeps does not hold.
    FileHandle made(::CreateFileW(partial.c_str(), kLogAccess | DELETE, kShareAll, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!made.Valid()) {
        opening.problem = ErrorText(::GetLastError());
        return false;
    }
    DWORD written = 0;
    if (!::WriteFile(made.Get(), kByteOrderMark, 3, &written, nullptr) || written != 3 ||
        !RenameOpenFile(made.Get(), path, false)) {
        const DWORD error = ::GetLastError();
        (void)DeleteOpenFile(made.Get());
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            opening.problem = ErrorText(error);
        return false;
    }
    opening.file = ::ReOpenFile(made.Get(), kLogAccess, kShareAll, 0);
    if (opening.file == INVALID_HANDLE_VALUE) {
        opening.problem = ErrorText(::GetLastError());
        return false;
    }
    opening.created = true;
    return true;
}

// Whether the file at the path, read without following a link, is the one described.
bool StillAt(const std::wstring& path, const BY_HANDLE_FILE_INFORMATION& file)
{
    BY_HANDLE_FILE_INFORMATION there = {};
    return AttributesAt(path, there) && there.dwVolumeSerialNumber == file.dwVolumeSerialNumber &&
           there.nFileIndexHigh == file.nFileIndexHigh && there.nFileIndexLow == file.nFileIndexLow;
}

ULONGLONG SizeOf(const BY_HANDLE_FILE_INFORMATION& file)
{
    return (ULONGLONG(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
}

}  // namespace

std::wstring LogFileRefusal(const BY_HANDLE_FILE_INFORMATION& file)
{
    if (file.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Ascii("is a link (a symbolic link, a junction or another reparse point): a log is never written through "
               "one");
    if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Ascii("is a folder: give the log the name of a file in it");
    if (file.nNumberOfLinks > 1)
        return Concat({"has ", Decimal(file.nNumberOfLinks),
                       " names (hard links): a log is written only to a file of one name"});
    return {};
}

LogFileOpening OpenLogFile(const std::wstring& name)
{
    LogFileOpening opening;
    const std::wstring path = FullPathOf(name);
    // A rotation, or a log that another run makes at the same moment, leaves one more opening to
    // do; the last one takes the log as it finds it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        FileHandle file(::CreateFileW(path.c_str(), kLogAccess, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.Valid()) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                if (MakeLog(path, opening) || !opening.problem.empty())
                    return opening;
                continue;  // another run made it first
            }
            // A folder cannot be opened as a file: say what it is rather than the error's number.
            BY_HANDLE_FILE_INFORMATION there = {};
            opening.problem = AttributesAt(path, there) && !LogFileRefusal(there).empty() ? LogFileRefusal(there)
                                                                                          : ErrorText(error);
            return opening;
        }
        BY_HANDLE_FILE_INFORMATION info = {};
        if (!::GetFileInformationByHandle(file.Get(), &info)) {
            opening.problem = ErrorText(::GetLastError());
            return opening;
        }
        opening.problem = LogFileRefusal(info);
        if (!opening.problem.empty())
            return opening;
        // A log that cannot be renamed (an older version's run holds it without letting it be) is
        // appended to as it is. One that another run has just renamed is no longer at the path:
        // the new file there is opened instead.
        const bool rotate = SizeOf(info) > kLogRotationSize && attempt < 3;
        if (!rotate || (!RotateOpenFile(file.Get(), Concat({path, ".1"})) && StillAt(path, info))) {
            opening.file = file.Detach();
            return opening;
        }
    }
    opening.problem = ErrorText(ERROR_SHARING_VIOLATION);
    return opening;
}

void DiscardLogFile(HANDLE file)
{
    const FileHandle deleter(::ReOpenFile(file, DELETE | SYNCHRONIZE, kShareAll, 0));
    if (deleter.Valid())
        (void)DeleteOpenFile(deleter.Get());
}
