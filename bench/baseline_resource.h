#pragma once
#define IDD_BASELINE 100
#define IDC_FIELD_A 1014
#define IDC_FIELD_B 1015
#define IDC_CLICK 1013
