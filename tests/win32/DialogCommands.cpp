// The settings dialog as another process sees it: when it became visible,
// where its client area lies on the screen, and the outer size the system's
// frame rules give that client area (what the dialog must have sized itself to).
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/WideText.h"
#include "tests/win32/Commands.h"

namespace kaltest {
namespace {

// Milliseconds since 1970 on the host's clock, so the shell can subtract its
// own `date +%s%N` from it.
long long UnixMs() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t{};
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  return static_cast<long long>((t.QuadPart - 116444736000000000ULL) / 10000ULL);
}

}  // namespace

int DialogWaitCommand(const std::wstring& caption, long waitMs) {
  // The caller starts the program only after this line: the time to the
  // window then excludes this process's own start.
  std::printf("ready\n");
  std::fflush(stdout);
  const DWORD start = GetTickCount();
  HWND hwnd = nullptr;
  for (;;) {
    hwnd = FindWindowW(nullptr, caption.c_str());
    if (hwnd && IsWindowVisible(hwnd)) break;
    if (static_cast<long>(GetTickCount() - start) >= waitMs) {
      std::printf("none\n");
      return 1;
    }
    Sleep(10);
  }
  const long long visibleAt = UnixMs();
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE), ex = GetWindowLongW(hwnd, GWL_EXSTYLE);
  RECT window{}, client{};
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  RECT outer = client;
  AdjustWindowRectEx(&outer, static_cast<DWORD>(style), GetMenu(hwnd) != nullptr, static_cast<DWORD>(ex));
  std::printf(
      "visible_at=%lld client=%ld,%ld origin=%ld,%ld rect=%ld,%ld,%ld,%ld framed=%ld,%ld screen=%d,%d "
      "style=0x%08lx\n",
      visibleAt, client.right - client.left, client.bottom - client.top, origin.x, origin.y, window.left,
      window.top, window.right, window.bottom, outer.right - outer.left, outer.bottom - outer.top,
      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), static_cast<unsigned long>(style));
  return 0;
}

int MessageCommand(const std::wstring& caption, long waitMs) {
  // A message box is a dialog of the system's class, whatever its owner's caption.
  const DWORD start = GetTickCount();
  HWND box = nullptr;
  while (!(box = FindWindowW(L"#32770", caption.c_str())) || !IsWindowVisible(box)) {
    if (static_cast<long>(GetTickCount() - start) >= waitMs) {
      std::printf("none\n");
      return 1;
    }
    Sleep(10);
  }
  // The message box keeps its text in the static control 0xFFFF.
  wchar_t text[4096] = L"";
  GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(sizeof text / sizeof text[0]));
  std::wstring line = text;
  for (wchar_t& c : line) {
    if (c == L'\r' || c == L'\n') c = L'|';
  }
  std::printf("text=%s\n", kal::win32::Narrow(line).c_str());
  std::fflush(stdout);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return 0;
}

}  // namespace kaltest
