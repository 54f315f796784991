// The window system and its loop: events, timers and the clock, the screen
// and its monitors, windows, the pointer and text. A backend's folder holds
// one of these (platform/win32, platform/x11, platform/memory); operations of
// a feature (platform/Features.h) answer "not here" unless it is declared.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "platform/Types.h"
#include "platform/Window.h"

namespace kal {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // ---- the loop ----
  // Delivers every pending window event to its handler (re-entrantly) and returns.
  virtual void DoEvents() = 0;
  // The message loop after the start-up procedure has returned: handles events
  // (sleeping while there are none) until no window of the program is loaded.
  virtual void RunMessageLoop() = 0;
  // Puts what was drawn on the screen, then sleeps until the deadline or until
  // input is pending, whichever is first. Never spins.
  virtual void WaitUntil(TimePoint deadline) = 0;
  virtual TimePoint Now() = 0;
  // Calls tick on the UI thread every interval, on an absolute schedule (no drift); after a stall
  // at most one late tick runs and the schedule restarts from now. Ticks run from DoEvents, WaitUntil
  // (which then returns), RunMessageLoop and RunModalLoop. Returns an id > 0. The interval must be
  // positive (std::invalid_argument otherwise); a short one is kept as asked and never spins.
  virtual int SetTimer(Clock::duration interval, std::function<void()> tick) = 0;
  // Stops the timer (also from inside its own tick); an unknown id does nothing.
  virtual void KillTimer(int id) = 0;
  // The message loop of a modal window: handles events and timers (sleeping while there are none) until
  // done() is true or no window of the program is loaded.
  virtual void RunModalLoop(const std::function<bool()>& done) = 0;

  // ---- whether anyone can see ----
  // False while nothing drawn can be seen: the display is powered down, or
  // the compositor has stopped asking for frames (the window is hidden). The
  // saver's frame loop rests then. Asked after every frame, so a backend
  // answers from what it knows (asking its system at most once a second, or
  // following its notices).
  virtual bool Presenting() { return true; }

  // ---- the screen ----
  virtual ScreenMetrics Screen() = 0;
  // Every monitor's rectangle in screen pixels, the primary first (its size
  // is Screen()'s). Never empty. Without kSeveralMonitors: one monitor of
  // Screen()'s size at (0, 0).
  virtual std::vector<PixelRect> Monitors();

  // ---- windows ----
  // Creates the native window, hidden; nullptr when the system refuses.
  // LoadWindow() below is how logic loads one.
  virtual std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) = 0;
  // The window's rectangle in screen pixels; false when the handle names no window.
  virtual bool GetWindowRect(Handle window, PixelRect& out) = 0;
  // Queues a close request for a window (of any program); 0 asks nobody.
  virtual void PostCloseRequest(Handle window) = 0;
  // kFindWindowByCaption: a top-level window of any process with exactly this
  // caption (UTF-8), or 0.
  virtual Handle FindTopLevelWindow(std::string_view /*caption*/) { return 0; }
  // kAdoptWindow: draws into a window another program made (a screen-saver
  // daemon's, or the root window): the result's Display() covers it and
  // follows its size, and the result is unloaded when that window is
  // destroyed. The window stays the other program's: it is never moved,
  // shown, hidden, destroyed or given another pointer, and its input is not
  // ours. nullptr when the handle names no window.
  virtual std::unique_ptr<PlatformWindow> AdoptWindow(Handle /*window*/, WindowHandler& /*handler*/) {
    return nullptr;
  }
  // kAdoptWindow: the desktop's own background window, which a program
  // started to draw "on the root" draws into.
  virtual Handle BackgroundWindow() { return 0; }

  // ---- the pointer ----
  // Changes the cursor display count by one; the cursor shows while it is >= 0.
  virtual int ShowCursor(bool show) = 0;
  // kPointerPosition: the pointer in screen pixels; false when it cannot be read.
  virtual bool GetCursorPos(int& /*x*/, int& /*y*/) { return false; }

  // ---- effects ----
  // kCaptionZoom: the system's rectangle animation from one rectangle to
  // another (screen pixels) as a window opens or closes.
  virtual void AnimateCaptionZoom(Handle /*window*/, const PixelRect& /*from*/, const PixelRect& /*to*/) {}

  // ---- text ----
  // Text on a Canvas with the system's fonts.
  virtual TextRenderer& Text() = 0;
};

// Loading a window: create it, store it in `slot` (so the window is owned
// before any handler runs), then run its load handler. The load handler may
// never return: the saver runs inside it.
void LoadWindow(WindowSystem& windows, const WindowDesc& desc, WindowHandler& handler,
                std::unique_ptr<PlatformWindow>& slot);

}  // namespace kal
