// The Wayland window system: one connection to the compositor, the shared
// event loop (platform/EventLoop.h) over its socket, and the program's
// windows as surfaces. A full-screen window covers one output, the one its
// rectangle names (a layer-shell overlay surface where the compositor offers
// one, else a full-screen xdg_toplevel); any other window is an
// xdg_toplevel of its own size. What it offers is in platform/wayland/Features.h.
//
// Monitors are the outputs, in one pixel space: the swarm's output first,
// at the origin, in its device pixels, the others beside it as the layout
// places them (Layout.h: MonitorRect). The swarm's output is the one the
// compositor puts the first full-screen surface on when that surface is made
// for no output: the compositor knows where the user is (sway: the focused
// output) and a saver should fill the screen being looked at. Before any
// full-screen window, or when the compositor says nothing, it is the first
// output; when it goes, the first of the others.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/LoopWindowSystem.h"
#include "platform/Process.h"
#include "platform/WindowArt.h"
#include "platform/WindowSystem.h"
#include "platform/wayland/CursorImages.h"
#include "platform/wayland/EventPump.h"
#include "platform/wayland/Layout.h"
#include "platform/wayland/Seat.h"
#include "platform/wayland/ShellChoice.h"

namespace kal::wayland {

class Connection;
class Output;
class WaylandWindow;

// A commit whose frame callback has not come for this long, while more has
// been drawn behind it, means the compositor shows nothing of ours now (the
// output is off, the surface hidden): tens of refreshes, so a busy
// compositor's late frame is no reason.
inline constexpr auto kFramesStalledAfter = std::chrono::milliseconds(250);
// How long the first full-screen surface may take to be placed on an output.
inline constexpr auto kPlacementWait = std::chrono::seconds(2);

class WaylandWindowSystem final : public LoopWindowSystem, private InputHandler {
 public:
  // Connects to $WAYLAND_DISPLAY (unset: wayland-0). nullptr, and one line in
  // `error`, when there is no compositor or it lacks what is needed.
  static std::unique_ptr<WaylandWindowSystem> Open(const WindowArt& art, std::string& error);
  ~WaylandWindowSystem() override;
  WaylandWindowSystem(const WaylandWindowSystem&) = delete;
  WaylandWindowSystem& operator=(const WaylandWindowSystem&) = delete;
  // Where the process ends when the compositor closed the last window.
  void AttachProcess(ProcessServices& process) { process_ = &process; }
  // The socket as $WAYLAND_DISPLAY names it ("": the default), for the instance lock.
  const std::string& SocketName() const { return socket_; }
  // Sends every request made (before the process ends).
  void Sync();

  // (The loop's calls: LoopWindowSystem.)
  // False while a window's frames are stalled (kFramesStalledAfter).
  bool Presenting() override;

  // ---- the screen ----
  // The swarm output's size in device pixels; twips as at 96 dpi times its scale.
  ScreenMetrics Screen() override;
  std::vector<PixelRect> Monitors() override;

  // ---- windows ----
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  // Only the program's own windows: a client sees no other.
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;

  // ---- the pointer, text ----
  int ShowCursor(bool show) override;
  TextRenderer& Text() override;

  // ---- for the windows ----
  // The loaded window of that handle, or null.
  WaylandWindow* FindWindow(Handle window);
  Connection& connection() { return *connection_; }
  Shell shell() const { return shell_; }
  // The swarm's output (see above); null when there is no output.
  Output* SwarmOutput();
  OutputPlace SwarmPlace();
  // The output whose monitor rectangle `rect` is; with `nearest`, else the
  // one it overlaps most. Null: none.
  Output* OutputAt(const PixelRect& rect, bool nearest);
  // How many times larger designed windows show: the swarm output's scale.
  int WindowScale();
  bool cursorHidden() const { return cursorCount_ < 0; }
  // Shows the pointer's picture for the window under it now.
  void ApplyCursor();
  // Runs the event loop's primitives until `done` or the deadline; false at the deadline.
  bool PumpUntil(const std::function<bool()>& done, TimePoint deadline);
  void Register(WaylandWindow* window);
  void Unregister(WaylandWindow* window);
  // Ends the process when the compositor closed a window and nothing of the
  // program is loaded any more.
  void OnWindowClosedByUser();

 private:
  WaylandWindowSystem(std::unique_ptr<Connection> connection, const WindowArt& art, std::string socket);
  // The first full-screen window learns where the compositor puts it.
  void PlaceFirstSurface();
  void OutputAdded(Output& output);
  void OutputChanged(Output& output);
  void OutputRemoved(Output& output);
  // Every loaded window hears that the outputs changed.
  void NotifyDisplayChange();
  WaylandWindow* Find(const wl_surface* surface) const;
  void WatchSeat();
  int ModifierState() const;

  // ---- EventSource ----
  TimePoint CoarseNow() override;
  bool ReadAndDispatch() override;
  bool DispatchQueued() override;
  bool InputQueued() override;
  bool SleepUntil(std::optional<TimePoint> wake) override;
  bool AnyChanges() override;
  void PushChanges() override;
  bool AnyLoaded() override;
  std::optional<Clock::duration> CheckWindows() override;

  // ---- InputHandler ----
  void OnPointerEnter(wl_surface* surface, double x, double y) override;
  void OnPointerMotion(wl_surface* surface, double x, double y) override;
  void OnPointerButton(wl_surface* surface, std::uint32_t button, bool pressed) override;
  void OnKey(wl_surface* surface, xkb_keysym_t symbol, const std::string& text, bool pressed,
             const Keymap& keymap, std::uint32_t key) override;

  std::unique_ptr<Connection> connection_;
  EventPump pump_;
  std::string socket_;
  WindowArt art_;
  Shell shell_;
  ProcessServices* process_ = nullptr;
  Seat* seat_ = nullptr;  // the connection's seat the handler was given to
  CursorImages cursors_;
  std::unique_ptr<TextRenderer> text_;  // made on first use
  int cursorCount_ = 0;
  int buttons_ = 0;  // held now: 1 left, 2 right, 4 middle
  std::vector<WaylandWindow*> windows_;
  // The first full-screen window, whose surface is made for no output, until it is placed.
  WaylandWindow* placing_ = nullptr;
  bool placed_ = false;
  Output* swarm_ = nullptr;  // null: the first output
  std::vector<PixelRect> lastMonitors_;
  Handle lastHandle_ = 0;
  std::vector<Handle> closeRequests_;  // PostCloseRequest's, delivered by the next look
};

}  // namespace kal::wayland
