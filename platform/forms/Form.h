// A form: a top-level window whose client area shows a tree of controls made
// from a layout table. It composes the controls onto the window's surface,
// takes the mouse for the control that was pressed until the release, sends
// keys to the focused control and tells which pointer to show.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Picture.h"
#include "platform/WindowSystem.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Layout.h"
#include "platform/forms/Text.h"

namespace kal::forms {

// The picture a layout names, as the program carries it (nullptr: none).
using PictureLoader = std::function<PictureRef(std::string_view name)>;

// The default background of a form: the system's button face.
inline constexpr Color kButtonFace = Rgb(212, 208, 200);

class Form final : public WindowHandler {
 public:
  Form(WindowSystem& windows, TextRenderer& text, const layout::Window& design,
       std::span<const layout::Control> controls, const PictureLoader& loadPicture);
  ~Form() override;

  Control* Find(std::string_view name, int index = -1);
  PictureBox& Pic(std::string_view name);
  ImageControl& Img(std::string_view name, int index = -1);
  Label& Lbl(std::string_view name, int index = -1);
  HScrollBar& Bar(std::string_view name);

  // Creates the native window, hidden, and runs Load; `owner`: a window it
  // belongs to (WindowDesc::owner), as a message belongs to its dialog.
  void LoadWindow(Handle owner = 0);
  PlatformWindow* window() { return window_.get(); }
  WindowSystem& windows() { return windows_; }
  TextRenderer& text() { return text_; }

  // The top-left corner of a control's client area in window pixels.
  PixelRect WindowRect(const Control& c) const;
  // Draws a control's area again (after its content changed).
  void Invalidate(const Control& c);
  // Only a part of a control's client area (its own coordinates).
  void Invalidate(Control& c, const PixelRect& part);
  void InvalidateWindowRect(const PixelRect& r);
  // The control that takes the keyboard (none: 0).
  Control* focus() { return focus_; }
  void SetFocus(Control* c);
  // A disabled form ignores the mouse, the keys and close requests, as a
  // window does under a modal one of its own; it still paints and its timers
  // run. Disabling lets go of a held press and drops the hand pointer.
  void SetEnabled(bool enabled);
  bool enabled() const { return enabled_; }

  // What the logic handles.
  std::function<void()> Load;
  std::function<void()> Unload;
  // Tells the platform which pointer to show: true for the hand.
  std::function<void(bool hand)> ShowHand;
  // A key no control took (key code and shift state as WindowHandler has them).
  std::function<void(int keyCode, int shift)> KeyDown;
  // Scroll-bar arrows and track repeat while held, after a short delay. The
  // form runs a timer of kRepeatMs only while the bar is pressed: an idle
  // dialog wakes for nothing.
  static constexpr int kRepeatDelayMs = 350;
  static constexpr int kRepeatMs = 50;
  bool HeldRepeats();
  void RepeatHeld();

  // The whole client area as the controls draw it (tests, tools).
  const Canvas& frame() const { return frame_; }

 private:
  void OnLoad(PlatformWindow&) override;
  void OnUnload() override;
  void OnPaint(PlatformWindow& self) override;
  void OnMouseDown(int button, int shift, float x, float y) override;
  void OnMouseMove(int button, int shift, float x, float y) override;
  void OnMouseUp(int button, int shift, float x, float y) override;
  void OnKeyDown(int keyCode, int shift) override;
  void OnCloseRequest(PlatformWindow& self) override;

  void StartRepeating();
  void StopRepeating();
  Control* HitTest(int x, int y);
  Control* HitTestIn(Control& c, int x, int y, int ox, int oy);
  // Draws the area again: every control, or only `only` (with the client
  // origin (ox, oy) of its container) and its children.
  void Compose(const PixelRect& clip, Control* only = nullptr, int ox = 0, int oy = 0);
  std::vector<Control*> TabOrder();

  WindowSystem& windows_;
  TextRenderer& text_;
  const layout::Window& design_;
  std::span<const layout::Control> design_controls_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<Control*> top_;  // the window's own controls, back to front
  std::unique_ptr<PlatformWindow> window_;
  Canvas frame_;
  Control* pressed_ = nullptr;  // has the mouse until the release
  int pressedButton_ = 0;
  TimePoint pressedAt_{};
  int repeatTimer_ = 0;
  Control* focus_ = nullptr;
  bool hand_ = false;
  bool enabled_ = true;
};

}  // namespace kal::forms
