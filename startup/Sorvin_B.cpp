#include "startup/Sorvin_B.h"

#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "preview/Sorvin_R.h"
#include "saver/Sorvin_S.h"
#include "settings/Sorvin_P.h"
#include "startup/HostHandle.h"
#include "startup/SettingsFile.h"
#include "startup/SwitchLetter.h"

namespace kal {

Sorvin_B::Sorvin_B(Platform& platform) : platform_(platform) {}
Sorvin_B::~Sorvin_B() = default;

void Sorvin_B::Main() {
  // Never beside our own saver or settings window; both are always asked.
  Handle saverWindow = platform_.FindTopLevelWindow(kSaverCaption);
  Handle settingsWindow = platform_.FindTopLevelWindow(kSettingsCaption);
  if (saverWindow != 0 || settingsWindow != 0) platform_.EndProcess(0);

  LoadSettings();

  const std::string commandLine = platform_.CommandLine();
  const std::string letter = SwitchLetter(commandLine);
  // Two starts at the same moment both find no window: the lock decides.
  // The preview is not kept out by it (it runs beside the display settings'
  // own saver start), only by the caption check above.
  if ((letter == "S" || letter == "C" || commandLine.empty()) && !platform_.HoldInstanceLock()) {
    platform_.EndProcess(0);
  }

  if (letter == "P") {
    // The host's handle: the leading number from the fourth character on.
    // One that names no window ends the process quietly: a preview nobody
    // can see or close would live for ever.
    std::optional<Handle> host = HostHandle(MidFrom(commandLine, 4));
    if (!host) platform_.EndProcess(0);
    preview_ = std::make_unique<Sorvin_R>(platform_);
    if (!preview_->Place(*host)) platform_.EndProcess(0);
    // The process lives on in the message loop while the preview is loaded.
    return;
  }
  if (letter == "A") {
    if (IsWindowsNT() == False) {
      // Strict: the whole text after the switch must be a number.
      Handle owner = RoundToInt32(TextToNumber(MidFrom(commandLine, 4)));
      platform_.PwdChangePassword(owner);
    }
    platform_.EndProcess(0);
  }
  if (letter == "C") {
    SettingsContext context{platform_,
                            ParticleCount,
                            &SettingText,
                            &ZoomX,
                            &ZoomY,
                            [this](Handle window) { ZoomRectIn(window); },
                            [this](Handle window) { ZoomRectOut(window); },
                            [this](const std::string& value) { return WriteSetting(platform_, value); }};
    settings_ = std::make_unique<Sorvin_P>(std::move(context), platform_.Text());
    settings_->ShowModal();
    platform_.EndProcess(0);
  }
  if (letter != "S" && !commandLine.empty()) platform_.EndProcess(0);

  // Saver: "S" or the empty command line (a test run keeps the cursor).
  if (letter == "S") platform_.ShowCursor(false);
  saver_ = std::make_unique<Sorvin_S>(*this);
  saver_->Load();
}

Truth Sorvin_B::IsWindowsNT() {
  OsVersion version;
  if (!platform_.GetVersion(version)) return False;
  return version.platformId == 2 ? True : False;
}

void Sorvin_B::LoadSettings() {
  SkipOnError([&] { SettingText = ReadSetting(platform_); });
  if (SettingText.empty()) {
    ParticleCount = 120;
  } else {
    // Floor towards minus infinity; text that is no number, or a result
    // outside 16 bits, leaves the count as it is.
    SkipOnError([&] { ParticleCount = FloorToInt16(TextToNumber(SettingText)); });
  }
}

void Sorvin_B::SetScreenSaverRunning(Truth finished) {
  // The complement of the 16-bit flag, widened with its sign: True gives 0.
  auto param = static_cast<std::int32_t>(static_cast<std::int16_t>(~finished));
  platform_.SetSystemParameter(97 /* SPI_SCREENSAVERRUNNING */, param);
}

void Sorvin_B::DrawZoom(Handle window, bool opening) {
  PixelRect windowRect;
  if (!platform_.GetWindowRect(window, windowRect)) windowRect = PixelRect{};
  PixelRect point{ZoomX, ZoomY, ZoomX, ZoomY};
  constexpr int kIdaniCaption = 3;
  if (opening) {
    platform_.DrawAnimatedRects(window, kIdaniCaption, point, windowRect);
  } else {
    platform_.DrawAnimatedRects(window, kIdaniCaption, windowRect, point);
  }
}

void Sorvin_B::ZoomRectIn(Handle window) { DrawZoom(window, true); }
void Sorvin_B::ZoomRectOut(Handle window) { DrawZoom(window, false); }

}  // namespace kal
