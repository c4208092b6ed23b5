#pragma once
// Where a window stands on the screen, for the tests of where the program's dialogs open.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

// The work area of the primary monitor: where an owner-less modal dialog opens.
inline RECT PrimaryWorkArea()
{
    MONITORINFO primary = {};
    primary.cbSize = sizeof primary;
    EXPECT_TRUE(GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary));
    return primary.rcWork;
}

// The window's centre is that of the rectangle, give or take a pixel of rounding.
inline ::testing::AssertionResult IsCentredOn(HWND window, const RECT& around)
{
    RECT shown = {};
    if (!GetWindowRect(window, &shown))
        return ::testing::AssertionFailure() << "the window has no place";
    const int dx = (shown.left + shown.right) / 2 - (around.left + around.right) / 2;
    const int dy = (shown.top + shown.bottom) / 2 - (around.top + around.bottom) / 2;
    if (std::abs(dx) > 1 || std::abs(dy) > 1)
        return ::testing::AssertionFailure()
               << "the window stands at " << shown.left << "," << shown.top << " to " << shown.right << ","
               << shown.bottom << ", off centre by " << dx << "," << dy << " from " << around.left << ","
               << around.top << " to " << around.right << "," << around.bottom;
    return ::testing::AssertionSuccess();
}
