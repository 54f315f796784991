// A host window for the preview: the role the desktop's screen-saver settings
// play. Cross-process it starts Kalvessa.scr with "/p <hwnd>" as the desktop
// does; in-process it places the preview itself through the Win32 backend
// (under Wine only then do a child's pixels reach the screen, where a capture
// of the host can read them).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/win32/Win32Platform.h"
#include "preview/Sorvin_R.h"
#include "tests/win32/Capture.h"
#include "tests/win32/Commands.h"

namespace kaltest {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Magenta: a colour the preview never shows, so whatever remains of it is
// host that the preview does not cover.
constexpr COLORREF kMagenta = RGB(255, 0, 255);

HWND MakeHost(int width, int height) {
  static HBRUSH brush = CreateSolidBrush(kMagenta);
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = brush;
  wc.lpszClassName = L"KaltestPreviewHost";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"kaltest preview host", WS_POPUP | WS_VISIBLE, 20, 20, width,
                         height, nullptr, nullptr, wc.hInstance, nullptr);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps the host's messages until done() or ms have passed.
template <class Done>
bool PumpUntil(double ms, Done done) {
  const auto start = Clock::now();
  for (;;) {
    Pump();
    if (done()) return true;
    if (MsSince(start) >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// What the host sees of its child.
void Report(HWND host, HWND child) {
  RECT client{}, r{};
  GetClientRect(host, &client);
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
  LONG style = GetWindowLongW(child, GWL_STYLE);
  wchar_t name[128] = L"";
  GetWindowTextW(child, name, 128);
  char utf8[512] = "";
  WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8, nullptr, nullptr);
  std::printf(
      "parent_ok=%s child_rect=%ld,%ld,%ld,%ld host_client=%ld,%ld child_style=%s caption=%s name=%s\n",
      GetParent(child) == host ? "yes" : "no", r.left, r.top, r.right, r.bottom, client.right, client.bottom,
      (style & WS_CHILD) ? "yes" : "no", (style & WS_CAPTION) == WS_CAPTION ? "yes" : "no", utf8);
}

HWND VisibleChild(HWND host) {
  HWND child = GetWindow(host, GW_CHILD);
  return child && IsWindowVisible(child) ? child : nullptr;
}

int InProcess(int width, int height, int holdMs, const std::wstring& capture) {
  HWND host = MakeHost(width, height);
  kal::Win32Platform platform(GetModuleHandleW(nullptr), kal::WindowArt{});
  const auto start = Clock::now();
  kal::Sorvin_R preview(platform);
  if (!preview.Place(static_cast<kal::Handle>(reinterpret_cast<std::intptr_t>(host)))) {
    std::printf("placed=no\n");
    return 1;
  }
  HWND child = nullptr;
  if (!PumpUntil(5000, [&] { return (child = VisibleChild(host)) != nullptr; })) {
    std::printf("shown_ms=timeout\n");
    return 1;
  }
  std::printf("shown_ms=%.1f\n", MsSince(start));
  Report(host, child);
  PumpUntil(std::max(300, holdMs), [] { return false; });  // the first paint and push, then the hold
  if (!capture.empty() && !WriteCapture(capture, host, width, height)) {
    std::printf("capture=failed\n");
    return 1;
  }
  // The host goes: the preview is unloaded with it and the loop ends.
  const auto destroyed = Clock::now();
  DestroyWindow(host);
  platform.RunMessageLoop();
  std::printf("loop_ended_ms=%.1f\n", MsSince(destroyed));
  std::fflush(stdout);
  return 0;
}

int CrossProcess(const std::wstring& scr, int width, int height, int holdMs) {
  HWND host = MakeHost(width, height);
  Pump();
  std::wstring line = L"\"" + scr + L"\" /p " +
                      std::to_wstring(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(host)));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const auto start = Clock::now();
  // Wine's very first start of a program after its server came up can fail
  // with an internal error: try again a few times.
  bool started = false;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    if (!started) Sleep(200);
  }
  if (!started) {
    std::printf("start=failed error=%lu\n", GetLastError());
    return 1;
  }
  CloseHandle(pi.hThread);
  std::printf("pid=%lu\n", pi.dwProcessId);
  std::fflush(stdout);
  HWND child = nullptr;
  bool ended = false;
  PumpUntil(20000, [&] {
    ended = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
    return ended || (child = VisibleChild(host)) != nullptr;
  });
  DWORD code = 0;
  if (!child) {
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf(ended ? "exited_early=%lu\n" : "shown_ms=timeout\n", code);
    return 1;
  }
  std::printf("shown_ms=%.1f\n", MsSince(start));
  Report(host, child);
  std::fflush(stdout);
  PumpUntil(holdMs, [] { return false; });
  const auto destroyed = Clock::now();
  DestroyWindow(host);
  // The preview's process ends with its window.
  bool gone = PumpUntil(5000, [&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
  GetExitCodeProcess(pi.hProcess, &code);
  if (gone) {
    std::printf("exit_ms=%.1f exit_code=%lu\n", MsSince(destroyed), code);
  } else {
    std::printf("exit_ms=timeout\n");
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hProcess);
  return gone ? 0 : 1;
}

}  // namespace

int PreviewHostCommand(const std::wstring& program, int width, int height, int holdMs,
                       const std::wstring& capture) {
  if (width <= 0 || height <= 0) return 2;
  return program == L"inproc" ? InProcess(width, height, holdMs, capture)
                              : CrossProcess(program, width, height, holdMs);
}

}  // namespace kaltest
