// What the settings dialog needs from start-up: the count it shows, the
// process-wide values it writes and the services it calls; nothing more.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Platform.h"

namespace kal {

struct SettingsContext {
  Platform& platform;
  std::int16_t particleCount = 0;
  std::string* settingText = nullptr;  // the count as text, as last written
  std::int16_t* zoomX = nullptr;
  std::int16_t* zoomY = nullptr;
  std::function<void(Handle window)> zoomRectIn;
  std::function<void(Handle window)> zoomRectOut;
  // Writes the count's text to the settings file; an empty result means it
  // was stored, otherwise it says where it could not be and why.
  std::function<std::string(const std::string& value)> writeSetting;
};

}  // namespace kal
