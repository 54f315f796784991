// A window of the given caption, made through the Win32 backend and held open:
// a stand-in for another program's window (the single-instance guard), and a
// check that a Unicode caption reaches the window system intact.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win32/Commands.h"

namespace kaltest {

int HoldWindowCommand(const std::wstring& caption, int holdMs) {
  kal::Win32Platform platform(GetModuleHandleW(nullptr), kal::WindowArt{});
  kal::WindowDesc desc;
  desc.caption = kal::win32::Narrow(caption);
  kal::WindowHandler handler;
  std::unique_ptr<kal::PlatformWindow> window = platform.MakeWindow(desc, handler);
  if (!window) {
    std::fprintf(stderr, "kaltest window: no window\n");
    return 1;
  }
  window->Move(40, 40, 320, 200);
  window->Show();
  std::printf("ready\n");
  std::fflush(stdout);
  auto end = platform.Now() + std::chrono::milliseconds(holdMs);
  while (platform.Now() < end) {
    platform.DoEvents();
    platform.WaitUntil(std::min(end, platform.Now() + std::chrono::milliseconds(50)));
  }
  window->Unload();
  return 0;
}

}  // namespace kaltest
