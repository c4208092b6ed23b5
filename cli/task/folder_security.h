#pragma once
// Whether a folder may be trusted with what a task runs as SYSTEM or as its user: the program
// it starts and the log it writes. A folder is trusted when its owner is SYSTEM, the
// Administrators, TrustedInstaller or the one who runs the command (the user, for the user's
// own folders; an administrator, since only one may make the system's task), and no one else
// may write in it, add to it, delete from it or change its permissions or owner, now or
// through what it passes on to the files made in it. A denying entry never makes a folder safer here:
// a member of a denied group may still be let in through another.
#include <windows.h>

#include <string>

enum class FolderTrust {
    Trusted,
    OwnerNotTrusted,  // who: the owner
    OthersMayWrite,   // who: everyone else who may change it, in the list's order
    AnyoneMayWrite,   // the folder has no access list at all
};

struct FolderVerdict {
    FolderTrust trust = FolderTrust::Trusted;
    std::wstring who;  // account names (DOMAIN\name), or security ids where none is known
};

// The verdict on a folder's security descriptor (owner and access list). user: the security id
// of the one who runs the command, who may also own and change the folder, or null where only
// the system's accounts may.
FolderVerdict JudgeFolder(PSECURITY_DESCRIPTOR descriptor, PSID user);

// The access list a folder of the tool's is made with, as SDDL: SYSTEM and the Administrators
// full control, and the user full control (userSid given), or the Users read and execute (for
// the system's folders, which the Administrators own). Protected: nothing is inherited.
std::wstring ProtectedFolderSddl(const std::wstring& userSid);

// The verdict as the end of a sentence that begins with the folder's name: "is owned by X",
// "may be changed by X, Y", "may be changed by anyone".
std::wstring FolderVerdictText(const FolderVerdict& verdict);
