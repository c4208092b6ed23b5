#include "cli/task/held_folder.h"

#include <aclapi.h>
#include <sddl.h>

#include "cli/task/folder_security.h"
#include "cli/console/text.h"

namespace {

// A security descriptor made from SDDL, freed with it.
class SddlDescriptor {
public:
    explicit SddlDescriptor(const std::wstring& sddl)
    {
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &m_descriptor,
                                                                     nullptr))
            m_descriptor = nullptr;
    }
    ~SddlDescriptor() { (void)::LocalFree(m_descriptor); }
    SddlDescriptor(const SddlDescriptor&) = delete;
    SddlDescriptor& operator=(const SddlDescriptor&) = delete;

    PSECURITY_DESCRIPTOR Get() const { return m_descriptor; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
};

std::wstring ErrorText(const wchar_t* what, DWORD error)
{
    return Concat({std::wstring(what), " (error ", Decimal(error), ")"});
}

PSID SidOf(const std::wstring& text, PSID& sid)
{
    if (text.empty() || !::ConvertStringSidToSidW(text.c_str(), &sid))
        sid = nullptr;
    return sid;
}

bool OwnedBySystemOr(PSECURITY_DESCRIPTOR descriptor, PSID runner)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner)
        return false;
    return ::IsWellKnownSid(owner, WinLocalSystemSid) || ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
           (runner && ::EqualSid(owner, runner));
}

}  // namespace

void HeldFolder::Release()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

bool HeldFolder::Make(const std::wstring& path, bool reprotect, std::wstring& problem)
{
    Release();
    m_path = path;
    const SddlDescriptor descriptor(ProtectedFolderSddl(m_usersOwn ? m_runnerSid : std::wstring()));
    if (!descriptor.Get()) {
        problem = ErrorText(L"cannot be given its access list", ::GetLastError());
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
    if (!::CreateDirectoryW(path.c_str(), &attributes) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        problem = ErrorText(L"cannot be made", ::GetLastError());
        return false;
    }
    // Made now or there before, it is checked alike: what was made can have been replaced.
    return Check(reprotect, problem);
}

bool HeldFolder::Take(const std::wstring& path, std::wstring& problem)
{
    Release();
    m_path = path;
    return Check(false, problem);
}

bool HeldFolder::Check(bool reprotect, std::wstring& problem)
{
    // No sharing of deletion: while it is held the folder can be neither removed nor renamed.
    m_handle = ::CreateFileW(m_path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES | (reprotect ? WRITE_DAC : 0),
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        problem = ErrorText(L"cannot be opened", ::GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(m_handle, &info)) {
        problem = ErrorText(L"cannot be read", ::GetLastError());
        Release();
        return false;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        problem = Ascii("is a link or a junction, which may lead anywhere");
        Release();
        return false;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        problem = L"is not a folder";
        Release();
        return false;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = ::GetSecurityInfo(m_handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, nullptr, nullptr, &descriptor);
    if (read != ERROR_SUCCESS) {
        problem = ErrorText(L"has permissions that cannot be read", read);
        Release();
        return false;
    }
    PSID user = nullptr;
    SidOf(m_runnerSid, user);
    FolderVerdict verdict = JudgeFolder(descriptor, user);
    const bool owned = OwnedBySystemOr(descriptor, user);
    (void)::LocalFree(descriptor);
    if (verdict.trust != FolderTrust::Trusted && verdict.trust != FolderTrust::OwnerNotTrusted && reprotect && owned) {
        const SddlDescriptor protectedList(ProtectedFolderSddl(m_usersOwn ? m_runnerSid : std::wstring()));
        PACL dacl = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        DWORD set = ERROR_INVALID_PARAMETER;
        if (protectedList.Get() && ::GetSecurityDescriptorDacl(protectedList.Get(), &present, &dacl, &defaulted))
            set = ::SetSecurityInfo(m_handle, SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    dacl, nullptr);
        descriptor = nullptr;
        if (set == ERROR_SUCCESS &&
            ::GetSecurityInfo(m_handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS) {
            verdict = JudgeFolder(descriptor, user);
            (void)::LocalFree(descriptor);
        }
    }
    (void)::LocalFree(user);
    if (verdict.trust != FolderTrust::Trusted) {
        problem = FolderVerdictText(verdict);
        Release();
        return false;
    }
    return true;
}
