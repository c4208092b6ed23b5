#include "cli/task/folder_security.h"
#include "cli/console/text.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace {

// Everything that lets someone change the folder or what is in it: write, append (add a file
// or a folder), extended attributes and attributes, delete it or what it holds, change its
// permissions or owner, and the generic rights that include any of them.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                      FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL | MAXIMUM_ALLOWED;

// The accounts that administer every Windows PC anyway.
const wchar_t* const kSystemAccounts[] = {
    L"S-1-5-18",      // SYSTEM
    L"S-1-5-32-544",  // Administrators
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
};
// Entries that stand for the owner of what they are passed on to: CREATOR OWNER, OWNER RIGHTS.
const wchar_t* const kOwnerStandIns[] = {L"S-1-3-0", L"S-1-3-4"};

bool SidIs(PSID sid, const wchar_t* text)
{
    PSID known = nullptr;
    if (!::ConvertStringSidToSidW(text, &known))
        return false;
    const bool equal = ::EqualSid(sid, known) != FALSE;
    (void)::LocalFree(known);
    return equal;
}

bool IsSystemAccount(PSID sid, PSID user)
{
    for (const wchar_t* account : kSystemAccounts) {
        if (SidIs(sid, account))
            return true;
    }
    return user && ::EqualSid(sid, user);
}

bool IsOwnerStandIn(PSID sid)
{
    for (const wchar_t* standIn : kOwnerStandIns) {
        if (SidIs(sid, standIn))
            return true;
    }
    return false;
}

std::wstring AccountName(PSID sid)
{
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (::LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use) && name[0])
        return domain[0] ? Concat({std::wstring(domain), "\\", name}) : std::wstring(name);
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text))
        return L"an unknown account";
    std::wstring sidText = text;
    (void)::LocalFree(text);
    return sidText;
}

void AddName(std::wstring& names, const std::wstring& name)
{
    if ((Concat({", ", names, ", "})).find(Concat({", ", name, ", "})) == std::wstring::npos)
        names += (names.empty() ? L"" : L", ") + name;
}

}  // namespace

FolderVerdict JudgeFolder(PSECURITY_DESCRIPTOR descriptor, PSID user)
{
    FolderVerdict verdict;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner) {
        verdict.trust = FolderTrust::OwnerNotTrusted;
        verdict.who = L"no one";
        return verdict;
    }
    if (!IsSystemAccount(owner, user)) {
        verdict.trust = FolderTrust::OwnerNotTrusted;
        verdict.who = AccountName(owner);
        return verdict;
    }
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) {
        verdict.trust = FolderTrust::AnyoneMayWrite;
        return verdict;
    }
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(dacl, index, &entry))
            continue;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            // An entry of a kind no file system's folder has: it cannot be told whom it lets in.
            verdict.trust = FolderTrust::OthersMayWrite;
            AddName(verdict.who, L"an entry of an unknown kind");
            continue;
        }
        // Both kinds begin with the header, the mask and the security id.
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (!(allowed->Mask & kChangeRights) || IsSystemAccount(sid, user) || IsOwnerStandIn(sid))
            continue;
        verdict.trust = FolderTrust::OthersMayWrite;
        AddName(verdict.who, AccountName(sid));
    }
    return verdict;
}

std::wstring ProtectedFolderSddl(const std::wstring& userSid)
{
    const std::wstring administrators = L"(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    if (!userSid.empty())
        return Concat({"D:P", administrators, "(A;OICI;FA;;;", userSid, ")"});
    // Owned by the Administrators, not by whichever administrator made it.
    return Concat({"O:BAD:P", administrators, "(A;OICI;0x1200a9;;;BU)"});
}

std::wstring FolderVerdictText(const FolderVerdict& verdict)
{
    switch (verdict.trust) {
    case FolderTrust::Trusted:
        return L"may be changed only by its owners";
    case FolderTrust::OwnerNotTrusted:
        return Concat({"is owned by ", verdict.who});
    case FolderTrust::OthersMayWrite:
        return Concat({"may be changed by ", verdict.who});
    case FolderTrust::AnyoneMayWrite:
        break;
    }
    return Ascii("may be changed by anyone: it has no access list");
}
