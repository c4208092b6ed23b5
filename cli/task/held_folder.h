#pragma once
// A folder that what a task runs, or what it writes, is kept in: made by the tool with its
// protected access list, or taken as it is found only when it is trusted (folder_security.h)
// and is no link or junction. It is held open from its check until the work in it is done,
// without letting anyone delete or rename it, so that it cannot be swapped for a link between
// the check and the work.
#include <windows.h>

#include <string>

class HeldFolder {
public:
    // runnerSid: the security id of the one who runs the command, who may own and change the
    // folder besides the system's accounts. usersOwn: the folder is the user's own (made with
    // full control for them), or the system's (made for the Administrators, Users reading).
    HeldFolder(std::wstring runnerSid, bool usersOwn) : m_runnerSid(std::move(runnerSid)), m_usersOwn(usersOwn) {}
    ~HeldFolder() { Release(); }
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    // Makes the folder (its parent must exist) with the protected access list, or takes the one
    // there after checking it. reprotect: a folder there that the system's accounts (or the
    // runner) own and that is no link, but that others may change (one an older version made with the permissions
    // it inherited), is given the protected list again. False, with why as the end of a
    // sentence that begins with the folder's name, when it cannot be made or is not trusted.
    bool Make(const std::wstring& path, bool reprotect, std::wstring& problem);
    // Takes the folder that is there, after checking it, as Make does without making it.
    bool Take(const std::wstring& path, std::wstring& problem);
    // Lets go of the folder, so that it can be removed.
    void Release();

    const std::wstring& Path() const { return m_path; }

private:
    bool Check(bool reprotect, std::wstring& problem);

    std::wstring m_runnerSid;
    bool m_usersOwn;
    std::wstring m_path;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
