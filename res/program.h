#pragma once
// What the resources of both programs share, and what the programs read of them: the
// application icon's id and the version.
#define IDR_MAINFRAME 128

#define TESSMOR_VERSION 1,0,0,1
#define TESSMOR_VERSION_TEXT "1.0.0.1"
