// The connection to the compositor and the globals it offers: compositor,
// shared memory, the first seat, the outputs (with xdg-output where offered),
// xdg_wm_base (its pings answered here), and the layer shell and decoration
// manager where offered. Outputs come and go at run time: each one is
// announced once its first report is complete, and again when it changes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/wayland/Output.h"

struct wl_compositor;
struct wl_display;
struct wl_registry;
struct wl_shm;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zxdg_decoration_manager_v1;
struct zxdg_output_manager_v1;

namespace kal::wayland {

class Seat;

// No compositor to talk to, a compositor without what we need, or a
// connection that failed: the message says which.
class WaylandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws WaylandError, saying why, when the connection of `display` has
// failed (the compositor went away, or reported a protocol error).
void ThrowIfBroken(wl_display* display);

struct OutputEvents {
  std::function<void(Output&)> added;    // its first complete report
  std::function<void(Output&)> changed;  // a later report
  std::function<void(Output&)> removed;  // just before it goes
};

class Connection {
 public:
  // Connects to the compositor named by `socket` (null: $WAYLAND_DISPLAY,
  // else wayland-0) and learns its globals and the outputs' reports.
  // Throws WaylandError when there is none, or it lacks wl_compositor
  // (version 4, for damage in buffer pixels), wl_shm or xdg_wm_base.
  explicit Connection(const char* socket = nullptr);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  wl_display* display() const { return display_; }
  wl_compositor* compositor() const { return compositor_; }
  std::uint32_t compositorVersion() const { return compositorVersion_; }
  wl_shm* shm() const { return shm_; }
  xdg_wm_base* wmBase() const { return wmBase_; }
  // Null where the compositor does not offer them.
  zwlr_layer_shell_v1* layerShell() const { return layerShell_; }
  zxdg_decoration_manager_v1* decorationManager() const { return decorations_; }
  zxdg_output_manager_v1* outputManager() const { return outputManager_; }
  // The first seat; null when the compositor has none (weston headless).
  Seat* seat() const { return seat_.get(); }
  // The offered versions of the optional globals (0: not offered).
  std::uint32_t layerShellVersion() const { return layerShellVersion_; }
  std::uint32_t seatVersion() const { return seatVersion_; }

  // The outputs whose first report has arrived, in the order they came.
  std::vector<Output*> Outputs() const;
  Output* FindOutput(const wl_output* output) const;
  void SetOutputEvents(OutputEvents events) { outputEvents_ = std::move(events); }

  // Sends the requests and waits until the compositor has answered them all.
  void Roundtrip();
  // Throws WaylandError when the connection has failed (the compositor went
  // away, or reported a protocol error).
  void ThrowIfBroken() const;

 private:
  static void Global(void* data, wl_registry*, std::uint32_t name, const char* interface,
                     std::uint32_t version);
  static void GlobalRemove(void* data, wl_registry*, std::uint32_t name);
  static void Ping(void* data, xdg_wm_base* base, std::uint32_t serial);
  void AddOutput(std::uint32_t name, std::uint32_t version);
  // Lets go of every object and the connection (also when the constructor fails).
  void Close();
  void OutputDone(Output& output);

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  std::uint32_t compositorVersion_ = 0;
  wl_shm* shm_ = nullptr;
  xdg_wm_base* wmBase_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  std::uint32_t layerShellVersion_ = 0;
  zxdg_decoration_manager_v1* decorations_ = nullptr;
  zxdg_output_manager_v1* outputManager_ = nullptr;
  std::unique_ptr<Seat> seat_;
  std::uint32_t seatName_ = 0;
  std::uint32_t seatVersion_ = 0;
  struct OutputEntry {
    std::unique_ptr<Output> output;
    bool announced = false;
  };
  std::vector<OutputEntry> outputs_;
  OutputEvents outputEvents_;
  // Outputs are announced only once the first reports are in.
  bool started_ = false;
};

}  // namespace kal::wayland
