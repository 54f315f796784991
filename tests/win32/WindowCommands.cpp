// Looking at top-level windows and the screen from another process.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/win32/Commands.h"

namespace kaltest {
namespace {

struct Search {
  const std::wstring* caption;
  int count = 0;
};

BOOL CALLBACK CountMatching(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  wchar_t text[512];
  int n = GetWindowTextW(hwnd, text, 512);
  if (n >= 0 && s->caption->compare(0, std::wstring::npos, text, static_cast<std::size_t>(n)) == 0)
    ++s->count;
  return TRUE;
}

// Polls every 50 ms until `done` holds or waitMs has passed.
template <class Done>
bool PollFor(long waitMs, Done&& done) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (static_cast<long>(GetTickCount() - start) >= waitMs) return false;
    Sleep(50);
  }
}

}  // namespace

int FindWindowCommand(const std::wstring& caption, long waitMs) {
  HWND hwnd = nullptr;
  PollFor(waitMs, [&] { return (hwnd = FindWindowW(nullptr, caption.c_str())) != nullptr; });
  if (!hwnd) {
    std::printf("none\n");
    return 1;
  }
  LONG style = GetWindowLongW(hwnd, GWL_STYLE), ex = GetWindowLongW(hwnd, GWL_EXSTYLE);
  RECT r{};
  GetWindowRect(hwnd, &r);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  std::printf(
      "hwnd=0x%llx topmost=%s style=0x%08lx exstyle=0x%08lx rect=%ld,%ld,%ld,%ld visible=%s pid=%lu\n",
      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)), (ex & WS_EX_TOPMOST) ? "yes" : "no",
      static_cast<unsigned long>(style), static_cast<unsigned long>(ex), r.left, r.top, r.right, r.bottom,
      IsWindowVisible(hwnd) ? "yes" : "no", static_cast<unsigned long>(pid));
  return 0;
}

int GoneCommand(const std::wstring& caption, long waitMs) {
  bool gone = PollFor(waitMs, [&] { return FindWindowW(nullptr, caption.c_str()) == nullptr; });
  std::printf(gone ? "gone\n" : "present\n");
  return gone ? 0 : 1;
}

int CountCommand(const std::wstring& caption) {
  Search s{&caption};
  EnumWindows(CountMatching, reinterpret_cast<LPARAM>(&s));
  std::printf("%d\n", s.count);
  return 0;
}

int ScreenCommand() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  std::printf("width=%d height=%d dpi=%d acp=%u\n", GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN), dpi, GetACP());
  return 0;
}

int CursorCommand() {
  CURSORINFO ci{};
  ci.cbSize = sizeof ci;
  if (!GetCursorInfo(&ci)) {
    std::printf("unknown\n");
    return 1;
  }
  std::printf((ci.flags & CURSOR_SHOWING) ? "visible\n" : "hidden\n");
  return 0;
}

}  // namespace kaltest
