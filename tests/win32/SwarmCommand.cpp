// The saver's engine on a real window: a full-screen window made by the Win32
// backend exactly as the saver makes its own, the Swarm drawing on its
// Display for a fixed number of frames with a seeded generator. The test
// compares a screenshot with kal-render's Canvas for the same run.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/Errors.h"
#include "platform/Random.h"
#include "platform/win32/Win32Platform.h"
#include "saver/Swarm.h"
#include "tests/win32/Capture.h"
#include "tests/win32/Commands.h"

namespace kaltest {
namespace {

class SwarmHandler final : public kal::WindowHandler {
 public:
  bool input = false;
  void OnKeyDown(int, int) override { input = true; }
  void OnMouseDown(int, int, float, float) override { input = true; }
};

// Handles messages for ms milliseconds, sleeping in between; stops early on
// a key press or click when `handler` is given.
void Pump(kal::WindowSystem& platform, long long ms, const SwarmHandler* handler = nullptr) {
  auto end = platform.Now() + std::chrono::milliseconds(ms);
  while (platform.Now() < end) {
    platform.DoEvents();
    if (handler && handler->input) return;
    platform.WaitUntil(std::min(end, platform.Now() + std::chrono::milliseconds(20)));
  }
}

}  // namespace

int SwarmCommand(const SwarmRun& run) {
  if (run.width < 1 || run.width > 32767 || run.height < 1 || run.height > 32767 || run.count < -32768 ||
      run.count > 32767 || run.frames < 0) {
    std::fprintf(stderr, "kaltest swarm: width and height 1..32767, count -32768..32767, frames >= 0\n");
    return 2;
  }
  kal::Win32Platform platform(GetModuleHandleW(nullptr), kal::WindowArt{});
  kal::ScreenMetrics screen = platform.Screen();
  if (screen.widthPx != run.width || screen.heightPx != run.height) {
    std::fprintf(stderr, "kaltest swarm: note: the screen is %dx%d, the run %dx%d\n", screen.widthPx,
                 screen.heightPx, run.width, run.height);
  }

  // The saver's window.
  kal::WindowDesc desc;
  desc.caption = "kaltest swarm";
  desc.border = false;
  desc.backColor = kal::Rgb(0, 0, 0);
  desc.keyPreview = true;
  desc.fullScreen = true;
  SwarmHandler handler;
  std::unique_ptr<kal::PlatformWindow> window = platform.MakeWindow(desc, handler);
  if (!window) {
    std::fprintf(stderr, "kaltest swarm: no window\n");
    return 1;
  }
  window->Move(0, 0, run.width, run.height);
  window->SetNormalState();
  window->Show();
  window->SetTopmost();
  Pump(platform, 700);  // mapped and painted black before the first frame

  // As the saver runs it, minus the pacing: every frame followed by the yield.
  kal::SeededRandom random(run.seed);
  kal::Swarm swarm(window->Display(), random);
  long long done = 0;
  try {
    swarm.Start(static_cast<std::int16_t>(run.count), static_cast<std::int16_t>(run.width),
                static_cast<std::int16_t>(run.height));
    for (; done < run.frames; ++done) {
      swarm.Frame();
      platform.DoEvents();
    }
  } catch (const kal::RuntimeError& e) {
    // The saver's loop ends the same way and keeps its picture.
    std::printf("stopped after %lld frames: %s\n", done, e.what());
  }
  Pump(platform, 100);  // the last frames reach the window with the next push

  if (!run.capturedBmp.empty() &&
      !WriteCapture(run.capturedBmp, reinterpret_cast<HWND>(static_cast<std::intptr_t>(window->handle())),
                    run.width, run.height)) {
    std::fprintf(stderr, "kaltest swarm: could not write the capture\n");
    return 1;
  }
  // The engine's state, for a comparison with kal-render --json.
  std::printf("ready frames=%lld cur=%d head=%.17g,%.17g\n", done, swarm.CurParticle, swarm.HeadX,
              swarm.HeadY);
  std::fflush(stdout);
  Pump(platform, run.holdMs, &handler);
  window->Unload();
  return 0;
}

}  // namespace kaltest
