// The platform on Windows, every service in one object: Win32 windows showing
// Canvas drawing, the wide API for every text, the system's screen-saver
// services and files. The event loop is the shared one (platform/EventLoop.h)
// over the thread's message queue. What it offers is in platform/win32/Features.h.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/LoopWindowSystem.h"
#include "platform/Platform.h"
#include "platform/Random.h"
#include "platform/WindowArt.h"
#include "platform/win32/Features.h"
#include "platform/win32/Win32Window.h"

namespace kal {

class Win32Platform final : public Platform,
                            public LoopWindowSystem,
                            public FileSystem,
                            public DesktopServices,
                            public ProcessServices {
 public:
  // `art`: the hand pointer the windows show (the program icon is the
  // executable's own resource).
  Win32Platform(HINSTANCE instance, const WindowArt& art);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  WindowSystem& Windows() override { return *this; }
  FileSystem& Files() override { return *this; }
  DesktopServices& Desktop() override { return *this; }
  ProcessServices& Process() override { return *this; }
  Features features() const override { return win32::kWin32Features; }

  // ---- ProcessServices ----
  std::string CommandLine() override;
  std::string AppPath() override;
  [[noreturn]] void EndProcess(int exitCode = 0) override;
  void ReportFatal(const std::string& message) override;
  void WriteLog(const std::string& line) override;
  RandomSource& Random() override { return random_; }

  // ---- WindowSystem ----
  ScreenMetrics Screen() override;
  // EnumDisplayMonitors: every monitor of the desktop, the primary first.
  std::vector<PixelRect> Monitors() override;
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;
  Handle FindTopLevelWindow(std::string_view caption) override;
  // (No AdoptWindow: Windows starts a saver in its own full-screen window or
  // in a preview host, EmbedInto; nothing draws into another program's window.)
  int ShowCursor(bool show) override;
  bool GetCursorPos(int& x, int& y) override;
  void AnimateCaptionZoom(Handle window, const PixelRect& from, const PixelRect& to) override;
  TextRenderer& Text() override;

  // ---- DesktopServices ----
  bool HoldInstanceLock() override;
  std::optional<OsVersion> GetVersion() override;
  void PwdChangePassword(Handle owner) override;
  std::optional<bool> VerifyScreenSavePwd(Handle owner) override;
  void SetScreenSaverRunning(std::int32_t running) override;
  void SetScreenSavingActive() override;
  bool ShowMessage(Handle owner, const std::string& caption, const std::string& text) override;
  void OpenDocument(Handle owner, const std::string& address) override;

  // ---- FileSystem ----
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::optional<std::int64_t> FileModified(const std::string& path) override;
  bool WriteFileAtomic(const std::string& path, std::string_view bytes) override;
  std::string LastFileError() override;
  std::string SettingsDirectory() override { return AppPath(); }
  char PathSeparator() const override { return '\\'; }
  std::string UserSettingsDirectory() override;

 private:
  // Dispatches one message; a handler's exception surfaces here.
  void Dispatch(const MSG& msg);

  // ---- EventSource: the loop's primitives on the message queue ----
  // PeekMessageW until the queue is empty; stops at WM_QUIT.
  bool ReadAndDispatch() override;
  // MsgWaitForMultipleObjectsEx with MWMO_INPUTAVAILABLE: input already
  // waiting ends it at once.
  bool SleepUntil(std::optional<TimePoint> wake) override;
  bool AnyChanges() override;
  void PushChanges() override;
  bool AnyLoaded() override { return !book_.windows.empty(); }
  bool QuitRequested() override { return quitSeen_; }
  // Windows destroyed from another process that did not hear of it.
  std::optional<Clock::duration> CheckWindows() override;

  // Wine 8 lays out monitors plugged in while a program runs without telling
  // its windows (no WM_DISPLAYCHANGE): a full-screen window's program also
  // looks once a second.
  void WatchMonitors();
  int monitorWatch_ = 0;  // the timer; 0: not watching
  std::vector<PixelRect> monitorsSeen_;

  win32::WindowBookkeeping book_;
  PcgRandom random_;
  std::unique_ptr<TextRenderer> text_;  // made on first use
  bool timerPeriodSet_ = false;
  bool quitSeen_ = false;  // the last look found WM_QUIT
};

}  // namespace kal
