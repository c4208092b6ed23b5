#pragma once
// Resource and control ids of the mode dialog and the application.
#define IDD_TESSMOR_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_READ 1006
#define IDC_WRITE 1013
#define IDC_TUNER_A_CURRENT 1014
#define IDC_TUNER_B_CURRENT 1015
#define IDC_TUNER_A_SETTING 1016
#define IDC_TUNER_B_SETTING 1017

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
