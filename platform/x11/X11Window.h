// One top-level X window of the program: its native window, the Canvas that
// is its picture box, and the delivery of its events to the logic's handler.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/DisplayScale.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11Presenter.h"

namespace kal::x11 {

class X11WindowSystem;

class X11Window final : public PlatformWindow {
 public:
  X11Window(X11WindowSystem& platform, const WindowDesc& desc, WindowHandler& handler);
  // Draws into another client's window (see WindowSystem::AdoptWindow); `attrs`
  // are that window's, read by the caller.
  X11Window(X11WindowSystem& platform, Window foreign, const XWindowAttributes& attrs,
            WindowHandler& handler);
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;
  ~X11Window() override;

  Handle handle() const override { return static_cast<Handle>(window_); }
  void Move(int left, int top, int width, int height) override;
  void SetNormalState() override;
  void Show() override;
  void SetTopmost() override;
  Surface& Display() override { return surface_; }
  void Unload() override;
  // Re-parents the window into a window of any client and follows that
  // window: its size, and its end.
  bool EmbedInto(Handle parent) override;
  // The window this one is transient for (WindowDesc::owner), or 0.
  Handle Owner() override { return static_cast<Handle>(owner_); }
  void SetHandPointer(bool hand) override;
  std::pair<int, int> OuterSize(int clientWidth, int clientHeight) override;

  // ---- for the platform ----
  Window xid() const { return window_; }
  // The foreign window this one was placed into, or 0.
  Window parentXid() const { return parent_; }
  // Loaded: created and not yet unloaded; only loaded windows get events.
  bool loaded() const { return !unloading_ && window_ != 0; }
  // Delivers one event of this window to the handler. The handler may unload
  // or even delete this window: nothing of it is touched after the call.
  void Dispatch(const XEvent& event);
  // The monitors changed: the handler hears it.
  void DisplayChanged() {
    if (loaded()) handler_.OnDisplayChange(*this);
  }
  // Sends what changed on the canvas since the last push.
  void Push();
  // Something to push: only a shown, loaded window's changes can reach the screen.
  bool HasChanges() const { return loaded() && mapped_ && (canvas_.HasDirty() || !exposed_.empty()); }
  const Presenter* presenter() const { return presenter_.get(); }
  // Shows or hides the pointer over this window.
  void ApplyCursor(bool hidden);
  // The platform is going away before this window: let go of the display.
  void Orphan();

 private:
  void DestroyNative();
  void GrabKeyboard();
  void SetFullScreenState();
  void SetWmState(bool add, Atom state);
  // A new canvas size: black, then the handler draws its image controls again.
  void ResizeCanvas(int width, int height);
  // The window, or the window it was placed into, was destroyed by someone
  // else: unload, and end a program that has nothing loaded any more.
  void OnDestroyedElsewhere(bool ownWindow);

  X11WindowSystem* platform_;
  ::Display* display_;
  WindowHandler& handler_;
  Window window_ = 0;
  bool fullScreen_;
  bool overrideRedirect_ = false;
  bool managed_ = false;  // a window manager was running when the window was made
  bool topmost_ = false;
  bool mapped_ = false;  // Show() was called
  bool unloading_ = false;
  bool entered_ = false;  // the pointer's first arrival has been reported
  bool nativeGone_ = false;
  // Another client's window (AdoptWindow): drawn into, never changed.
  bool adopted_ = false;
  bool hand_ = false;  // the hand pointer shows over the window
  Cursor handCursor_ = 0;
  Cursor HandCursor();  // the server destroyed the window already
  Window parent_ = 0;   // a foreign parent (EmbedInto), watched for its size and end
  Window owner_ = 0;    // WM_TRANSIENT_FOR: the window of ours this one belongs to
  ScaledCanvas canvas_;
  CanvasSurface surface_{canvas_.designed()};
  std::unique_ptr<Presenter> presenter_;
  std::vector<PixelRect> exposed_;  // areas the server repainted black, to push again
  // Cleared by the destructor, so Unload() can tell when the unload handler
  // deleted the window it was called on.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kal::x11
