// The program as a whole: what each platform's entry point calls.
#pragma once

#include "platform/Platform.h"

namespace kal {

// Runs the start-up procedure, then the message loop while a window is still
// loaded. A run-time error that escapes everything is reported through the
// platform and ends the process with a non-zero code. Returns the exit code.
int RunProgram(Platform& platform);

}  // namespace kal
