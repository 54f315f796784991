// The one interface between the program's logic and the window system / OS.
//
// Everything the logic needs from its host is asked for here, in the logic's
// own terms. Backends: platform/win32 (Win32 + GDI), platform/x11 (Xlib),
// platform/memory (tests). A backend that has no such service says so in the
// comment of its implementation and takes the fallback documented here.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Random.h"
#include "platform/Types.h"
#include "platform/forms/Text.h"

namespace kal {

// A drawing surface (a picture box). Coordinates are pixels, origin top-left.
class Surface {
 public:
  virtual ~Surface() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // A filled dot of the given radius centred at (x, y), clipped to the surface.
  // Every backend must produce the pixels of Canvas::Circle.
  virtual void Circle(float x, float y, float radius, Color color) = 0;
  // n dots of one radius at whole-pixel centres, drawn in order: a trail in
  // one call. The same pixels as n calls of Circle.
  virtual void Circles(const std::int32_t* xs, const std::int32_t* ys, const Color* colors, int n,
                       float radius) {
    for (int k = 0; k < n; ++k)
      Circle(static_cast<float>(xs[k]), static_cast<float>(ys[k]), radius, colors[k]);
  }
  // A width x height block of 0x00RRGGBB pixels (rows `stride` apart) with its
  // top-left corner at (x, y), cut at the surface's edges: a picture. The
  // fallback sets pixel by pixel (a dot of radius 0 is one pixel).
  virtual void PutPixels(int x, int y, const std::uint32_t* pixels, int width, int height, int stride) {
    for (int row = 0; row < height; ++row) {
      for (int col = 0; col < width; ++col) {
        const std::uint32_t px = pixels[static_cast<std::ptrdiff_t>(row) * stride + col];
        Circle(static_cast<float>(x + col), static_cast<float>(y + row), 0.0f,
               Rgb((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
      }
    }
  }
};

// Input and life-cycle events of one window, delivered on the UI thread.
// Mouse coordinates are pixels of the window's client area.
class PlatformWindow;

class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  virtual void OnLoad(PlatformWindow& /*self*/) {}
  virtual void OnUnload() {}
  virtual void OnKeyDown(int /*keyCode*/, int /*shift*/) {}
  virtual void OnMouseDown(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
  virtual void OnMouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
  // The release of a button pressed in this window, wherever the pointer is
  // now (the window keeps the mouse while a button is held).
  virtual void OnMouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
  // The window system has shown, resized or uncovered the window and put the
  // background colour back on its surface: draw what its image controls show.
  // (Nothing drawn by the logic itself is kept across a repaint.)
  virtual void OnPaint(PlatformWindow& /*self*/) {}
  // Someone asked the window to close (a frame's close button, Alt+F4, a
  // close request from another program). Unloading is the usual answer; a
  // window may answer otherwise (the saver asks for its password first). A
  // program whose last window is gone then ends.
  virtual void OnCloseRequest(PlatformWindow& self);
  // Monitors were plugged, unplugged or arranged anew: Platform::Monitors()
  // tells the new layout. Every loaded top-level window hears it.
  virtual void OnDisplayChange(PlatformWindow& /*self*/) {}
};

// A top-level window created from a description. It starts hidden; it is
// destroyed by Unload() (which runs the handler's OnUnload first) or with the
// process.
class PlatformWindow {
 public:
  virtual ~PlatformWindow() = default;
  virtual Handle handle() const = 0;
  // Position and size of the whole window in pixels: on the screen, or in
  // the parent's client area once the window is a child (SetParent).
  virtual void Move(int left, int top, int width, int height) = 0;
  virtual void SetNormalState() = 0;
  virtual void Show() = 0;
  // Above every window that is not topmost; does not activate the window.
  virtual void SetTopmost() = 0;
  // The picture box covering the client area (resized with Move).
  virtual Surface& Display() = 0;
  // Runs OnUnload, then destroys the native window. No handler runs after it.
  // A window that the window system destroys (its parent went away, another
  // program destroyed it) is unloaded the same way.
  virtual void Unload() = 0;

  // GetWindowLong / SetWindowLong with GWL_STYLE: the window's style bits
  // (kWsChild, ...). A window system without such bits keeps the value.
  virtual std::int32_t GetStyle() = 0;
  virtual void SetStyle(std::int32_t style) = 0;
  // Makes the window a child of a window of any process. False when the
  // handle names no window or the window system refused: the window stays
  // where it was.
  virtual bool SetParent(Handle parent) = 0;
  // GetWindow(GW_OWNER): the window that owns this one, or 0.
  virtual Handle Owner() = 0;
  // The whole window's size for a client area of this size: the system's
  // frame and caption bar measured, not assumed.
  virtual std::pair<int, int> OuterSize(int clientWidth, int clientHeight) = 0;
  // The hand pointer over the client area instead of the arrow.
  virtual void SetHandPointer(bool hand) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- process ----
  // The argument text after the program's name, unchanged.
  virtual std::string CommandLine() = 0;
  // The directory of the running program, no trailing separator except at a
  // drive root (UTF-8).
  virtual std::string AppPath() = 0;
  // Where the settings file lives and the separator used to join to it.
  virtual std::string SettingsDirectory() = 0;
  virtual char PathSeparator() const = 0;
  // Ends the process at once; no handler of a loaded window runs after it.
  [[noreturn]] virtual void EndProcess(int exitCode = 0) = 0;
  // Delivers every pending window event to its handler (re-entrantly) and returns.
  virtual void DoEvents() = 0;
  // The message loop after the start-up procedure has returned: handles events
  // (sleeping while there are none) until no window of the program is loaded.
  virtual void RunMessageLoop() = 0;
  // Puts what was drawn on the screen, then sleeps until the deadline or until
  // input is pending, whichever is first. Never spins.
  virtual void WaitUntil(TimePoint deadline) = 0;
  virtual TimePoint Now() = 0;
  // An error that escaped everything: tell the user (stderr / message box).
  virtual void ReportFatal(const std::string& message) = 0;
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

  // ---- screen ----
  virtual ScreenMetrics Screen() = 0;
  // Every monitor's rectangle in screen pixels, the primary first (its size
  // is Screen()'s). Never empty: without the window system's answer, one
  // monitor of Screen()'s size at (0, 0).
  virtual std::vector<PixelRect> Monitors();

  // ---- windows ----
  // A top-level window of any process with exactly this caption (UTF-8), or 0.
  virtual Handle FindTopLevelWindow(std::string_view caption) = 0;
  // Takes the one lock a saver or settings dialog holds for its process's
  // life on this desktop; false when another process holds it. The caption
  // check alone leaves a moment between looking and creating the window.
  virtual bool HoldInstanceLock() = 0;
  // Creates the native window, hidden. LoadWindow() below is how logic loads one.
  virtual std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) = 0;
  // Draws into a window another program made (a screen-saver daemon's, or the
  // root window): the result's Display() covers it and follows its size, and
  // the result is unloaded when that window is destroyed. The window stays
  // the other program's: it is never moved, shown, hidden, destroyed or
  // given another pointer, and its input is not ours. nullptr when the handle
  // names no window, or where the window system has no such service.
  virtual std::unique_ptr<PlatformWindow> AdoptWindow(Handle window, WindowHandler& handler) = 0;
  // The window's rectangle in screen pixels; false when the handle names no window.
  virtual bool GetWindowRect(Handle window, PixelRect& out) = 0;
  // PostMessage(window, WM_CLOSE): queues a close request; 0 asks nobody.
  virtual void PostCloseRequest(Handle window) = 0;

  // ---- OS services ----
  // Changes the cursor display count by one; the cursor shows while it is >= 0.
  virtual int ShowCursor(bool show) = 0;
  // GetVersionExA: false when the call fails.
  virtual bool GetVersion(OsVersion& out) = 0;
  virtual void PwdChangePassword(Handle owner) = 0;
  // The consumer platform's password check: nullopt when no such service exists.
  virtual std::optional<bool> VerifyScreenSavePwd(Handle owner) = 0;
  // SystemParametersInfoA(action, param, null, 0) for the screen-saver flags.
  virtual void SetSystemParameter(std::uint32_t action, std::int32_t param) = 0;
  virtual void DrawAnimatedRects(Handle window, int kind, const PixelRect& from, const PixelRect& to) = 0;
  // GetCursorPos: the pointer in screen pixels; false when it cannot be read.
  virtual bool GetCursorPos(int& x, int& y) = 0;
  // The shell's "open" of a document or web address, shown normally.
  virtual void OpenDocument(Handle owner, const std::string& address) = 0;
  // A message the user must see (a message box; stderr where there is none).
  virtual void ShowMessage(Handle owner, const std::string& caption, const std::string& text) = 0;
  // Text on a Canvas with the system's fonts.
  virtual forms::TextRenderer& Text() = 0;

  // ---- files (paths UTF-8) ----
  // The file's bytes; nullopt when it does not exist or cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
  // Whether something exists at the path, readable or not (a locked or denied
  // file exists): a writer must not replace a file it could not read.
  virtual bool FileExists(const std::string& path) = 0;
  // When the file was last written (in the system's own ticks), if it exists.
  virtual std::optional<std::int64_t> FileModified(const std::string& path) = 0;
  // The user's own settings folder, for when the one beside the program
  // cannot be written; empty when the settings folder is the user's already.
  virtual std::string UserSettingsDirectory() = 0;
  // The system's reason the last WriteFileAtomic failed.
  virtual std::string LastFileError() = 0;
  // Replaces the file atomically (temporary beside it, flush, rename); creates
  // missing parent directories. False when it could not.
  virtual bool WriteFileAtomic(const std::string& path, std::string_view bytes) = 0;

  // ---- random numbers ----
  virtual RandomSource& Random() = 0;
};

// Loading a window: create it, store it in `slot` (so the window is owned
// before any handler runs), then run its load handler. The load handler may
// never return: the saver runs inside it.
void LoadWindow(Platform& platform, const WindowDesc& desc, WindowHandler& handler,
                std::unique_ptr<PlatformWindow>& slot);

}  // namespace kal
