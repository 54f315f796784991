// The platform on Windows: Win32 windows showing Canvas drawing, the wide API for
// every text, the system's screen-saver services.
#pragma once

#include <windows.h>

#include "platform/Platform.h"
#include "platform/Random.h"
#include "platform/win32/Win32Window.h"

namespace kal {

class Win32Platform final : public Platform {
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
  void DoEvents() override;
  void RunMessageLoop() override;
  void WaitUntil(TimePoint deadline) override;
  TimePoint Now() override { return Clock::now(); }
  void ReportFatal(const std::string& message) override;

  ScreenMetrics Screen() override;

  Handle FindTopLevelWindow(std::string_view caption) override;
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;

  int ShowCursor(bool show) override;
  bool GetVersion(OsVersion& out) override;
  void PwdChangePassword(Handle owner) override;
  std::optional<bool> VerifyScreenSavePwd(Handle owner) override;
  void SetSystemParameter(std::uint32_t action, std::int32_t param) override;
  void DrawAnimatedRects(Handle window, int kind, const PixelRect& from, const PixelRect& to) override;

  std::optional<std::string> ReadFile(const std::string& path) override;
  bool WriteFileAtomic(const std::string& path, std::string_view bytes) override;

  RandomSource& Random() override { return random_; }

 private:
  // Dispatches one message; a handler's exception surfaces here.
  void Dispatch(const MSG& msg);
  // The windows' drawing reaches the screen at most once per display refresh.
  bool AnyChanges() const;
  bool PushDue(TimePoint now) const;
  void PushAll();

  win32::WindowBookkeeping book_;
  TimePoint lastPush_{};
  // DoEvents' last look at the queue, and whether it found nothing.
  TimePoint lastLook_{};
  bool quiet_ = false;
  PcgRandom random_;
  bool timerPeriodSet_ = false;
};

}  // namespace kal
