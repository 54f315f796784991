#include "platform/wayland/Connection.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/wayland/Seat.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace kal::wayland {
namespace {

// The versions we speak; a compositor's older ones are taken as offered.
constexpr std::uint32_t kCompositorVersion = 4;  // damage_buffer
constexpr std::uint32_t kShmVersion = 1;
constexpr std::uint32_t kWmBaseVersion = 2;      // 2: the tiled states (unused, harmless)
constexpr std::uint32_t kLayerShellVersion = 4;  // what protocols/wlr-layer-shell-unstable-v1.xml declares
constexpr std::uint32_t kDecorationVersion = 1;
constexpr std::uint32_t kOutputManagerVersion = 3;

template <class T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface, std::uint32_t offered,
        std::uint32_t ours) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, ours)));
}

}  // namespace

Connection::Connection(const char* socket) {
  display_ = wl_display_connect(socket);
  if (display_ == nullptr) {
    const char* named = socket != nullptr ? socket : std::getenv("WAYLAND_DISPLAY");
    throw WaylandError(std::string("cannot connect to the Wayland compositor ") +
                       (named != nullptr ? named : "wayland-0") + ": " + std::strerror(errno));
  }
  static const wl_registry_listener listener = {&Connection::Global, &Connection::GlobalRemove};
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &listener, this);
  try {
    // The globals, then what binding them brought: output reports, seat capabilities.
    Roundtrip();
    Roundtrip();
    std::string missing;
    if (compositor_ == nullptr) missing += " wl_compositor (version 4)";
    if (shm_ == nullptr) missing += " wl_shm";
    if (wmBase_ == nullptr) missing += " xdg_wm_base";
    if (!missing.empty()) throw WaylandError("the Wayland compositor lacks" + missing);
  } catch (...) {
    Close();
    throw;
  }
  started_ = true;
  for (OutputEntry& e : outputs_) e.announced = e.output->ready();
}

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (display_ == nullptr) return;
  outputs_.clear();
  seat_.reset();
  if (decorations_ != nullptr) zxdg_decoration_manager_v1_destroy(decorations_);
  if (layerShell_ != nullptr) {
    if (layerShellVersion_ >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION) {
      zwlr_layer_shell_v1_destroy(layerShell_);
    } else {
      wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell_));
    }
  }
  if (outputManager_ != nullptr) zxdg_output_manager_v1_destroy(outputManager_);
  if (wmBase_ != nullptr) xdg_wm_base_destroy(wmBase_);
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  wl_registry_destroy(registry_);
  wl_display_disconnect(display_);
  display_ = nullptr;
}

void Connection::Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                        std::uint32_t version) {
  auto* self = static_cast<Connection*>(data);
  const std::string_view is = interface;
  if (is == wl_compositor_interface.name && self->compositor_ == nullptr && version >= kCompositorVersion) {
    self->compositor_ =
        Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, kCompositorVersion);
    self->compositorVersion_ = std::min(version, kCompositorVersion);
  } else if (is == wl_shm_interface.name && self->shm_ == nullptr) {
    self->shm_ = Bind<wl_shm>(registry, name, &wl_shm_interface, version, kShmVersion);
  } else if (is == xdg_wm_base_interface.name && self->wmBase_ == nullptr) {
    static const xdg_wm_base_listener listener = {&Connection::Ping};
    self->wmBase_ = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, kWmBaseVersion);
    xdg_wm_base_add_listener(self->wmBase_, &listener, self);
  } else if (is == zwlr_layer_shell_v1_interface.name && self->layerShell_ == nullptr) {
    self->layerShell_ = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version,
                                                  kLayerShellVersion);
    self->layerShellVersion_ = std::min(version, kLayerShellVersion);
  } else if (is == zxdg_decoration_manager_v1_interface.name && self->decorations_ == nullptr) {
    self->decorations_ = Bind<zxdg_decoration_manager_v1>(
        registry, name, &zxdg_decoration_manager_v1_interface, version, kDecorationVersion);
  } else if (is == zxdg_output_manager_v1_interface.name && self->outputManager_ == nullptr) {
    self->outputManager_ = Bind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface,
                                                        version, kOutputManagerVersion);
    // Outputs bound before the manager came ask now.
    for (OutputEntry& e : self->outputs_) e.output->UseXdgOutput(self->outputManager_);
  } else if (is == wl_seat_interface.name && self->seat_ == nullptr) {
    self->seat_ = std::make_unique<Seat>(registry, name, version);
    self->seatName_ = name;
    self->seatVersion_ = version;
  } else if (is == wl_output_interface.name) {
    self->AddOutput(name, version);
  }
}

void Connection::AddOutput(std::uint32_t name, std::uint32_t version) {
  auto output = std::make_unique<Output>(registry_, name, version);
  output->UseXdgOutput(outputManager_);
  output->OnDone([this](Output& o) { OutputDone(o); });
  outputs_.push_back(OutputEntry{std::move(output), false});
}

void Connection::OutputDone(Output& output) {
  if (!started_) return;
  for (OutputEntry& e : outputs_) {
    if (e.output.get() != &output) continue;
    const bool first = !e.announced;
    e.announced = true;
    if (first && outputEvents_.added) outputEvents_.added(output);
    if (!first && outputEvents_.changed) outputEvents_.changed(output);
    return;
  }
}

void Connection::GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  auto* self = static_cast<Connection*>(data);
  if (self->seat_ != nullptr && name == self->seatName_) {
    self->seat_.reset();
    return;
  }
  auto it = std::find_if(self->outputs_.begin(), self->outputs_.end(),
                         [name](const OutputEntry& e) { return e.output->globalName() == name; });
  if (it == self->outputs_.end()) return;
  // Taken out of the list first: a handler that looks at the outputs no longer sees it.
  OutputEntry gone = std::move(*it);
  self->outputs_.erase(it);
  if (gone.announced && self->outputEvents_.removed) self->outputEvents_.removed(*gone.output);
}

void Connection::Ping(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }

std::vector<Output*> Connection::Outputs() const {
  std::vector<Output*> out;
  for (const OutputEntry& e : outputs_) {
    if (e.announced || (!started_ && e.output->ready())) out.push_back(e.output.get());
  }
  return out;
}

Output* Connection::FindOutput(const wl_output* output) const {
  for (const OutputEntry& e : outputs_) {
    if (e.output->wl() == output) return e.output.get();
  }
  return nullptr;
}

void Connection::Roundtrip() {
  if (wl_display_roundtrip(display_) < 0) ThrowIfBroken();
}

void Connection::ThrowIfBroken() const { wayland::ThrowIfBroken(display_); }

void ThrowIfBroken(wl_display* display) {
  const int error = wl_display_get_error(display);
  if (error == 0) return;
  if (error == EPROTO) {
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    const std::uint32_t code = wl_display_get_protocol_error(display, &interface, &id);
    throw WaylandError(std::string("Wayland protocol error ") + std::to_string(code) + " on " +
                       (interface != nullptr ? interface->name : "an unknown object") + "@" +
                       std::to_string(id));
  }
  throw WaylandError(std::string("the connection to the Wayland compositor failed: ") + std::strerror(error));
}

}  // namespace kal::wayland
