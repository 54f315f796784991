#include "startup/Sorvin_B.h"

#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "preview/Sorvin_R.h"
#include "settings/Sorvin_P.h"
#include "startup/HostHandle.h"
#include "startup/SettingsFile.h"
#include "startup/SwitchLetter.h"

namespace kal {

Sorvin_B::Sorvin_B(Platform& platform)
    : platform_(platform), windows_(platform.Windows()), process_(platform.Process()) {}
Sorvin_B::~Sorvin_B() = default;

void Sorvin_B::Main() {
  // Never beside our own saver or settings window; both are always asked.
  // (Where windows cannot be found by caption, the instance lock below keeps
  // a second saver or dialog out alone.)
  Handle saverWindow = 0, settingsWindow = 0;
  if (platform_.Has(Feature::kFindWindowByCaption)) {
    saverWindow = windows_.FindTopLevelWindow(kSaverCaption);
    settingsWindow = windows_.FindTopLevelWindow(kSettingsCaption);
  }
  if (saverWindow != 0 || settingsWindow != 0) process_.EndProcess(0);

  LoadSettings();

  const std::string commandLine = process_.CommandLine();
  const std::string letter = SwitchLetter(commandLine);
  // Two starts at the same moment both find no window: the lock decides.
  // The preview is not kept out by it (it runs beside the display settings'
  // own saver start), only by the caption check above.
  if ((letter == "S" || letter == "C" || commandLine.empty()) && platform_.Has(Feature::kInstanceLock) &&
      !platform_.Desktop().HoldInstanceLock()) {
    process_.EndProcess(0);
  }

  if (letter == "P") {
    // The host's handle: the leading number from the fourth character on.
    // One that names no window ends the process quietly: a preview nobody
    // can see or close would live for ever.
    std::optional<Handle> host = HostHandle(MidFrom(commandLine, 4));
    if (!host) process_.EndProcess(0);
    preview_ = std::make_unique<Sorvin_R>(platform_);
    if (!preview_->Place(*host)) process_.EndProcess(0);
    // The process lives on in the message loop while the preview is loaded.
    return;
  }
  if (letter == "A") {
    // Only where the system keeps a screen-saver password of its own.
    if (platform_.Has(Feature::kPasswordServices) && IsWindowsNT() == False) {
      // Strict: the whole text after the switch must be a number.
      Handle owner = RoundToInt32(TextToNumber(MidFrom(commandLine, 4)));
      platform_.Desktop().PwdChangePassword(owner);
    }
    process_.EndProcess(0);
  }
  if (letter == "C") {
    SettingsContext context{
        platform_,
        ParticleCount,
        &SettingText,
        &ZoomX,
        &ZoomY,
        [this](Handle window) { ZoomRectIn(window); },
        [this](Handle window) { ZoomRectOut(window); },
        [this](const std::string& value) { return WriteSetting(platform_.Files(), value); }};
    settings_ = std::make_unique<Sorvin_P>(std::move(context), windows_.Text());
    settings_->ShowModal();
    process_.EndProcess(0);
  }
  if (letter != "S" && !commandLine.empty()) process_.EndProcess(0);

  // Saver: "S" or the empty command line (a test run keeps the cursor).
  if (letter == "S") windows_.ShowCursor(false);
  saver_ = std::make_unique<Sorvin_S>(SaverContext{
      platform_, ParticleCount, [this] { return SwitchLetter(process_.CommandLine()); },
      [this] { return IsWindowsNT(); }, [this](Truth finished) { SetScreenSaverRunning(finished); }});
  saver_->Load();
}

Truth Sorvin_B::IsWindowsNT() {
  std::optional<OsVersion> version = platform_.Desktop().GetVersion();
  if (!version) return False;
  return version->platformId == 2 ? True : False;
}

void Sorvin_B::LoadSettings() {
  SkipOnError([&] { SettingText = ReadSetting(platform_.Files()); });
  if (SettingText.empty()) {
    ParticleCount = 120;
  } else {
    // Floor towards minus infinity; text that is no number, or a result
    // outside 16 bits, leaves the count as it is.
    SkipOnError([&] { ParticleCount = FloorToInt16(TextToNumber(SettingText)); });
  }
}

void Sorvin_B::SetScreenSaverRunning(Truth finished) {
  // A system without such a flag has nothing to be told.
  if (!platform_.Has(Feature::kScreenSaverFlags)) return;
  // The complement of the 16-bit flag, widened with its sign: True gives 0.
  auto param = static_cast<std::int32_t>(static_cast<std::int16_t>(~finished));
  platform_.Desktop().SetScreenSaverRunning(param);
}

void Sorvin_B::DrawZoom(Handle window, bool opening) {
  // A system without the animation opens and closes windows without one.
  if (!platform_.Has(Feature::kCaptionZoom)) return;
  PixelRect windowRect;
  if (!windows_.GetWindowRect(window, windowRect)) windowRect = PixelRect{};
  PixelRect point{ZoomX, ZoomY, ZoomX, ZoomY};
  if (opening) {
    windows_.AnimateCaptionZoom(window, point, windowRect);
  } else {
    windows_.AnimateCaptionZoom(window, windowRect, point);
  }
}

void Sorvin_B::ZoomRectIn(Handle window) { DrawZoom(window, true); }
void Sorvin_B::ZoomRectOut(Handle window) { DrawZoom(window, false); }

}  // namespace kal
