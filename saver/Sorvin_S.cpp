#include "saver/Sorvin_S.h"

#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "saver/FramePacer.h"
#include "startup/Sorvin_B.h"
#include "startup/SwitchLetter.h"

namespace kal {

std::int16_t ScreenPixels(float screenTwips, float twipsPerPixel) {
  return RoundToInt16(static_cast<double>(screenTwips) / static_cast<double>(twipsPerPixel));
}

Sorvin_S::Sorvin_S(Sorvin_B& module) : module_(module), platform_(module.platform()) {}
Sorvin_S::~Sorvin_S() = default;

void Sorvin_S::Load() {
  WindowDesc desc;
  desc.caption = std::string(kSaverCaption);
  desc.border = false;
  desc.backColor = Rgb(0, 0, 0);  // Display covers the window, so its black is all that shows
  desc.keyPreview = true;
  desc.fullScreen = true;
  LoadWindow(platform_, desc, *this, window_);
}

void Sorvin_S::Form_Load() {
  ScreenMetrics screen;
  SkipOnError([&] { screen = platform_.Screen(); });
  // The screen in twips, as the window system measures it.
  const float screenWidthTwips = static_cast<float>(screen.widthPx) * screen.twipsPerPixelX;
  const float screenHeightTwips = static_cast<float>(screen.heightPx) * screen.twipsPerPixelY;
  SkipOnError([&] { ScreenW = ScreenPixels(screenWidthTwips, screen.twipsPerPixelX); });
  SkipOnError([&] { ScreenH = ScreenPixels(screenHeightTwips, screen.twipsPerPixelY); });
  // The window and Display cover exactly the screen from its top-left corner.
  // (Sizing the window to twips times twips-per-pixel would make it fifteen
  // times larger than the screen for nothing that is ever seen.)
  SkipOnError([&] { window_->Move(0, 0, screen.widthPx, screen.heightPx); });
  SkipOnError([&] { window_->SetNormalState(); });
  SkipOnError([&] { window_->Show(); });
  SkipOnError([&] { window_->SetTopmost(); });
  // Painted black before the first frame.
  SkipOnError([&] { platform_.DoEvents(); });
  // Returns only when a run-time error stops the animation: the window keeps
  // its last picture and input still ends the saver.
  SkipOnError([&] { AnimateSwarm(); });
}

void Sorvin_S::Form_Unload() {
  // Nothing to release: the window object lives until the process ends.
}

void Sorvin_S::AnimateSwarm() {
  Swarm& swarm = swarm_.emplace(window_->Display(), platform_.Random());
  swarm.Start(module_.ParticleCount, ScreenW, ScreenH);
  FramePacer pacer(platform_, kDesignFramesPerSecond);
  for (;;) {
    swarm.Frame();
    platform_.DoEvents();
    pacer.FrameDone();
  }
}

void Sorvin_S::Display_MouseDown(int, int, float, float) { EndSaver(); }

void Sorvin_S::OnCloseRequest(PlatformWindow&) {
  // A close request ends the saver as input does, under the same password
  // rule: it is no way past the password.
  SkipOnError([&] { EndSaver(); });
}

void Sorvin_S::Form_KeyDown(int, int) {
  SkipOnError([&] { EndSaver(); });
}

void Sorvin_S::Display_MouseMove(int, int, float x, float y) {
  // The test run (empty command line) is not ended by the mouse.
  if (platform_.CommandLine().empty()) return;
  if (MoveSeen == False) {
    // The first move only records where the pointer is: windows get one as
    // they appear under a resting pointer.
    LastMoveX = x;
    LastMoveY = y;
    MoveSeen = True;
    return;
  }
  // Both coordinates must differ from the recorded ones; any difference counts.
  if (x != LastMoveX && y != LastMoveY) {
    EndSaver();
    MoveSeen = False;
  }
}

void Sorvin_S::EndSaver() {
  const std::string letter = SwitchLetter(platform_.CommandLine());
  Truth answer = False;
  bool checkPassword = false;
  SkipOnError([&] { checkPassword = letter == "S" && module_.IsWindowsNT() == False; });
  if (checkPassword) {
    SkipOnError([&] { platform_.ShowCursor(true); });
    SkipOnError([&] {
      std::optional<bool> verdict = platform_.VerifyScreenSavePwd(window_ ? window_->handle() : 0);
      // No password service means no password to check: refusing every input
      // would leave a saver nobody can end.
      answer = verdict.value_or(true) ? True : False;
    });
    if (answer == False) {
      SkipOnError([&] { platform_.ShowCursor(false); });
      return;
    }
  }
  if (letter == "S") {
    SkipOnError([&] { module_.SetScreenSaverRunning(True); });
    SkipOnError([&] { platform_.ShowCursor(true); });
  }
  SkipOnError([&] { platform_.SetSystemParameter(17 /* SPI_SETSCREENSAVEACTIVE */, 1); });
  SkipOnError([&] {
    if (window_) window_->Unload();
  });
  platform_.EndProcess(0);
}

}  // namespace kal
