#pragma once
// The file a run's log is appended to, opened as a task that runs as SYSTEM must open it: never
// through a link (a symbolic link, a junction or any other reparse point), never a file of more
// than one name (a hard link, whose other name may be anywhere), never a folder. A log past
// kLogRotationSize is first renamed to FILE.1 through its own handle, not by its name, so that two
// runs that find it past the size at once rename the same file and lose nothing: FILE.1 keeps
// the older log and both runs append to the one new FILE.
#include <windows.h>

#include <string>

// The size past which a run starts the log anew.
constexpr ULONGLONG kLogRotationSize = 1024 * 1024;

struct LogFileOpening {
    HANDLE file = INVALID_HANDLE_VALUE;  // for appending; the caller closes it
    bool created = false;                // the file was made by this opening: it holds only the
                                         // UTF-8 byte-order mark
    std::wstring problem;                // when it could not be opened: why, as the end of a
                                         // sentence that begins with the log's name
};

// Opens the log for appending, making it when it is missing (a new log begins with the UTF-8
// byte-order mark, written before any other run can append to it), rotating it when it is past
// the size.
LogFileOpening OpenLogFile(const std::wstring& path);

// Deletes a log that OpenLogFile made, once its handle is closed.
void DiscardLogFile(HANDLE file);

// Why a log with these attributes is not written to (empty when it may be): a folder, a link,
// or a file of more than one name.
std::wstring LogFileRefusal(const BY_HANDLE_FILE_INFORMATION& file);
