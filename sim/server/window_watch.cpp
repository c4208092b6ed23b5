#include "sim/server/window_watch.h"

namespace WindowWatch {

namespace {

DWORD g_most = 0;

bool OwnedHere(HWND window)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process == ::GetCurrentProcessId();
}

BOOL CALLBACK CountOwned(HWND window, LPARAM count)
{
    if (OwnedHere(window))
        ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

}  // namespace

void Sample()
{
    DWORD count = 0;
    (void)::EnumWindows(CountOwned, reinterpret_cast<LPARAM>(&count));
    for (HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        if (OwnedHere(window))
            ++count;
    }
    if (count > g_most)
        g_most = count;
}

DWORD Most()
{
    return g_most;
}

}  // namespace WindowWatch
