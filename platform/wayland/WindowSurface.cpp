#include "platform/wayland/WindowSurface.h"

#include <wayland-client.h>

#include <algorithm>

#include "platform/wayland/Connection.h"
#include "platform/wayland/Seat.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace kal::wayland {

WindowSurface::WindowSurface(Connection& connection, const std::string& title, const char* appId, int width,
                             int height, int scale, bool fixed, WindowSurfaceEvents events)
    : connection_(connection),
      events_(std::move(events)),
      presentation_(connection.shm(), {}),
      width_(std::clamp(width, 1, kMaxSide)),
      height_(std::clamp(height, 1, kMaxSide)),
      scale_(std::clamp(scale, 1, kMaxScale)),
      fixed_(fixed) {
  surface_ = wl_compositor_create_surface(connection.compositor());
  static const xdg_surface_listener xdgListener = {&WindowSurface::XdgConfigure};
  static const xdg_toplevel_listener toplevelListener = {
      &WindowSurface::ToplevelConfigure,
      &WindowSurface::ToplevelClose,
      [](void*, xdg_toplevel*, std::int32_t, std::int32_t) {},
      [](void*, xdg_toplevel*, wl_array*) {},
  };
  xdgSurface_ = xdg_wm_base_get_xdg_surface(connection.wmBase(), surface_);
  xdg_surface_add_listener(xdgSurface_, &xdgListener, this);
  toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
  xdg_toplevel_add_listener(toplevel_, &toplevelListener, this);
  xdg_toplevel_set_title(toplevel_, title.c_str());
  xdg_toplevel_set_app_id(toplevel_, appId);
  SetSizeLimits();
  if (connection.decorationManager() != nullptr) {
    decoration_ =
        zxdg_decoration_manager_v1_get_toplevel_decoration(connection.decorationManager(), toplevel_);
    static const zxdg_toplevel_decoration_v1_listener decorationListener = {
        &WindowSurface::DecorationConfigure};
    zxdg_toplevel_decoration_v1_add_listener(decoration_, &decorationListener, this);
    // We draw no frame: the compositor's caption bar carries the title and the close button.
    zxdg_toplevel_decoration_v1_set_mode(decoration_, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
  }
  // The first commit carries no buffer: it asks for the first configure.
  wl_surface_commit(surface_);
}

void WindowSurface::SetParent(const WindowSurface& parent) {
  xdg_toplevel_set_parent(toplevel_, parent.toplevel_);
}

WindowSurface::~WindowSurface() {
  if (Seat* seat = connection_.seat()) seat->Forget(surface_);
  if (decoration_ != nullptr) zxdg_toplevel_decoration_v1_destroy(decoration_);
  xdg_toplevel_destroy(toplevel_);
  xdg_surface_destroy(xdgSurface_);
  wl_surface_destroy(surface_);
}

void WindowSurface::SetSizeLimits() {
  // A fixed window is exactly its size; one the user may resize has no limits.
  if (fixed_) {
    xdg_toplevel_set_min_size(toplevel_, width_, height_);
    xdg_toplevel_set_max_size(toplevel_, width_, height_);
  } else {
    xdg_toplevel_set_min_size(toplevel_, 0, 0);
    xdg_toplevel_set_max_size(toplevel_, 0, 0);
  }
}

void WindowSurface::Resize(int width, int height) {
  width = std::clamp(width, 1, kMaxSide);
  height = std::clamp(height, 1, kMaxSide);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  SetSizeLimits();
  presentation_.SendWhole();
}

bool WindowSurface::Present(Canvas& canvas) {
  if (!configured_) return false;
  return presentation_.Present(surface_, canvas, bufferSize(), scale_);
}

void WindowSurface::XdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
  auto* self = static_cast<WindowSurface*>(data);
  xdg_surface_ack_configure(surface, serial);
  // The size is ours: a suggested one is not taken (the window is drawn at
  // the size the program designed it for).
  self->presentation_.SendWhole();
  const bool first = !self->configured_;
  self->configured_ = true;
  const std::function<void()> configured = self->events_.configured;
  if (first && configured) configured();
}

void WindowSurface::ToplevelClose(void* data, xdg_toplevel*) {
  // A copy: the handler may destroy this surface, and its events with it.
  const std::function<void()> closeRequested = static_cast<WindowSurface*>(data)->events_.closeRequested;
  if (closeRequested) closeRequested();
}

void WindowSurface::DecorationConfigure(void* data, zxdg_toplevel_decoration_v1*, std::uint32_t mode) {
  static_cast<WindowSurface*>(data)->serverDecorated_ = mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE;
}

}  // namespace kal::wayland
