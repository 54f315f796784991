// What the saver window needs from start-up: the count it runs, the switch
// letter and platform test its exit rules read, and the screen-saver-running
// service; nothing more, so the saver does not depend on start-up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Platform.h"
#include "platform/Truth.h"

namespace kal {

struct SaverContext {
  Platform& platform;
  std::int16_t particleCount = 0;
  // The switch letter, taken from the command line again each time.
  std::function<std::string()> switchLetter;
  // True on the platform whose screen-saver password is not the saver's business.
  std::function<Truth()> isWindowsNT;
  // Tells the system whether the saver has finished.
  std::function<void(Truth finished)> setScreenSaverRunning;
};

}  // namespace kal
