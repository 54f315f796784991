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
  std::vector<PixelRect> monitors{PixelRect{}};
  SkipOnError([&] { monitors = platform_.Monitors(); });
  if (monitors.empty()) monitors.push_back(PixelRect{});
  // The window and Display cover exactly the primary monitor from its
  // top-left corner. (Sizing the window to twips times twips-per-pixel would
  // make it fifteen times larger than the screen for nothing that is ever seen.)
  primaryRect_ = {monitors[0].left, monitors[0].top, monitors[0].left + screen.widthPx,
                  monitors[0].top + screen.heightPx};
  SkipOnError([&] { window_->Move(monitors[0].left, monitors[0].top, screen.widthPx, screen.heightPx); });
  SkipOnError([&] { window_->SetNormalState(); });
  SkipOnError([&] { window_->Show(); });
  SkipOnError([&] { window_->SetTopmost(); });
  // Black on every other monitor.
  ArrangeCovers(monitors);
  // Painted black before the first frame.
  SkipOnError([&] { platform_.DoEvents(); });
  // Returns only when a run-time error stops the animation: the window keeps
  // its last picture and input still ends the saver.
  SkipOnError([&] { AnimateSwarm(); });
}

void Sorvin_S::Form_DisplayChange() {
  std::vector<PixelRect> monitors;
  SkipOnError([&] { monitors = platform_.Monitors(); });
  if (monitors.empty()) return;
  const PixelRect& p = monitors[0];
  if (p != primaryRect_ && p.right > p.left && p.bottom > p.top) {
    // The saver's coordinates start elsewhere now: the resting pointer's next
    // report is only recorded, as when the window first appeared under it.
    if (p.left != primaryRect_.left || p.top != primaryRect_.top) MoveSeen = False;
    primaryRect_ = p;
    SkipOnError([&] { window_->Move(p.left, p.top, p.right - p.left, p.bottom - p.top); });
    SkipOnError([&] { window_->SetTopmost(); });
    // A primary of another size starts the swarm afresh over it, as a saver
    // started there would (the resized window is black already).
    const std::int16_t oldW = ScreenW, oldH = ScreenH;
    SkipOnError([&] { ScreenW = ScreenPixels(static_cast<float>(p.right - p.left), 1); });
    SkipOnError([&] { ScreenH = ScreenPixels(static_cast<float>(p.bottom - p.top), 1); });
    if (swarm_ && (ScreenW != oldW || ScreenH != oldH))
      SkipOnError([&] { swarm_->Start(module_.ParticleCount, ScreenW, ScreenH); });
  }
  ArrangeCovers(monitors);
}

void Sorvin_S::ArrangeCovers(const std::vector<PixelRect>& monitors) {
  SkipOnError([&] { covers_.Arrange(monitors); });
  // Above the covers: a monitor overlapping the primary shows the swarm there.
  if (!covers_.Covered().empty()) SkipOnError([&] { window_->SetTopmost(); });
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
