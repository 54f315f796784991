// A window of the program as the logic sees it: a drawing surface, the
// handlers its events reach, and what can be done to it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/Types.h"

namespace kal {

// What a top-level window looks like when it is created.
struct WindowDesc {
  std::string caption;  // UTF-8
  bool border = true;   // false: no caption bar, no frame
  Color backColor = Rgb(0, 0, 0);
  bool keyPreview = false;  // the window sees every key press
  // Borderless, topmost, covering the screen, taking every key and click (the
  // saver). X11 must know before the window is mapped.
  bool fullScreen = false;
  // Designed in pixels: shown an integer number of times larger on a
  // high-DPI display (see DisplayScale.h). The saver and the preview use the
  // display's own pixels.
  bool scaleToDisplay = false;
  // A window of ours this one belongs to (a message over its dialog): the
  // window system keeps it above that window and shows it as part of it
  // (X11: WM_TRANSIENT_FOR, and the keyboard when no window manager hands
  // it over; Win32: the owner window). 0: none.
  Handle owner = 0;
};

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
  // Monitors were plugged, unplugged or arranged anew: WindowSystem::Monitors()
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
  // the host's client area once the window is a child (EmbedInto).
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

  // A child of a window of any process from now on, at the top-left corner
  // of its client area (kEmbedWindow). False when the handle names no window
  // or the window system refused: the window stays where it was.
  virtual bool EmbedInto(Handle /*host*/) { return false; }
  // GetWindow(GW_OWNER): the window that owns this one, or 0.
  virtual Handle Owner() = 0;
  // The whole window's size for a client area of this size: the system's
  // frame and caption bar measured, not assumed.
  virtual std::pair<int, int> OuterSize(int clientWidth, int clientHeight) = 0;
  // The hand pointer over the client area instead of the arrow.
  virtual void SetHandPointer(bool hand) = 0;
};

}  // namespace kal
