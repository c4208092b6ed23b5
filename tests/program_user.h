#pragma once
// The whole program in-process, as its entry point runs it, with a user at the dialog.
#include "app/tessmor_app.h"

// Runs the application's start-up. Once the mode dialog is up, the user chooses DVB-C for
// tuner A and DVBC2 for tuner B and presses "Write"; if the dialog is still there afterwards
// (the write was refused or failed), the user closes it with Esc. True when the program ended
// by itself, with no main window left.
bool RunTheProgramWithAWrite(CTessmorApp& app);
