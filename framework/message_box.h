#pragma once
// The application's message box: owned by the application's main window when there is one,
// captioned with the application title; a box with only an OK button and no icon of its own
// gets the warning (exclamation) icon.
#include <windows.h>

int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpContext = 0);
