#include "platform/win32/Win32Platform.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/RefreshPace.h"
#include "platform/win32/CommandLineText.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Files.h"

namespace kal {
namespace {

HWND ToHwnd(Handle h) { return win32::HwndOf(h); }

RECT ToRect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A window placed into another program's window looks this often whether it
// still exists: a host that is destroyed or killed may not tell it.
constexpr auto kParentLookInterval = std::chrono::milliseconds(250);

// Milliseconds from now to t for a wait: rounded up, so a wait never ends early.
DWORD WaitMs(TimePoint t) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count();
  return static_cast<DWORD>(std::clamp<long long>(left, 0, 0x7FFFFFFE));
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance, const WindowArt& art) {
  book_.instance = instance;
  book_.art = art;
  book_.closeHandled = [this] {
    if (!AnyLoaded()) EndProcess(0);
  };
  // Millisecond sleeps for the saver's pacing (the default tick is ~16 ms).
  timerPeriodSet_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

Win32Platform::~Win32Platform() {
  if (timerPeriodSet_) timeEndPeriod(1);
}

// ---- process ----

std::string Win32Platform::CommandLine() {
  const wchar_t* line = GetCommandLineW();
  return win32::Narrow(win32::ArgumentsAfterProgramName(line ? line : L""));
}

std::string Win32Platform::AppPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 0x10000) return {};  // longer than any Windows path
    path.resize(path.size() * 2);           // truncated: try a larger buffer
  }
  std::size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return {};
  path.resize(cut);
  // A drive root keeps its separator: "C:\" (also "\\?\C:\").
  if (!path.empty() && path.back() == L':') path += L'\\';
  return win32::Narrow(path);
}

void Win32Platform::EndProcess(int exitCode) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(exitCode));
}

void Win32Platform::Dispatch(const MSG& msg) {
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  if (book_.pendingError) {
    std::exception_ptr error = book_.pendingError;
    book_.pendingError = nullptr;
    std::rethrow_exception(error);
  }
}

// ---- the loop's primitives ----

bool Win32Platform::AnyChanges() {
  return std::any_of(book_.windows.begin(), book_.windows.end(),
                     [](const win32::Win32Window* w) { return w->HasChanges(); });
}

void Win32Platform::PushChanges() {
  // Pushing only draws: no window procedure runs, the list stays as it is.
  for (win32::Win32Window* w : book_.windows) w->Push();
}

bool Win32Platform::ReadAndDispatch() {
  quitSeen_ = false;
  bool any = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    if (msg.message == WM_QUIT) {
      // Posted again: it ends this loop and every loop outside it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      quitSeen_ = true;
      break;
    }
    Dispatch(msg);
  }
  return any;
}

bool Win32Platform::SleepUntil(std::optional<TimePoint> wake) {
  const DWORD ms = wake ? WaitMs(*wake) : INFINITE;
  // Wakes on any input or message already waiting as well as on new ones.
  return MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
}

std::optional<Clock::duration> Win32Platform::CheckWindows() {
  // Copied: forgetting a window takes it off the list.
  for (win32::Win32Window* w : std::vector<win32::Win32Window*>(book_.windows)) w->ForgetIfGone();
  if (std::any_of(book_.windows.begin(), book_.windows.end(),
                  [](const win32::Win32Window* w) { return w->WatchingParent(); })) {
    return kParentLookInterval;
  }
  return std::nullopt;
}

void Win32Platform::ReportFatal(const std::string& message) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE) {
    std::string line = "Kalvessa: " + message + "\n";
    DWORD written = 0;
    WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  MessageBoxW(nullptr, win32::Widen(message).c_str(), L"Kalvessa", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void Win32Platform::WriteLog(const std::string& line) {
  // A program without a console: the words go to the debugger, and to stderr
  // where someone started it with one.
  OutputDebugStringW(win32::Widen("Kalvessa: " + line + "\n").c_str());
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE) {
    std::string text = "Kalvessa: " + line + "\n";
    DWORD written = 0;
    WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

// ---- screen ----

ScreenMetrics Win32Platform::Screen() {
  ScreenMetrics m;
  m.widthPx = GetSystemMetrics(SM_CXSCREEN);
  m.heightPx = GetSystemMetrics(SM_CYSCREEN);
  if (HDC dc = GetDC(nullptr)) {
    int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (dpiX > 0) m.twipsPerPixelX = 1440.0f / static_cast<float>(dpiX);
    if (dpiY > 0) m.twipsPerPixelY = 1440.0f / static_cast<float>(dpiY);
  }
  return m;
}

std::vector<PixelRect> Win32Platform::Monitors() {
  std::vector<std::pair<PixelRect, bool>> found;  // rectangle, primary
  auto add = [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
      const RECT& r = info.rcMonitor;
      reinterpret_cast<std::vector<std::pair<PixelRect, bool>>*>(data)->emplace_back(
          PixelRect{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0);
    }
    return TRUE;
  };
  EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&found));
  std::vector<PixelRect> out;
  for (bool primary : {true, false}) {
    for (const auto& [rect, isPrimary] : found) {
      if (isPrimary == primary) out.push_back(rect);
    }
  }
  if (out.empty()) return WindowSystem::Monitors();
  return out;
}

// ---- windows ----

Handle Win32Platform::FindTopLevelWindow(std::string_view caption) {
  HWND h = FindWindowW(nullptr, win32::Widen(caption).c_str());
  return static_cast<Handle>(reinterpret_cast<std::intptr_t>(h));
}

bool Win32Platform::HoldInstanceLock() {
  // A named mutex of this session, never closed: the system lets go of it
  // when the process ends, however it ends. One the system cannot make
  // keeps nobody out (the caption check still does its part).
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Kalvessa.Instance");
  return mutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS;
}

std::unique_ptr<PlatformWindow> Win32Platform::MakeWindow(const WindowDesc& desc, WindowHandler& handler) {
  if (desc.fullScreen && monitorWatch_ == 0) {
    monitorsSeen_ = Monitors();
    monitorWatch_ = SetTimer(std::chrono::seconds(1), [this] { WatchMonitors(); });
  }
  return win32::Win32Window::Create(book_, desc, handler);
}

void Win32Platform::WatchMonitors() {
  std::vector<PixelRect> now = Monitors();
  if (now == monitorsSeen_) return;
  monitorsSeen_ = std::move(now);
  // Copied: a handler may make or destroy windows.
  for (win32::Win32Window* w : std::vector<win32::Win32Window*>(book_.windows)) {
    if (std::find(book_.windows.begin(), book_.windows.end(), w) != book_.windows.end()) w->DisplayChanged();
  }
}

bool Win32Platform::GetWindowRect(Handle window, PixelRect& out) {
  HWND h = ToHwnd(window);
  RECT r{};
  if (!h || !IsWindow(h) || !::GetWindowRect(h, &r)) return false;
  out = PixelRect{r.left, r.top, r.right, r.bottom};
  return true;
}

void Win32Platform::PostCloseRequest(Handle window) {
  // A window without owner has nobody to ask (PostMessage to no window would
  // put the request in this thread's own queue, where nothing takes it).
  if (HWND h = ToHwnd(window)) PostMessageW(h, WM_CLOSE, 0, 0);
}

// ---- OS services ----

int Win32Platform::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

std::optional<OsVersion> Win32Platform::GetVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = 148;  // the ANSI record's size
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL result = GetVersionExA(&info);
#pragma GCC diagnostic pop
  // Only an exact TRUE counts as success.
  if (result != 1) return std::nullopt;
  return OsVersion{info.dwPlatformId};
}

void Win32Platform::PwdChangePassword(Handle owner) {
  using ChangeFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
  HMODULE mpr = LoadLibraryA("mpr.dll");
  if (!mpr) return;
  if (auto change =
          reinterpret_cast<ChangeFn>(reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")))) {
    change("SCRSAVE", ToHwnd(owner), 0, nullptr);
  }
  FreeLibrary(mpr);
}

std::optional<bool> Win32Platform::VerifyScreenSavePwd(Handle owner) {
  using VerifyFn = BOOL(WINAPI*)(HWND);
  HMODULE cpl = LoadLibraryA("password.cpl");
  if (!cpl) return std::nullopt;
  auto verify =
      reinterpret_cast<VerifyFn>(reinterpret_cast<void*>(GetProcAddress(cpl, "VerifyScreenSavePwd")));
  std::optional<bool> answer;
  if (verify) answer = verify(ToHwnd(owner)) != 0;
  FreeLibrary(cpl);
  return answer;
}

void Win32Platform::SetScreenSaverRunning(std::int32_t running) {
  // Profile flags 0: nothing is stored in the user's profile.
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, static_cast<UINT>(running), nullptr, 0);
}

void Win32Platform::SetScreenSavingActive() { SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, 0); }

void Win32Platform::AnimateCaptionZoom(Handle window, const PixelRect& from, const PixelRect& to) {
  RECT a = ToRect(from), b = ToRect(to);
  ::DrawAnimatedRects(ToHwnd(window), IDANI_CAPTION, &a, &b);
}

// ---- files ----

std::optional<std::string> Win32Platform::ReadFile(const std::string& path) {
  return win32::ReadWholeFile(win32::Widen(path));
}

bool Win32Platform::WriteFileAtomic(const std::string& path, std::string_view bytes) {
  return win32::ReplaceFileAtomically(win32::Widen(path), bytes);
}

}  // namespace kal
