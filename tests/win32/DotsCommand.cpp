// Draws random dots on a full-screen window through the Win32 backend and
// renders the same dots into the shared software Canvas. The test compares
// a screenshot of the real screen with the Canvas: the two must be equal.
#include <windows.h>

#include <algorithm>
#include <cmath>
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
void Pump(kal::Platform& platform, int ms, const DotsHandler* handler = nullptr) {
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
  kal::Win32Platform platform(GetModuleHandleW(nullptr));
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
  for (int i = 0; i < count; ++i) {
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
  GdiFlush();

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
