#pragma once
// Who runs tessmorctl, as the task that keeps the modes needs it: the user's security id (which
// names the user's own task, so that each user of a PC keeps theirs, whatever the account is
// later renamed to), the account name that the task's logon trigger and principal take, and
// whether the run has an administrator's rights.
#include <windows.h>

#include <string>

struct UserAccount {
    std::wstring sid;   // S-1-5-21-...
    std::wstring name;  // DOMAIN\name
    bool elevated = false;
};

// The account of the process's own token; false, with the system's error code, when it cannot
// be read.
bool CurrentUserAccount(UserAccount& account, DWORD& error);
