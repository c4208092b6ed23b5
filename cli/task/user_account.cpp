#include "cli/task/user_account.h"
#include "cli/console/text.h"

#include <sddl.h>

#include <vector>

namespace {

// The token's user and elevation; false, with the error, when they cannot be read.
bool ReadToken(HANDLE token, UserAccount& account, DWORD& error)
{
    DWORD size = 0;
    (void)::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!size || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        error = ::GetLastError();
        return false;
    }
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) {
        error = ::GetLastError();
        return false;
    }
    account.sid = text;
    (void)::LocalFree(text);

    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (!::LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use)) {
        error = ::GetLastError();
        return false;
    }
    account.name = domain[0] ? Concat({std::wstring(domain), "\\", name}) : std::wstring(name);

    TOKEN_ELEVATION elevation = {};
    DWORD got = 0;
    account.elevated = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &got) &&
                       elevation.TokenIsElevated != 0;
    return true;
}

}  // namespace

bool CurrentUserAccount(UserAccount& account, DWORD& error)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        error = ::GetLastError();
        return false;
    }
    const bool read = ReadToken(token, account, error);
    ::CloseHandle(token);
    return read;
}
