// One surface covering one output: a layer-shell surface on the overlay
// layer (anchored to every edge, over every exclusive zone, taking the
// keyboard), or a full-screen xdg_toplevel where there is no layer shell.
// Made for a given output, or for none, to learn from wl_surface.enter where
// the compositor puts it. It draws a Canvas of the buffer's size (device
// pixels: the logical size times the output's scale) through ShmBuffers,
// telling the compositor only the changed rectangles, and commits at most
// once per frame callback: while one is outstanding nothing is committed,
// and a compositor that stops sending them (the surface is hidden) stops
// the drawing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Canvas.h"
#include "platform/wayland/Presentation.h"
#include "platform/wayland/ShellChoice.h"
#include "platform/wayland/ShmBuffers.h"

struct wl_output;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct wl_array;
struct zwlr_layer_surface_v1;
struct zxdg_toplevel_decoration_v1;

namespace kal::wayland {

class Connection;
class Output;
class OutputSurface;

class SurfaceHandler {
 public:
  // The first configure, and every change of size or scale after it: the
  // canvas to present must now be bufferWidth() x bufferHeight().
  virtual void OnConfigured(OutputSurface& /*surface*/) {}
  // The frame callback came: the compositor takes the next frame now.
  virtual void OnFrame(OutputSurface& /*surface*/) {}
  // A layer surface the compositor will not show again (its output went,
  // or the user removed it): destroy it, and make another if still wanted.
  virtual void OnClosed(OutputSurface& /*surface*/) {}
  // The user asked to close the toplevel (xdg_toplevel.close).
  virtual void OnCloseRequest(OutputSurface& /*surface*/) {}
  // The surface now shows on `output`, or no longer does.
  virtual void OnEnter(OutputSurface& /*surface*/, Output& /*output*/) {}
  virtual void OnLeave(OutputSurface& /*surface*/, Output& /*output*/) {}

 protected:
  ~SurfaceHandler() = default;
};

struct SurfaceNames {
  const char* title = "Kalvessa";           // xdg_toplevel title
  const char* appId = "kalvessa";           // xdg_toplevel app id
  const char* layerNamespace = "kalvessa";  // layer-shell namespace
};

class OutputSurface {
 public:
  // Covers `output`, or the output the compositor chooses when it is null.
  // The output must outlive the surface (Connection announces an output's
  // removal before it goes). kLayer needs the connection's layer shell.
  OutputSurface(Connection& connection, Output* output, Shell shell, SurfaceHandler& handler,
                SurfaceNames names = {});
  ~OutputSurface();
  OutputSurface(const OutputSurface&) = delete;
  OutputSurface& operator=(const OutputSurface&) = delete;

  wl_surface* surface() const { return surface_; }
  Shell shell() const { return shell_; }
  // The output it was made for; for a surface made for none, the last one it entered (null before).
  Output* output() const { return output_; }
  bool placed() const { return placed_; }

  bool configured() const { return configured_; }
  bool closed() const { return closed_; }
  // Logical size (surface coordinates), scale, and the buffer in device pixels.
  int width() const { return width_; }
  int height() const { return height_; }
  int scale() const { return scale_; }
  int bufferWidth() const;
  int bufferHeight() const;

  // A commit waits for its frame callback: drawing more now is wasted.
  bool FramePending() const { return presentation_.FramePending(); }
  // When the commit waiting for its callback was made (none: nothing waits).
  std::optional<TimePoint> waitingSince() const { return presentation_.waitingSince(); }
  // Whether Present would commit something now: configured, not closed, no
  // frame callback outstanding, and changes on the canvas (or a configure
  // to answer). The loop's "any changes to push".
  bool WantsPresent(const Canvas& canvas) const {
    return configured_ && !closed_ && presentation_.WantsPresent(canvas);
  }
  // Puts the canvas's changed tiles on the screen (all of it after a
  // configure) in one commit. The canvas must be bufferWidth() x
  // bufferHeight() and track its changed tiles. False, leaving the
  // changes on the canvas for later, when nothing can be committed now: not
  // configured yet, closed, a frame callback outstanding, every buffer held
  // by the compositor, the wrong size, or nothing changed.
  bool Present(Canvas& canvas);
  // The output's report changed: takes its scale (a change configures anew).
  void OutputChanged();
  // `output` is going away: a surface made for it presents nothing more
  // (destroy it), one made for none forgets it was there.
  void OutputRemoved(const Output& output);

  std::size_t commits() const { return presentation_.commits(); }
  std::size_t framesDone() const { return presentation_.framesDone(); }
  const ShmBuffers& buffers() const { return presentation_.buffers(); }

 private:
  static void Enter(void* data, wl_surface*, wl_output* output);
  static void Leave(void* data, wl_surface*, wl_output* output);
  static void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                             std::uint32_t width, std::uint32_t height);
  static void LayerClosed(void* data, zwlr_layer_surface_v1*);
  static void XdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial);
  static void ToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                                wl_array*);
  static void ToplevelClose(void* data, xdg_toplevel*);
  // A configure acknowledged: takes the new size (a zero falls back on the output's).
  void Configure(int width, int height);
  void SetOpaqueRegion();

  Connection& connection_;
  SurfaceHandler& handler_;
  Shell shell_;
  Output* output_;
  bool placed_;
  wl_surface* surface_ = nullptr;
  zwlr_layer_surface_v1* layer_ = nullptr;
  xdg_surface* xdgSurface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  zxdg_toplevel_decoration_v1* decoration_ = nullptr;
  // Its buffers go after the surface that showed them.
  Presentation presentation_;
  bool configured_ = false;
  bool closed_ = false;
  int width_ = 0, height_ = 0;
  int pendingWidth_ = 0, pendingHeight_ = 0;  // of the toplevel's configure, applied at the xdg_surface's
  int scale_ = 1;
};

}  // namespace kal::wayland
