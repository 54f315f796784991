// One window of the program on Wayland: the Canvas that is its picture box,
// the surface that shows it, and the delivery of its input to the logic's
// handler. A full-screen window covers the output its rectangle names (see
// WaylandWindowSystem.h), and follows it: moved to another output's
// rectangle it is made again there. Any other window is an xdg_toplevel of
// its designed size, shown at the display's scale.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "platform/CanvasSurface.h"
#include "platform/DisplayScale.h"
#include "platform/WindowSystem.h"
#include "platform/wayland/CursorImages.h"
#include "platform/wayland/OutputSurface.h"
#include "platform/wayland/WindowSurface.h"

struct wl_callback;

namespace kal::wayland {

class WaylandWindowSystem;

class WaylandWindow final : public PlatformWindow, private SurfaceHandler {
 public:
  WaylandWindow(WaylandWindowSystem& system, const WindowDesc& desc, WindowHandler& handler, Handle handle);
  WaylandWindow(const WaylandWindow&) = delete;
  WaylandWindow& operator=(const WaylandWindow&) = delete;
  ~WaylandWindow() override;

  Handle handle() const override { return handle_; }
  // Full screen: the output whose rectangle this is (the saver's or a
  // cover's monitor); otherwise only the size counts (the compositor places windows).
  void Move(int left, int top, int width, int height) override;
  void SetNormalState() override {}
  void Show() override;
  // The overlay layer and full screen are above the rest already.
  void SetTopmost() override {}
  Surface& Display() override { return surface_; }
  void Unload() override;
  Handle Owner() override { return owner_; }
  // The window is the client area; the compositor's frame lies around it.
  std::pair<int, int> OuterSize(int clientWidth, int clientHeight) override;
  void SetHandPointer(bool hand) override;

  // ---- for the window system ----
  bool loaded() const { return system_ != nullptr && !unloading_; }
  // Its toplevel, once shown (null for a full-screen window).
  const WindowSurface* toplevel() const { return window_.get(); }
  bool fullScreen() const { return fullScreen_; }
  const PixelRect& rect() const { return rect_; }
  bool Owns(const wl_surface* surface) const;
  // The output a full-screen window's surface covers (null: none yet).
  Output* output() const;
  CursorKind cursor(bool hidden) const {
    return hidden ? CursorKind::kHidden : hand_ ? CursorKind::kHand : CursorKind::kArrow;
  }
  // The first full-screen window: a surface made for no output, then shown
  // black until the compositor says which output it is on (or the deadline).
  void MakeUnplaced();
  void AwaitPlacement(TimePoint deadline);
  // Something to push: shown, loaded, with changes the surface can take now.
  bool HasChanges();
  void Push();
  // A commit has waited longer than kFramesStalledAfter with more drawn behind it.
  bool Stalled(TimePoint now) const;
  // The outputs changed: a surface on `output` takes its new scale; one on
  // a removed output goes, and a full-screen window without a surface takes
  // the output its rectangle names now.
  void OutputChanged(Output& output);
  void OutputRemoved(Output& output);
  void FollowLayout();
  // Input, in surface coordinates (logical units) of this window's surface.
  void PointerAt(double sx, double sy, int buttons, int shift);
  void PointerButton(int button, bool pressed, int shift);
  void Key(int keyCode, int shift);
  // The outputs changed: the handler hears it.
  void NotifyDisplayChanged();
  // Someone asked the window to close (the compositor, PostCloseRequest).
  void CloseRequested();
  // The surface a full-screen window shows on (null: none now), for tests.
  const OutputSurface* coverSurface() const { return cover_.get(); }
  // The window system goes before this window: let go of its objects now.
  void Orphan();

 private:
  // ---- SurfaceHandler ----
  void OnConfigured(OutputSurface& surface) override;
  void OnClosed(OutputSurface& surface) override;
  void OnCloseRequest(OutputSurface& surface) override;
  static void Synced(void* data, wl_callback* callback, std::uint32_t);

  // Full screen: a surface placed on `output` (none: no surface).
  void Cover(Output* output);
  void ResizeCanvas(int width, int height);
  void DestroyNative();

  WaylandWindowSystem* system_;
  WindowHandler& handler_;
  Handle handle_;
  Handle owner_;  // the window it belongs to (WindowDesc::owner), or 0
  std::string caption_;
  bool fullScreen_;
  int scale_ = 1;  // a designed window's enlargement, which is also its buffer scale
  PixelRect rect_{};
  bool moved_ = false;
  bool shown_ = false;
  bool unloading_ = false;
  bool hand_ = false;
  std::unique_ptr<OutputSurface> cover_;   // full screen
  std::unique_ptr<WindowSurface> window_;  // otherwise
  // A layer surface the compositor closed: whether its output went too is
  // known once every event sent before has arrived (a sync's answer).
  wl_callback* closeCheck_ = nullptr;
  std::uint32_t closedOutput_ = 0;  // its output's global name (0: none)
  float lastX_ = 0, lastY_ = 0;     // the pointer's last position, as reported
  ScaledCanvas canvas_;
  CanvasSurface surface_{canvas_.designed()};
  // Cleared by the destructor, so Unload() and the handlers' callers can
  // tell when a handler deleted the window it was called on.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kal::wayland
