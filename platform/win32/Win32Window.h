// A top-level Win32 window for the logic: the native window, its message
// handling and the drawing surface that is its client area.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Presenter.h"

namespace kal::win32 {

class Win32Window;

// What every window of the process shares with the platform.
struct WindowBookkeeping {
  HINSTANCE instance = nullptr;
  std::vector<Win32Window*> windows;  // native windows created and not yet destroyed
  // An exception thrown by a handler inside the window procedure. It cannot
  // unwind through the system's dispatch code, so it is held here and thrown
  // again once DispatchMessageW has returned.
  std::exception_ptr pendingError;
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

  WindowBookkeeping& book_;
  WindowHandler& handler_;
  HWND hwnd_ = nullptr;
  HBRUSH background_ = nullptr;
  Color backColor_;
  HDC dc_ = nullptr;  // the class DC of its own, kept for the window's life
  Canvas canvas_;
  CanvasSurface surface_{canvas_};
  Presenter presenter_;
  bool unloading_ = false;
};

}  // namespace kal::win32
