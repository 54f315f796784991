// The platform on Windows: Win32 windows showing Canvas drawing, the wide API for
// every text, the system's screen-saver services. The event loop is the shared
// one (platform/EventLoop.h) over the thread's message queue.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/EventLoop.h"
#include "platform/Platform.h"
#include "platform/Random.h"
#include "platform/win32/Win32Window.h"

namespace kal {

class Win32Platform final : public Platform, private EventSource {
 public:
  explicit Win32Platform(HINSTANCE instance);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  std::string CommandLine() override;
  std::string AppPath() override;
  std::string SettingsDirectory() override { return AppPath(); }
  char PathSeparator() const override { return '\\'; }
  [[noreturn]] void EndProcess(int exitCode = 0) override;
  void DoEvents() override { loop_.DoEvents(); }
  void RunMessageLoop() override { loop_.RunMessageLoop(); }
  void WaitUntil(TimePoint deadline) override { loop_.WaitUntil(deadline); }
  TimePoint Now() override { return Clock::now(); }  // also the loop's clock
  void ReportFatal(const std::string& message) override;
  int SetTimer(Clock::duration interval, std::function<void()> tick) override {
    return loop_.SetTimer(interval, std::move(tick));
  }
  void KillTimer(int id) override { loop_.KillTimer(id); }
  void RunModalLoop(const std::function<bool()>& done) override { loop_.RunModalLoop(done); }

  ScreenMetrics Screen() override;
  // EnumDisplayMonitors: every monitor of the desktop, the primary first.
  std::vector<PixelRect> Monitors() override;

  Handle FindTopLevelWindow(std::string_view caption) override;
  bool HoldInstanceLock() override;
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  // Windows starts a saver in its own full-screen window or in a preview host (SetParent): nothing
  // draws into another program's window, so there is none to adopt.
  std::unique_ptr<PlatformWindow> AdoptWindow(Handle, WindowHandler&) override { return nullptr; }
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;

  int ShowCursor(bool show) override;
  bool GetVersion(OsVersion& out) override;
  void PwdChangePassword(Handle owner) override;
  std::optional<bool> VerifyScreenSavePwd(Handle owner) override;
  void SetSystemParameter(std::uint32_t action, std::int32_t param) override;
  void DrawAnimatedRects(Handle window, int kind, const PixelRect& from, const PixelRect& to) override;
  bool GetCursorPos(int& x, int& y) override;
  void OpenDocument(Handle owner, const std::string& address) override;
  void ShowMessage(Handle owner, const std::string& caption, const std::string& text) override;
  forms::TextRenderer& Text() override;

  std::optional<std::string> ReadFile(const std::string& path) override;
  bool WriteFileAtomic(const std::string& path, std::string_view bytes) override;
  bool FileExists(const std::string& path) override;
  std::optional<std::int64_t> FileModified(const std::string& path) override;
  std::string UserSettingsDirectory() override;
  std::string LastFileError() override;

  RandomSource& Random() override { return random_; }

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
  std::unique_ptr<forms::TextRenderer> text_;  // made on first use
  bool timerPeriodSet_ = false;
  bool quitSeen_ = false;  // the last look found WM_QUIT
  EventLoop loop_{*this};
};

}  // namespace kal
