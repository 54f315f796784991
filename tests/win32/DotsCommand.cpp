// Draws random dots on a full-screen window through the Win32 backend and
// renders the same dots into a Canvas of its own, with a repaint of part of
// the window in between. The test compares a screenshot of the real screen
// with that Canvas: what the backend pushed to the window (changed tiles as
// a clip region) must equal it everywhere.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/Canvas.h"
#include "platform/Random.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win32/Capture.h"
#include "tests/win32/Commands.h"

namespace kaltest {
namespace {

class DotsHandler final : public kal::WindowHandler {
 public:
  bool keyPressed = false;
  void OnKeyDown(int, int) override { keyPressed = true; }
};

// The trail colours of the saver, and two more that are not.
const kal::Color kColours[] = {kal::Rgb(250, 250, 0),  kal::Rgb(250, 200, 0), kal::Rgb(190, 160, 0),
                               kal::Rgb(190, 150, 0),  kal::Rgb(180, 140, 0), kal::Rgb(180, 130, 0),
                               kal::Rgb(170, 120, 0),  kal::Rgb(170, 100, 0), kal::Rgb(160, 90, 0),
                               kal::Rgb(160, 80, 0),   kal::Rgb(0, 0, 0),     kal::Rgb(12, 34, 255),
                               kal::Rgb(255, 255, 255)};

// Pumps messages for a while, as the saver does between frames.
void Pump(kal::WindowSystem& platform, int ms, const DotsHandler* handler = nullptr) {
  auto end = platform.Now() + std::chrono::milliseconds(ms);
  while (platform.Now() < end) {
    platform.DoEvents();
    if (handler && handler->keyPressed) return;
    platform.WaitUntil(std::min(end, platform.Now() + std::chrono::milliseconds(20)));
  }
}

}  // namespace

int DotsCommand(const std::wstring& expectedPpm, const std::wstring& capturedBmp, unsigned long seed,
                int count, int holdMs) {
  kal::Win32Platform platform(GetModuleHandleW(nullptr), kal::WindowArt{});
  kal::ScreenMetrics screen = platform.Screen();
  const int w = screen.widthPx, h = screen.heightPx;

  kal::WindowDesc desc;
  desc.caption = "kaltest dots";
  desc.border = false;
  desc.keyPreview = true;
  desc.fullScreen = true;
  DotsHandler handler;
  std::unique_ptr<kal::PlatformWindow> window = platform.MakeWindow(desc, handler);
  if (!window) {
    std::fprintf(stderr, "kaltest dots: no window\n");
    return 1;
  }
  window->Move(0, 0, w, h);
  window->SetNormalState();
  window->Show();
  window->SetTopmost();
  Pump(platform, 700);  // mapped and painted black before anything is drawn

  kal::Canvas canvas(w, h);
  kal::PcgRandom random(seed);
  kal::Surface& display = window->Display();
  auto drawDots = [&](int n) {
    for (int i = 0; i < n; ++i) {
      // Centres over the screen and a little beyond its edges, many on exact
      // halves (the rounding of the centre must agree), a few larger radii.
      float x = random.Rnd() * static_cast<float>(w + 16) - 8.0f;
      float y = random.Rnd() * static_cast<float>(h + 16) - 8.0f;
      if (i % 3 == 0) {
        x = std::floor(x) + 0.5f;
        y = std::floor(y) + 0.5f;
      }
      float radius = 1.0f;
      if (i % 11 == 5) radius = static_cast<float>(static_cast<int>(random.Rnd() * 8.0f)) * 0.5f;
      kal::Color colour = kColours[static_cast<int>(random.Rnd() * 13.0f) % 13];
      display.Circle(x, y, radius, colour);
      canvas.Circle(x, y, radius, colour);
    }
  };
  drawDots(count);
  Pump(platform, 100);
  // The system repaints a part of the window (edges off the tile grid): it
  // shows black there, and dots drawn afterwards must not bring back the old
  // ones around them.
  RECT repainted{w / 10 + 3, h / 10 + 5, w / 2 + 1, h / 2 + 7};
  InvalidateRect(reinterpret_cast<HWND>(static_cast<std::intptr_t>(window->handle())), &repainted, TRUE);
  Pump(platform, 100);
  canvas.FillRect(repainted.left, repainted.top, repainted.right, repainted.bottom, kal::Rgb(0, 0, 0));
  drawDots(count / 4);
  Pump(platform, 100);  // the drawing reaches the window with the next push

  bool ok = WritePpm(expectedPpm, canvas);
  ok =
      WriteCapture(capturedBmp, reinterpret_cast<HWND>(static_cast<std::intptr_t>(window->handle())), w, h) &&
      ok;
  if (!ok) {
    std::fprintf(stderr, "kaltest dots: could not write the pictures\n");
    return 1;
  }
  std::printf("ready %dx%d\n", w, h);
  std::fflush(stdout);
  Pump(platform, holdMs, &handler);
  window->Unload();
  return 0;
}

}  // namespace kaltest
