// The X11 window system: Xlib on one display connection. Windows draw into
// the shared Canvas, which is pushed to the server (only what changed) at
// most once per display refresh. The event loop is the shared one
// (platform/EventLoop.h) over the connection's queue. What it offers is in
// platform/x11/Features.h.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LoopWindowSystem.h"
#include "platform/Process.h"
#include "platform/WindowArt.h"
#include "platform/WindowSystem.h"

namespace kal::x11 {

class X11Window;

class X11WindowSystem final : public LoopWindowSystem {
 public:
  // Connects to $DISPLAY; nullptr when no display can be opened. `art`: the
  // program's icon and hand pointer, which the windows show.
  static std::unique_ptr<X11WindowSystem> Open(const WindowArt& art);
  ~X11WindowSystem() override;
  X11WindowSystem(const X11WindowSystem&) = delete;
  X11WindowSystem& operator=(const X11WindowSystem&) = delete;
  // Where the process ends when the window manager closed the last window.
  void AttachProcess(ProcessServices& process) { process_ = &process; }
  // The display's name as the server knows it, for the instance lock.
  std::string DisplayName() const { return DisplayString(display_); }
  // Sends every request made, and waits until the server has them (before
  // the process ends).
  void Sync() { XSync(display_, False); }

  // (The loop's calls: LoopWindowSystem.)

  // ---- whether anyone can see ----
  // False while DPMS has the display in standby, suspend or off. Asked after
  // every frame: the server is asked at most once a second, the answer kept
  // in between. Always true on a server without DPMS (Xvfb).
  bool Presenting() override;

  // ---- the screen ----
  // The primary monitor's size (as on the other desktop), not the root's.
  ScreenMetrics Screen() override;
  // XRandR 1.5's monitors, else Xinerama's screens, else the whole screen.
  std::vector<PixelRect> Monitors() override;

  // ---- windows ----
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;
  Handle FindTopLevelWindow(std::string_view caption) override;
  std::unique_ptr<PlatformWindow> AdoptWindow(Handle window, WindowHandler& handler) override;
  Handle BackgroundWindow() override { return static_cast<Handle>(root_); }

  // ---- the pointer, text ----
  int ShowCursor(bool show) override;
  bool GetCursorPos(int& x, int& y) override;
  TextRenderer& Text() override;

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
  const WindowArt& art() const { return art_; }
  // True when an EWMH window manager is running now.
  bool WindowManagerRunning();
  // True when the server is a Wayland compositor's XWayland: its window
  // manager places full-screen windows on the focused output only, so a
  // saver's windows there place themselves (override-redirect).
  bool OnXWayland();
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
  X11WindowSystem(Display* display, const WindowArt& art);
  void HandleEvent(XEvent& event);
  // Watches the monitors' layout: XRandR's screen changes, the root's size.
  void WatchDisplayLayout();
  // Every loaded window hears that the monitors changed.
  void NotifyDisplayChange();
  // Sends the requests made since the last flush, if any.
  void Flush();
  // Asks the server whether DPMS has powered the display down (a round trip).
  bool DisplayPoweredDown();

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
  WindowArt art_;
  ProcessServices* process_ = nullptr;
  std::string programName_ = "kalvessa";
  Atoms atoms_{};
  bool shmAvailable_ = false;
  int randrEventBase_ = -1;             // -1: no XRandR
  bool randrMonitors_ = false;          // XRandR 1.5: XRRGetMonitors
  std::optional<bool> xwayland_;        // OnXWayland(), asked once
  std::unique_ptr<TextRenderer> text_;  // made on first use
  int cursorCount_ = 0;
  Cursor invisibleCursor_ = 0;
  std::vector<X11Window*> windows_;
  std::size_t pushCount_ = 0;
  unsigned long flushedBefore_ = 0;  // NextRequest at the last Flush

  // DPMS, looked at once a second.
  bool dpms_ = false;         // the server has it
  bool poweredDown_ = false;  // what it said at the last look
  TimePoint nextPowerLook_{};
  Clock::duration coarseLag_{};  // how far the coarse clock may lag
};

}  // namespace kal::x11
