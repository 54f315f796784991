#include "platform/wayland/OutputSurface.h"

#include <wayland-client.h>

#include <algorithm>

#include "platform/wayland/Connection.h"
#include "platform/wayland/Layout.h"
#include "platform/wayland/Output.h"
#include "platform/wayland/Seat.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace kal::wayland {

OutputSurface::OutputSurface(Connection& connection, Output* output, Shell shell, SurfaceHandler& handler,
                             SurfaceNames names)
    : connection_(connection),
      handler_(handler),
      shell_(shell),
      output_(output),
      placed_(output != nullptr),
      presentation_(connection.shm(), [this] { handler_.OnFrame(*this); }) {
  if (shell_ == Shell::kLayer && connection.layerShell() == nullptr)
    throw WaylandError("the Wayland compositor offers no layer shell");
  if (output_ != nullptr) scale_ = output_->place().scale;
  static const wl_surface_listener surfaceListener = {&OutputSurface::Enter, &OutputSurface::Leave};
  surface_ = wl_compositor_create_surface(connection.compositor());
  wl_surface_add_listener(surface_, &surfaceListener, this);
  wl_output* where = output_ != nullptr ? output_->wl() : nullptr;
  if (shell_ == Shell::kLayer) {
    static const zwlr_layer_surface_v1_listener listener = {&OutputSurface::LayerConfigure,
                                                            &OutputSurface::LayerClosed};
    layer_ = zwlr_layer_shell_v1_get_layer_surface(connection.layerShell(), surface_, where,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, names.layerNamespace);
    zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
    // The whole output, over panels' exclusive zones, every key ours.
    zwlr_layer_surface_v1_set_size(layer_, 0, 0);
    zwlr_layer_surface_v1_set_anchor(
        layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  } else {
    static const xdg_surface_listener xdgListener = {&OutputSurface::XdgConfigure};
    static const xdg_toplevel_listener toplevelListener = {
        &OutputSurface::ToplevelConfigure,
        &OutputSurface::ToplevelClose,
        [](void*, xdg_toplevel*, std::int32_t, std::int32_t) {},
        [](void*, xdg_toplevel*, wl_array*) {},
    };
    xdgSurface_ = xdg_wm_base_get_xdg_surface(connection.wmBase(), surface_);
    xdg_surface_add_listener(xdgSurface_, &xdgListener, this);
    toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
    xdg_toplevel_add_listener(toplevel_, &toplevelListener, this);
    xdg_toplevel_set_title(toplevel_, names.title);
    xdg_toplevel_set_app_id(toplevel_, names.appId);
    if (connection.decorationManager() != nullptr) {
      // We draw no frame, and a full-screen window wants none from the compositor either.
      decoration_ =
          zxdg_decoration_manager_v1_get_toplevel_decoration(connection.decorationManager(), toplevel_);
      static const zxdg_toplevel_decoration_v1_listener decorationListener = {
          [](void*, zxdg_toplevel_decoration_v1*, std::uint32_t) {}};
      zxdg_toplevel_decoration_v1_add_listener(decoration_, &decorationListener, this);
      zxdg_toplevel_decoration_v1_set_mode(decoration_, ZXDG_TOPLEVEL_DECORATION_V1_MODE_CLIENT_SIDE);
    }
    xdg_toplevel_set_fullscreen(toplevel_, where);
  }
  // The first commit carries no buffer: it asks for the first configure.
  wl_surface_commit(surface_);
}

OutputSurface::~OutputSurface() {
  if (Seat* seat = connection_.seat()) seat->Forget(surface_);
  if (decoration_ != nullptr) zxdg_toplevel_decoration_v1_destroy(decoration_);
  if (toplevel_ != nullptr) xdg_toplevel_destroy(toplevel_);
  if (xdgSurface_ != nullptr) xdg_surface_destroy(xdgSurface_);
  if (layer_ != nullptr) zwlr_layer_surface_v1_destroy(layer_);
  wl_surface_destroy(surface_);
  // The buffers go after the surface that showed them (the member's destructor).
}

int OutputSurface::bufferWidth() const { return BufferFor(width_, height_, scale_).width; }
int OutputSurface::bufferHeight() const { return BufferFor(width_, height_, scale_).height; }

void OutputSurface::Configure(int width, int height) {
  if (width <= 0 || height <= 0) {
    // The client chooses (a toplevel's first configure). A full-screen
    // surface made for no output is only placed once it shows a buffer
    // (sway), so it starts at the size of its output, or of the first one.
    const std::vector<Output*> outputs = connection_.Outputs();
    const Output* basis = output_ != nullptr ? output_ : (outputs.empty() ? nullptr : outputs.front());
    if (configured_ && width_ > 0 && height_ > 0) {
      width = width_;
      height = height_;
    } else if (basis != nullptr && basis->place().width > 0 && basis->place().height > 0) {
      width = basis->place().width;
      height = basis->place().height;
    } else {
      width = height = 1;
    }
  }
  const bool first = !configured_;
  const bool resized = width != width_ || height != height_;
  configured_ = true;
  width_ = width;
  height_ = height;
  // Every configure is answered by a commit with the whole picture soon:
  // some compositors wait for it before they show a new arrangement.
  presentation_.SendWhole();
  if (resized || first) SetOpaqueRegion();
  if (first || resized) handler_.OnConfigured(*this);
}

void OutputSurface::SetOpaqueRegion() {
  // Nothing below shows through: the compositor need not draw it.
  wl_region* region = wl_compositor_create_region(connection_.compositor());
  wl_region_add(region, 0, 0, width_, height_);
  wl_surface_set_opaque_region(surface_, region);
  wl_region_destroy(region);
}

void OutputSurface::OutputChanged() {
  if (output_ == nullptr) return;
  const int scale = output_->place().scale;
  if (scale == scale_) return;
  scale_ = scale;
  presentation_.SendWhole();
  if (configured_) handler_.OnConfigured(*this);
}

void OutputSurface::OutputRemoved(const Output& output) {
  if (output_ != &output) return;
  if (placed_) {
    closed_ = true;
  } else {
    output_ = nullptr;
  }
}

bool OutputSurface::Present(Canvas& canvas) {
  if (!configured_ || closed_) return false;
  return presentation_.Present(surface_, canvas, BufferFor(width_, height_, scale_), scale_);
}

void OutputSurface::Enter(void* data, wl_surface*, wl_output* wl) {
  auto* self = static_cast<OutputSurface*>(data);
  Output* output = self->connection_.FindOutput(wl);
  if (output == nullptr) return;
  if (!self->placed_ && self->output_ != output) {
    // Where the compositor put it decides the scale to draw at.
    self->output_ = output;
    self->OutputChanged();
  }
  self->handler_.OnEnter(*self, *output);
}

void OutputSurface::Leave(void* data, wl_surface*, wl_output* wl) {
  auto* self = static_cast<OutputSurface*>(data);
  if (Output* output = self->connection_.FindOutput(wl)) self->handler_.OnLeave(*self, *output);
}

void OutputSurface::LayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                                   std::uint32_t width, std::uint32_t height) {
  auto* self = static_cast<OutputSurface*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  self->Configure(static_cast<int>(std::min<std::uint32_t>(width, kMaxSide)),
                  static_cast<int>(std::min<std::uint32_t>(height, kMaxSide)));
}

void OutputSurface::LayerClosed(void* data, zwlr_layer_surface_v1*) {
  auto* self = static_cast<OutputSurface*>(data);
  self->closed_ = true;
  self->handler_.OnClosed(*self);
}

void OutputSurface::ToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                                      wl_array*) {
  auto* self = static_cast<OutputSurface*>(data);
  self->pendingWidth_ = std::clamp(width, 0, kMaxSide);
  self->pendingHeight_ = std::clamp(height, 0, kMaxSide);
}

void OutputSurface::XdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
  auto* self = static_cast<OutputSurface*>(data);
  xdg_surface_ack_configure(surface, serial);
  self->Configure(self->pendingWidth_, self->pendingHeight_);
}

void OutputSurface::ToplevelClose(void* data, xdg_toplevel*) {
  auto* self = static_cast<OutputSurface*>(data);
  self->handler_.OnCloseRequest(*self);
}

}  // namespace kal::wayland
