#pragma once
// Resource and control ids of the mode dialog and the application.
#include "res/program.h"  // IDR_MAINFRAME, the application icon

#define IDD_TESSMOR_DIALOG 102

#define IDC_READ 1006
#define IDC_WRITE 1013
#define IDC_TUNER_A_CURRENT 1014
#define IDC_TUNER_B_CURRENT 1015
#define IDC_TUNER_A_SETTING 1016
#define IDC_TUNER_B_SETTING 1017

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
