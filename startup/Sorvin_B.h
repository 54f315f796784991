// The start-up module: the program's entry procedure, the process-wide values
// and the shared procedures the windows call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/Truth.h"
#include "saver/Sorvin_S.h"

namespace kal {

class Sorvin_P;
class Sorvin_R;

inline constexpr std::string_view kSettingsCaption = "Kalvessaの設定";

class Sorvin_B {
 public:
  explicit Sorvin_B(Platform& platform);
  ~Sorvin_B();

  // The entry: guard, settings, then one mode.
  void Main();

  // True on the NT platform.
  Truth IsWindowsNT();
  // Fills SettingText and ParticleCount from the settings file.
  void LoadSettings();

  // System services.
  void SetScreenSaverRunning(Truth finished);
  void ZoomRectIn(Handle window);
  void ZoomRectOut(Handle window);

  Platform& platform() { return platform_; }
  // The settings dialog while "/c" runs (tests look at it).
  Sorvin_P* settingsDialog() { return settings_.get(); }

  // Process-wide values.
  std::int16_t ParticleCount = 0;
  std::string SettingText;
  std::int16_t ZoomX = 0;
  std::int16_t ZoomY = 0;

 private:
  void DrawZoom(Handle window, bool opening);

  Platform& platform_;
  WindowSystem& windows_;
  ProcessServices& process_;
  std::unique_ptr<Sorvin_S> saver_;
  std::unique_ptr<Sorvin_R> preview_;
  std::unique_ptr<Sorvin_P> settings_;
};

}  // namespace kal
