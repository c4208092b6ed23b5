#include "framework/module_title.h"

#include <cstring>

void ModuleTitle(char (&title)[MAX_PATH])
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        title[0] = '\0';
        return;
    }
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    lstrcpynA(title, name, MAX_PATH);
    if (char* dot = std::strrchr(title, '.'))
        *dot = '\0';
}
