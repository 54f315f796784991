#include "saver/Sorvin_S.h"

#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "saver/SwarmDriver.h"

namespace kal {

std::int16_t ScreenPixels(float screenTwips, float twipsPerPixel) {
  return RoundToInt16(static_cast<double>(screenTwips) / static_cast<double>(twipsPerPixel));
}

Sorvin_S::Sorvin_S(SaverContext context)
    : context_(std::move(context)), platform_(context_.platform), windows_(platform_.Windows()) {}
Sorvin_S::~Sorvin_S() = default;

void Sorvin_S::Load() {
  WindowDesc desc;
  desc.caption = std::string(kSaverCaption);
  desc.border = false;
  desc.backColor = Rgb(0, 0, 0);  // Display covers the window, so its black is all that shows
  desc.keyPreview = true;
  desc.fullScreen = true;
  LoadWindow(windows_, desc, *this, window_);
}

void Sorvin_S::Form_Load() {
  ScreenMetrics screen;
  SkipOnError([&] { screen = windows_.Screen(); });
  // The screen in twips, as the window system measures it.
  const float screenWidthTwips = static_cast<float>(screen.widthPx) * screen.twipsPerPixelX;
  const float screenHeightTwips = static_cast<float>(screen.heightPx) * screen.twipsPerPixelY;
  SkipOnError([&] { ScreenW = ScreenPixels(screenWidthTwips, screen.twipsPerPixelX); });
  SkipOnError([&] { ScreenH = ScreenPixels(screenHeightTwips, screen.twipsPerPixelY); });
  std::vector<PixelRect> monitors{PixelRect{}};
  SkipOnError([&] { monitors = windows_.Monitors(); });
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
  SkipOnError([&] { windows_.DoEvents(); });
  // Returns only when a run-time error stops the animation: the window keeps
  // its last picture and input still ends the saver.
  SkipOnError([&] { AnimateSwarm(); });
}

void Sorvin_S::Form_DisplayChange() {
  std::vector<PixelRect> monitors;
  SkipOnError([&] { monitors = windows_.Monitors(); });
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
      SkipOnError([&] { swarm_->Start(context_.particleCount, ScreenW, ScreenH); });
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
  Swarm& swarm = swarm_.emplace(window_->Display(), platform_.Process().Random());
  PacedFrames frames(windows_);
  RunSwarm(swarm, context_.particleCount, ScreenW, ScreenH, frames);
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
  if (platform_.Process().CommandLine().empty()) return;
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
  const std::string letter = context_.switchLetter();
  Truth answer = False;
  bool checkPassword = false;
  // Only where the system has a screen-saver password of its own to ask.
  SkipOnError([&] {
    checkPassword =
        letter == "S" && platform_.Has(Feature::kPasswordServices) && context_.isWindowsNT() == False;
  });
  if (checkPassword) {
    SkipOnError([&] { windows_.ShowCursor(true); });
    SkipOnError([&] {
      std::optional<bool> verdict = platform_.Desktop().VerifyScreenSavePwd(window_ ? window_->handle() : 0);
      // No password service means no password to check: refusing every input
      // would leave a saver nobody can end.
      answer = verdict.value_or(true) ? True : False;
    });
    if (answer == False) {
      SkipOnError([&] { windows_.ShowCursor(false); });
      return;
    }
  }
  if (letter == "S") {
    SkipOnError([&] { context_.setScreenSaverRunning(True); });
    SkipOnError([&] { windows_.ShowCursor(true); });
  }
  SkipOnError([&] {
    if (platform_.Has(Feature::kScreenSaverFlags)) platform_.Desktop().SetScreenSavingActive();
  });
  SkipOnError([&] {
    if (window_) window_->Unload();
  });
  platform_.Process().EndProcess(0);
}

}  // namespace kal
