// The controls of a form, drawn by shared code on the window's Canvas so that
// every system shows the same pixels: picture boxes with persistent images,
// image controls sharing Picture objects, transparent labels and a horizontal
// scroll bar.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Picture.h"
#include "platform/forms/Layout.h"
#include "platform/forms/Text.h"

namespace kal::forms {

class Form;

// Mouse handler arguments: button (1 left, 2 right, 4 middle), shift, x, y in
// the control's own pixels.
using MouseHandler = std::function<void(int button, int shift, float x, float y)>;

class Control {
 public:
  explicit Control(const layout::Control& design);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  std::string Name;
  int Index;
  layout::Kind kind() const { return kind_; }
  // Outer rectangle in the container's client pixels.
  PixelRect rect;
  bool Visible;
  // The hand pointer shows over the control once a pointer icon is handed to
  // it (MousePointer custom plus MouseIcon).
  bool handPointer = false;
  bool mouseIconSet = false;
  Control* container = nullptr;
  std::vector<Control*> children;  // in drawing order, back to front

  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
  // Takes the mouse (has a handler or behaviour of its own).
  virtual bool Reacts() const { return MouseDown || MouseUp; }
  // Picture boxes and scroll bars are windows of their own: drawn in front
  // of their container's labels and images.
  bool Windowed() const { return kind_ == layout::Kind::PictureBox || kind_ == layout::Kind::HScrollBar; }
  // Draws the control with its container's client origin at (ox, oy) of the
  // window's canvas, cut to clip (window pixels).
  virtual void Paint(Form& form, Canvas& target, int ox, int oy, const PixelRect& clip) = 0;
  // Where the control's client area starts inside its outer rectangle.
  virtual int ClientInset() const { return 0; }

  MouseHandler MouseDown;
  MouseHandler MouseUp;

 private:
  layout::Kind kind_;
};

class PictureBox final : public Control {
 public:
  PictureBox(const layout::Control& design, Color backColor, const PictureRef& picture);
  // The persistent image (AutoRedraw): what the device context draws on.
  Canvas& hDC() { return image_; }
  const Canvas& hDC() const { return image_; }
  bool Border() const { return border_; }
  Color BackColor() const { return backColor_; }
  int ClientInset() const override { return border_ ? kBorder : 0; }
  void Paint(Form& form, Canvas& target, int ox, int oy, const PixelRect& clip) override;

  // A sunken edge of two lines, as a single-line border looks on a
  // three-dimensional desktop.
  static constexpr int kBorder = 2;

 private:
  bool border_;
  Color backColor_;
  Canvas image_;
};

class ImageControl final : public Control {
 public:
  using Control::Control;
  PictureRef Picture;  // shared, never copied
  void Paint(Form& form, Canvas& target, int ox, int oy, const PixelRect& clip) override;
};

class Label final : public Control {
 public:
  Label(const layout::Control& design, FontSpec font, Color foreColor);
  const std::string& Caption() const { return caption_; }
  void SetCaption(Form& form, std::string caption);
  const FontSpec& font() const { return font_; }
  void Paint(Form& form, Canvas& target, int ox, int oy, const PixelRect& clip) override;
  // AutoSize: the width follows the caption (after the form has a text engine).
  void Fit(TextRenderer& text);

 private:
  std::string caption_;
  layout::Align align_;
  FontSpec font_;
  Color foreColor_;
  Color backColor_;
  bool transparent_;
  bool autoSize_;
};

class HScrollBar final : public Control {
 public:
  explicit HScrollBar(const layout::Control& design);
  int Min, Max, SmallChange, LargeChange;
  int Value() const { return value_; }
  // Outside Min..Max raises InvalidPropertyValue and keeps the value. Raises
  // the change event after every change.
  void SetValue(Form& form, int value);
  std::function<void()> Change;
  std::function<void()> Scroll;  // while the thumb is dragged

  bool Reacts() const override { return true; }
  void Paint(Form& form, Canvas& target, int ox, int oy, const PixelRect& clip) override;
  // Input, in the bar's own pixels.
  void Press(Form& form, int x, int y);
  void Drag(Form& form, int x, int y);
  void Release(Form& form);
  // Arrow keys, Page Up/Down, Home/End; true when the key was the bar's.
  bool Key(Form& form, int keyCode);
  // Held arrows and track repeat their step (the form's repeat timer).
  void Repeat(Form& form);
  bool Repeating() const {
    return part_ == Part::LeftArrow || part_ == Part::RightArrow || part_ == Part::PageLeft ||
           part_ == Part::PageRight;
  }
  bool focused = false;

 private:
  enum class Part { None, LeftArrow, RightArrow, PageLeft, PageRight, Thumb };
  int Arrow() const { return Height(); }
  int ThumbWidth() const;
  int ThumbLeft(int value) const;
  Part PartAt(int x) const;
  void Step(Form& form, Part part);
  void Invalidate(Form& form);

  int value_;
  Part part_ = Part::None;  // what the pressed button holds
  int dragOffset_ = 0;      // pointer x minus thumb left at the press
  int dragValue_ = 0;       // the value the thumb shows while dragged
  bool dragging_ = false;
  int pointerX_ = 0;  // where the pointer is while a button is held
};

}  // namespace kal::forms
