// A top-level Win32 window for the logic: the native window, its message
// handling and the drawing surface that is its client area.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>

#include "platform/Platform.h"
#include "platform/win32/BrushCache.h"

namespace kal::win32 {

// What every window of the process shares with the platform.
struct WindowBookkeeping {
  HINSTANCE instance = nullptr;
  int liveWindows = 0;  // native windows created and not yet destroyed
  // An exception thrown by a handler inside the window procedure. It cannot
  // unwind through the system's dispatch code, so it is held here and thrown
  // again once DispatchMessageW has returned.
  std::exception_ptr pendingError;
};

// The client area. Drawing goes straight to the window's own DC and is not
// kept: what the system repaints comes back black.
class WindowSurface final : public Surface {
 public:
  void Attach(HDC dc) { dc_ = dc; }
  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
  }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // The pixels of Canvas::Circle: one FillRect per row span of the dot.
  void Circle(float x, float y, float radius, Color color) override;

 private:
  HDC dc_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  BrushCache brushes_;
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
  Surface& Display() override { return surface_; }
  void Unload() override;

 private:
  Win32Window(WindowBookkeeping& book, const WindowDesc& desc, WindowHandler& handler);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Runs a handler call; an exception is parked in the bookkeeping.
  template <class F>
  void Deliver(F&& call);
  void UpdateSurfaceSize();

  WindowBookkeeping& book_;
  WindowHandler& handler_;
  HWND hwnd_ = nullptr;
  HBRUSH background_ = nullptr;
  WindowSurface surface_;
  bool unloading_ = false;
};

}  // namespace kal::win32
