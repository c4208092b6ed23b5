#pragma once
// The task's own copy of the windowless program, in a folder that only its owners can change
// (held_folder.h): put there by autostart enable, compared by status, removed by disable.
#include <windows.h>

#include <string>

#include "cli/task/held_folder.h"

// Copies the file at source into the folder as name. The copy is written whole under a
// name of its own first and then renamed over the one there through its handle, so that a run
// that starts meanwhile finds the old program or the new one, never part of one. False, with
// why, when it cannot be copied (a copy that is running cannot be replaced).
bool PutProgramCopy(const HeldFolder& folder, const std::wstring& source, const std::wstring& name,
                    std::wstring& problem);

// What a copy is, against the program it was copied from.
enum class CopyState { Same, Differs, Missing, Unreadable };
CopyState CompareCopy(const std::wstring& copy, const std::wstring& original);
