#pragma once
#include <windows.h>

// Writes the running executable's file name without directory and extension.
void ModuleTitle(char (&title)[MAX_PATH]);
