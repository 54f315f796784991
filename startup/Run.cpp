#include "startup/Run.h"

#include <exception>
#include <string>

#include "platform/Errors.h"
#include "startup/Sorvin_B.h"

namespace kal {

int RunProgram(Platform& platform) {
  try {
    Sorvin_B module(platform);
    module.Main();
    // Main has returned; a loaded window (a saver whose animation stopped)
    // keeps the process alive until it is unloaded.
    platform.Windows().RunMessageLoop();
    return 0;
  } catch (const RuntimeError& e) {
    platform.Process().ReportFatal("Run-time error '" + std::to_string(static_cast<int>(e.code())) +
                                   "': " + e.what());
    return 1;
  } catch (const std::exception& e) {
    platform.Process().ReportFatal(std::string("Unexpected error: ") + e.what());
    return 1;
  }
}

}  // namespace kal
