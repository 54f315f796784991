// A window of its own size (the settings dialog): an xdg_toplevel with a
// title, the size the program chooses (min = max when it is fixed, which
// tiling compositors float), and the compositor's frame where it offers one
// (zxdg_decoration_manager_v1, server side). It draws a Canvas of the
// buffer's size (the logical size times its scale) and commits at most once
// per frame callback.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Canvas.h"
#include "platform/wayland/Presentation.h"

struct wl_array;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct zxdg_toplevel_decoration_v1;

namespace kal::wayland {

class Connection;

struct WindowSurfaceEvents {
  std::function<void()> closeRequested;  // xdg_toplevel.close: the frame's close button
  std::function<void()> configured;      // the first configure (the window may show now)
};

class WindowSurface {
 public:
  // `width` x `height` logical units, drawn at `scale`; `fixed`: the user
  // cannot resize it.
  WindowSurface(Connection& connection, const std::string& title, const char* appId, int width, int height,
                int scale, bool fixed, WindowSurfaceEvents events);
  ~WindowSurface();
  WindowSurface(const WindowSurface&) = delete;
  WindowSurface& operator=(const WindowSurface&) = delete;

  wl_surface* surface() const { return surface_; }
  bool configured() const { return configured_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int scale() const { return scale_; }
  BufferSize bufferSize() const { return BufferFor(width_, height_, scale_); }
  // Whether the compositor draws the frame (it said so); false before it answers, or without decorations.
  bool serverDecorated() const { return serverDecorated_; }

  // Kept above `parent` (a dialog's message over the dialog).
  void SetParent(const WindowSurface& parent);
  // A new size in logical units (the next commit sends the whole canvas).
  void Resize(int width, int height);
  bool FramePending() const { return presentation_.FramePending(); }
  std::optional<TimePoint> waitingSince() const { return presentation_.waitingSince(); }
  bool WantsPresent(const Canvas& canvas) const { return configured_ && presentation_.WantsPresent(canvas); }
  // As OutputSurface::Present: the canvas must be bufferSize() large.
  bool Present(Canvas& canvas);
  const Presentation& presentation() const { return presentation_; }

 private:
  static void XdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial);
  static void ToplevelConfigure(void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {}
  static void ToplevelClose(void* data, xdg_toplevel*);
  static void DecorationConfigure(void* data, zxdg_toplevel_decoration_v1*, std::uint32_t mode);
  void SetSizeLimits();

  Connection& connection_;
  WindowSurfaceEvents events_;
  wl_surface* surface_ = nullptr;
  xdg_surface* xdgSurface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  zxdg_toplevel_decoration_v1* decoration_ = nullptr;
  // Its buffers go after the surface that showed them.
  Presentation presentation_;
  int width_, height_, scale_;
  bool fixed_;
  bool configured_ = false;
  bool serverDecorated_ = false;
};

}  // namespace kal::wayland
