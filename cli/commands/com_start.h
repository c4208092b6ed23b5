#pragma once
// COM on tessmorctl's one thread, in the multithreaded apartment as the dialog program has it.
#include "cli/console/reporter.h"

// False, with the reason reported, when COM cannot be started; then nothing may use it.
bool StartCom(Reporter& reporter);
