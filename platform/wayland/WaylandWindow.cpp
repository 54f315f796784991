#include "platform/wayland/WaylandWindow.h"

#include <wayland-client.h>

#include <algorithm>
#include <cmath>

#include "platform/wayland/Connection.h"
#include "platform/wayland/Output.h"
#include "platform/wayland/WaylandWindowSystem.h"

namespace kal::wayland {
namespace {

// What the compositor may show of the program's windows beside the title.
constexpr const char* kAppId = "kalvessa";

// Pointer positions as whole pixels, as the other desktops report them: a
// fraction of a pixel (a touchpad's, a fractional scale's) is no move.
float Whole(double v) { return static_cast<float>(std::floor(v)); }

}  // namespace

WaylandWindow::WaylandWindow(WaylandWindowSystem& system, const WindowDesc& desc, WindowHandler& handler,
                             Handle handle)
    : system_(&system),
      handler_(handler),
      handle_(handle),
      owner_(desc.owner),
      caption_(desc.caption),
      fullScreen_(desc.fullScreen) {
  // A designed window is drawn k times larger and shown at buffer scale k:
  // the compositor shows it at its designed size in logical units, each
  // pixel a k x k block of device pixels, as the other systems enlarge it.
  if (!fullScreen_ && desc.scaleToDisplay) scale_ = system.WindowScale();
  canvas_.SetScale(scale_);
  canvas_.Resize(fullScreen_ ? 0 : 320 * scale_, fullScreen_ ? 0 : 240 * scale_, Rgb(0, 0, 0));
  system.Register(this);
}

WaylandWindow::~WaylandWindow() {
  *alive_ = false;
  DestroyNative();
}

void WaylandWindow::DestroyNative() {
  if (system_ == nullptr) return;
  system_->Unregister(this);
  if (closeCheck_ != nullptr) wl_callback_destroy(closeCheck_);
  closeCheck_ = nullptr;
  cover_.reset();
  window_.reset();
  system_ = nullptr;
}

void WaylandWindow::Orphan() {
  if (closeCheck_ != nullptr) wl_callback_destroy(closeCheck_);
  closeCheck_ = nullptr;
  cover_.reset();
  window_.reset();
  system_ = nullptr;
}

bool WaylandWindow::Owns(const wl_surface* surface) const {
  return (cover_ != nullptr && cover_->surface() == surface) ||
         (window_ != nullptr && window_->surface() == surface);
}

Output* WaylandWindow::output() const { return cover_ != nullptr ? cover_->output() : nullptr; }

void WaylandWindow::NotifyDisplayChanged() {
  if (loaded()) handler_.OnDisplayChange(*this);
}

// ---- full screen ----

void WaylandWindow::MakeUnplaced() {
  SurfaceHandler& events = *this;
  cover_ = std::make_unique<OutputSurface>(system_->connection(), nullptr, system_->shell(), events);
}

void WaylandWindow::AwaitPlacement(TimePoint deadline) {
  if (cover_ == nullptr) return;
  const std::shared_ptr<bool> alive = alive_;
  // The first configure gives the size; a buffer shown places the surface,
  // and wl_surface.enter says where.
  system_->PumpUntil([&] { return !*alive || cover_ == nullptr || cover_->configured() || cover_->closed(); },
                     deadline);
  if (!*alive || cover_ == nullptr || !cover_->configured()) return;
  canvas_.Sync();
  cover_->Present(canvas_.shown());
  system_->PumpUntil([&] { return !*alive || cover_ == nullptr || cover_->output() != nullptr; }, deadline);
}

void WaylandWindow::Cover(Output* output) {
  if (cover_ != nullptr && cover_->output() == output && output != nullptr) return;
  cover_.reset();
  if (output == nullptr) return;
  SurfaceHandler& events = *this;
  cover_ = std::make_unique<OutputSurface>(system_->connection(), output, system_->shell(), events);
  const OutputPlace place = output->place();
  const BufferSize size = BufferFor(place.width, place.height, place.scale);
  ResizeCanvas(size.width, size.height);
}

void WaylandWindow::FollowLayout() {
  if (!fullScreen_ || !loaded() || cover_ != nullptr || !shown_) return;
  // The rectangle may name another output now (the swarm's went, another of its size took its place).
  if (moved_) Cover(system_->OutputAt(rect_, false));
}

void WaylandWindow::OutputChanged(Output& output) {
  if (cover_ != nullptr && cover_->output() == &output) cover_->OutputChanged();
}

void WaylandWindow::OutputRemoved(Output& output) {
  // A surface on it goes with it (a layer surface is closed by the compositor anyway).
  if (cover_ != nullptr && cover_->output() == &output) cover_.reset();
}

void WaylandWindow::OnConfigured(OutputSurface& surface) {
  ResizeCanvas(surface.bufferWidth(), surface.bufferHeight());
}

void WaylandWindow::OnClosed(OutputSurface& surface) {
  // The compositor closes a layer surface when the user asks it to, and also
  // when its output goes (just before the output's global does): the sync's
  // answer, after both, tells which.
  closedOutput_ = surface.output() != nullptr ? surface.output()->globalName() : 0;
  if (closeCheck_ != nullptr) return;
  static const wl_callback_listener listener = {&WaylandWindow::Synced};
  closeCheck_ = wl_display_sync(system_->connection().display());
  wl_callback_add_listener(closeCheck_, &listener, this);
}

void WaylandWindow::Synced(void* data, wl_callback* callback, std::uint32_t) {
  auto* self = static_cast<WaylandWindow*>(data);
  wl_callback_destroy(callback);
  self->closeCheck_ = nullptr;
  if (!self->loaded()) return;
  const std::vector<Output*> outputs = self->system_->connection().Outputs();
  const bool outputStays =
      self->closedOutput_ == 0 || std::any_of(outputs.begin(), outputs.end(), [self](const Output* o) {
        return o->globalName() == self->closedOutput_;
      });
  if (self->cover_ != nullptr && self->cover_->closed()) self->cover_.reset();
  if (outputStays) {
    self->CloseRequested();  // may delete this window
  } else {
    self->FollowLayout();
  }
}

void WaylandWindow::OnCloseRequest(OutputSurface&) { CloseRequested(); }

void WaylandWindow::CloseRequested() {
  if (!loaded()) return;
  WaylandWindowSystem* system = system_;
  handler_.OnCloseRequest(*this);  // may delete this window
  system->OnWindowClosedByUser();
}

// ---- the PlatformWindow ----

void WaylandWindow::Move(int left, int top, int width, int height) {
  if (!loaded()) return;
  width = std::clamp(width, 1, kMaxSide * kMaxScale);
  height = std::clamp(height, 1, kMaxSide * kMaxScale);
  rect_ = PixelRect{left, top, left + width, top + height};
  moved_ = true;
  if (fullScreen_) {
    Output* target = system_->OutputAt(rect_, true);
    if (target != nullptr) {
      const OutputPlace place = target->place();
      const BufferSize size = BufferFor(place.width, place.height, place.scale);
      ResizeCanvas(size.width, size.height);
    }
    if (shown_) {
      Cover(target);
    } else if (cover_ != nullptr && cover_->output() != nullptr && cover_->output() != target) {
      // Show() makes it where the rectangle says.
      cover_.reset();
    }
    return;
  }
  // The designed size, whole: a size the enlargement does not divide is rounded up.
  const int logicalWidth = (width + scale_ - 1) / scale_, logicalHeight = (height + scale_ - 1) / scale_;
  ResizeCanvas(logicalWidth * scale_, logicalHeight * scale_);
  if (window_ != nullptr) window_->Resize(logicalWidth, logicalHeight);
}

void WaylandWindow::ResizeCanvas(int width, int height) {
  if (width == canvas_.shown().width() && height == canvas_.shown().height()) return;
  canvas_.Resize(width, height, Rgb(0, 0, 0));
  // A new size is drawn whole again, as after an expose elsewhere.
  if (shown_ && loaded()) handler_.OnPaint(*this);
}

void WaylandWindow::Show() {
  if (!loaded() || shown_) return;
  shown_ = true;
  if (fullScreen_) {
    if (cover_ == nullptr) Cover(moved_ ? system_->OutputAt(rect_, true) : system_->SwarmOutput());
  } else if (window_ == nullptr) {
    const int w = (canvas_.shown().width() + scale_ - 1) / scale_,
              h = (canvas_.shown().height() + scale_ - 1) / scale_;
    // Every window of the program is drawn at its designed size: fixed.
    window_ = std::make_unique<WindowSurface>(system_->connection(), caption_, kAppId, w, h, scale_, true,
                                              WindowSurfaceEvents{[this] { CloseRequested(); }, {}});
    // A window that belongs to another stays above it (where the compositor places it).
    if (const WaylandWindow* owner = system_->FindWindow(owner_); owner && owner->toplevel())
      window_->SetParent(*owner->toplevel());
  }
  handler_.OnPaint(*this);
}

void WaylandWindow::Unload() {
  if (unloading_ || system_ == nullptr) return;
  unloading_ = true;  // no further events reach the handler
  const std::shared_ptr<bool> alive = alive_;
  handler_.OnUnload();
  if (!*alive) return;  // the handler let go of this window; its destructor cleaned up
  DestroyNative();
}

std::pair<int, int> WaylandWindow::OuterSize(int clientWidth, int clientHeight) {
  return {clientWidth * canvas_.scale(), clientHeight * canvas_.scale()};
}

void WaylandWindow::SetHandPointer(bool hand) {
  if (hand == hand_) return;
  hand_ = hand;
  if (system_ != nullptr) system_->ApplyCursor();
}

// ---- drawing ----

bool WaylandWindow::HasChanges() {
  if (!loaded() || !shown_) return false;
  canvas_.Sync();
  if (cover_ != nullptr) return cover_->WantsPresent(canvas_.shown());
  return window_ != nullptr && window_->WantsPresent(canvas_.shown());
}

void WaylandWindow::Push() {
  if (!loaded() || !shown_) return;
  canvas_.Sync();
  if (cover_ != nullptr) cover_->Present(canvas_.shown());
  if (window_ != nullptr) window_->Present(canvas_.shown());
}

bool WaylandWindow::Stalled(TimePoint now) const {
  if (!shown_ || !canvas_.HasDirty()) return false;
  const std::optional<TimePoint> since = cover_ != nullptr    ? cover_->waitingSince()
                                         : window_ != nullptr ? window_->waitingSince()
                                                              : std::nullopt;
  return since && now - *since > kFramesStalledAfter;
}

// ---- input ----

void WaylandWindow::PointerAt(double sx, double sy, int buttons, int shift) {
  if (!loaded()) return;
  if (fullScreen_) {
    // In the swarm output's pixels, less this window's corner there: the
    // saver's covers add their corner back, so every output is one space.
    const OutputPlace swarm = system_->SwarmPlace();
    const Output* on = output();
    const OutputPlace place = on != nullptr ? on->place() : swarm;
    const PointF p = ToSwarmPixels(swarm, place, sx, sy);
    const PixelRect corner = moved_ ? rect_ : MonitorRect(swarm, place);
    lastX_ = Whole(p.x) - static_cast<float>(corner.left);
    lastY_ = Whole(p.y) - static_cast<float>(corner.top);
  } else {
    // Logical units are designed pixels.
    lastX_ = canvas_.ToDesigned(Whole(sx * scale_));
    lastY_ = canvas_.ToDesigned(Whole(sy * scale_));
  }
  handler_.OnMouseMove(buttons, shift, lastX_, lastY_);
}

void WaylandWindow::PointerButton(int button, bool pressed, int shift) {
  if (!loaded()) return;
  if (pressed) {
    handler_.OnMouseDown(button, shift, lastX_, lastY_);
  } else {
    handler_.OnMouseUp(button, shift, lastX_, lastY_);
  }
}

void WaylandWindow::Key(int keyCode, int shift) {
  if (loaded()) handler_.OnKeyDown(keyCode, shift);
}

}  // namespace kal::wayland
