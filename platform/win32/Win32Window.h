// A top-level Win32 window for the logic: the native window, its message
// handling and the drawing surface that is its client area.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/DisplayScale.h"
#include "platform/WindowArt.h"
#include "platform/WindowSystem.h"
#include "platform/win32/Win32Presenter.h"

namespace kal::win32 {

class Win32Window;

// The window a handle names. Window handles have 32 significant bits, which
// 64-bit Windows sign-extends: 4294967295 and -1 name the same window.
inline HWND HwndOf(Handle h) {
  return reinterpret_cast<HWND>(
      static_cast<std::intptr_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(h))));
}

// What every window of the process shares with the platform.
struct WindowBookkeeping {
  HINSTANCE instance = nullptr;
  WindowArt art;                      // the hand pointer the windows show
  std::vector<Win32Window*> windows;  // native windows created and not yet destroyed
  // An exception thrown by a handler inside the window procedure. It cannot
  // unwind through the system's dispatch code, so it is held here and thrown
  // again once DispatchMessageW has returned.
  std::exception_ptr pendingError;
  // Called after a close request was handled: ends a program left without windows.
  std::function<void()> closeHandled;
};

class Win32Window final : public PlatformWindow {
 public:
  // Creates the native window, hidden; null if the system refused.
  static std::unique_ptr<Win32Window> Create(WindowBookkeeping& book, const WindowDesc& desc,
                                             WindowHandler& handler);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  Handle handle() const override;
  void Move(int left, int top, int width, int height) override;
  void SetNormalState() override;
  void Show() override;
  void SetTopmost() override;
  // The client area is a Canvas; what is drawn on it reaches the window with
  // the next Push. It keeps no persistent image: what the system repaints
  // shows the background again, on the canvas as on the screen.
  Surface& Display() override { return surface_; }
  void Unload() override;
  // Also watches the new parent: when it goes away, however (its process
  // killed included), this window is unloaded.
  bool EmbedInto(Handle parent) override;
  Handle Owner() override;
  void SetHandPointer(bool hand) override;
  // AdjustWindowRectEx: the frame the system draws around the client area.
  std::pair<int, int> OuterSize(int clientWidth, int clientHeight) override;

  // The native window was destroyed without this window hearing of it.
  bool Gone() const;
  // Watches a parent that may vanish without a word.
  bool WatchingParent() const { return parent_ != nullptr; }
  // The monitors changed: the handler hears it.
  void DisplayChanged();
  void ForgetIfGone() {
    if (!Gone()) return;
    UnloadedBySystem();
    Forget();
  }

  // Drawing not yet on the window.
  bool HasChanges() const { return hwnd_ != nullptr && !unloading_ && canvas_.HasDirty(); }
  // Puts it there (the platform calls this once per display refresh).
  void Push();

 private:
  Win32Window(WindowBookkeeping& book, const WindowDesc& desc, WindowHandler& handler);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Runs a handler call; an exception is parked in the bookkeeping.
  template <class F>
  void Deliver(F&& call);
  void UpdateSurfaceSize();
  void SizeCanvas(int width, int height);
  // The parts the system is about to repaint go back to the background on
  // the canvas too, so later pushes match the screen.
  void ForgetUpdateRegion();
  // The window is being destroyed without Unload (its parent went away):
  // the handler hears of it all the same. False when it was unloading already.
  bool UnloadedBySystem();
  // The native window is no more: off the books.
  void Forget();

  WindowBookkeeping& book_;
  WindowHandler& handler_;
  HWND hwnd_ = nullptr;
  HBRUSH background_ = nullptr;
  Color backColor_;
  HDC dc_ = nullptr;  // the class DC of its own, kept for the window's life
  ScaledCanvas canvas_;
  CanvasSurface surface_{canvas_.designed()};
  Presenter presenter_;
  bool unloading_ = false;
  HWND parent_ = nullptr;  // a parent given by EmbedInto, watched
  bool hand_ = false;      // the hand pointer over the client area
  HCURSOR handCursor_ = nullptr;
  HCURSOR HandCursor();
};

}  // namespace kal::win32
