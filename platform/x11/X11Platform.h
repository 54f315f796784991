// The Platform for a native Linux desktop: Xlib on one display connection,
// POSIX files. Windows draw into the shared Canvas, which is pushed to the
// server (only what changed) at most once per display refresh. The event loop
// is the shared one (platform/EventLoop.h) over the connection's queue.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/Platform.h"
#include "platform/Random.h"

namespace kal::x11 {

class X11Window;

class X11Platform final : public Platform, private EventSource {
 public:
  // Connects to $DISPLAY; nullptr when no display can be opened.
  static std::unique_ptr<X11Platform> Open(std::string commandLine);
  ~X11Platform() override;
  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  // ---- process ----
  std::string CommandLine() override { return commandLine_; }
  std::string AppPath() override;
  std::string SettingsDirectory() override;
  char PathSeparator() const override { return '/'; }
  [[noreturn]] void EndProcess(int exitCode) override;
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
  // "Kalvessa: <message>" on stderr; usable before a platform exists.
  static void WriteReport(const std::string& message);

  // ---- screen ----
  // The primary monitor's size (as on the other desktop), not the root's.
  ScreenMetrics Screen() override;
  // XRandR 1.5's monitors, else Xinerama's screens, else the whole screen.
  std::vector<PixelRect> Monitors() override;

  // ---- windows ----
  Handle FindTopLevelWindow(std::string_view caption) override;
  bool HoldInstanceLock() override;
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  std::unique_ptr<PlatformWindow> AdoptWindow(Handle window, WindowHandler& handler) override;
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;

  // ---- OS services ----
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

  // ---- files ----
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool WriteFileAtomic(const std::string& path, std::string_view bytes) override;
  std::optional<std::int64_t> FileModified(const std::string& path) override;
  std::string UserSettingsDirectory() override { return {}; }  // the settings are the user's already
  std::string LastFileError() override;

  RandomSource& Random() override { return random_; }

  // ---- for the windows ----
  struct Atoms {
    Atom wmProtocols, wmDeleteWindow, netWmName, utf8String, netWmState, netWmStateFullscreen,
        netWmStateAbove, netSupportingWmCheck, motifWmHints, netWmPid, netWmBypassCompositor;
  };
  Display* display() const { return display_; }
  int screen() const { return screen_; }
  Window root() const { return root_; }
  const Atoms& atoms() const { return atoms_; }
  const std::string& programName() const { return programName_; }
  // True when an EWMH window manager is running now.
  bool WindowManagerRunning();
  bool shmAvailable() const { return shmAvailable_; }
  // How many times larger pixel-designed windows show (Xft.dpi, the desktop's font DPI).
  int displayScale();
  // How many times the windows' changes were pushed (at most one a refresh).
  std::size_t pushCount() const { return pushCount_; }
  bool cursorHidden() const { return cursorCount_ < 0; }
  Cursor invisibleCursor();
  void Register(X11Window* window);
  void Unregister(X11Window* window);
  // Ends the process when a window was closed by the window manager and
  // nothing of the program is loaded any more.
  void OnWindowClosedByUser();

 private:
  X11Platform(Display* display, std::string commandLine);
  void HandleEvent(XEvent& event);
  // Watches the monitors' layout: XRandR's screen changes, the root's size.
  void WatchDisplayLayout();
  // Every loaded window hears that the monitors changed.
  void NotifyDisplayChange();
  // Sends the requests made since the last flush, if any.
  void Flush();

  // ---- EventSource: the loop's primitives on the connection ----
  // The coarse monotonic clock (CLOCK_MONOTONIC_COARSE).
  TimePoint CoarseNow() override;
  // XEventsQueued(QueuedAfterFlush), then the queue.
  bool ReadAndDispatch() override;
  // The queue Xlib has already read (XQLength: no system call, no lock).
  bool DispatchQueued() override;
  bool InputQueued() override;
  // One ppoll on the connection after a flush of what was requested.
  bool SleepUntil(std::optional<TimePoint> wake) override;
  bool AnyChanges() override;
  void PushChanges() override;
  bool AnyLoaded() override;

  Display* display_;
  int screen_;
  Window root_;
  std::string commandLine_;
  std::string programName_ = "kalvessa";
  Atoms atoms_{};
  bool shmAvailable_ = false;
  int randrEventBase_ = -1;     // -1: no XRandR
  bool randrMonitors_ = false;  // XRandR 1.5: XRRGetMonitors
  PcgRandom random_;
  std::unique_ptr<forms::TextRenderer> text_;  // made on first use
  int cursorCount_ = 0;
  Cursor invisibleCursor_ = 0;
  std::vector<X11Window*> windows_;
  std::size_t pushCount_ = 0;
  unsigned long flushedBefore_ = 0;  // NextRequest at the last Flush
  EventLoop loop_{*this};
};

}  // namespace kal::x11
