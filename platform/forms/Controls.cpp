#include "platform/forms/Controls.h"

#include <algorithm>

#include "platform/Errors.h"
#include "platform/forms/Form.h"

namespace kal::forms {
namespace {

// The classic three-dimensional desktop's colours.
constexpr Color kFace = Rgb(212, 208, 200);
constexpr Color kHighlight = Rgb(255, 255, 255);
constexpr Color kShadow = Rgb(128, 128, 128);
constexpr Color kDarkShadow = Rgb(64, 64, 64);

void Fill(Canvas& c, const PixelRect& r, const PixelRect& clip, Color color) {
  const PixelRect x = Intersect(r, clip);
  c.FillRect(x.left, x.top, x.right, x.bottom, color);
}

// One line of an edge: top and left in one colour, bottom and right in another.
void Edge(Canvas& c, const PixelRect& r, const PixelRect& clip, Color topLeft, Color bottomRight) {
  Fill(c, {r.left, r.top, r.right, r.top + 1}, clip, topLeft);
  Fill(c, {r.left, r.top, r.left + 1, r.bottom}, clip, topLeft);
  Fill(c, {r.left, r.bottom - 1, r.right, r.bottom}, clip, bottomRight);
  Fill(c, {r.right - 1, r.top, r.right, r.bottom}, clip, bottomRight);
}

PixelRect Shrink(const PixelRect& r, int by) {
  return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

// Copies a block of src (at sx, sy) to dst at (dx, dy), cut to clip.
void Blit(Canvas& dst, int dx, int dy, const Canvas& src, int sx, int sy, int w, int h,
          const PixelRect& clip) {
  const PixelRect to = Intersect({dx, dy, dx + w, dy + h}, clip);
  if (to.left >= to.right || to.top >= to.bottom) return;
  const int fromX = sx + (to.left - dx), fromY = sy + (to.top - dy);
  if (fromX < 0 || fromY < 0 || fromX + (to.right - to.left) > src.width() ||
      fromY + (to.bottom - to.top) > src.height()) {
    return;
  }
  dst.PutPixels(to.left, to.top, src.data() + static_cast<std::ptrdiff_t>(fromY) * src.width() + fromX,
                to.right - to.left, to.bottom - to.top, src.width());
}

void Raised(Canvas& c, const PixelRect& r, const PixelRect& clip) {
  Fill(c, r, clip, kFace);
  Edge(c, r, clip, kFace, kDarkShadow);
  Edge(c, Shrink(r, 1), clip, kHighlight, kShadow);
}

// A solid triangle pointing left or right, centred in r.
void ArrowGlyph(Canvas& c, const PixelRect& r, const PixelRect& clip, bool left, int shift) {
  const int cx = (r.left + r.right) / 2 + shift, cy = (r.top + r.bottom) / 2 + shift;
  for (int i = 0; i < 4; ++i) {
    const int x = left ? cx - 2 + i : cx + 1 - i;
    Fill(c, {x, cy - i, x + 1, cy + i + 1}, clip, Rgb(0, 0, 0));
  }
}

}  // namespace

Control::Control(const layout::Control& design)
    : Name(design.name),
      Index(design.index),
      rect(design.Pixels()),
      Visible(design.visible),
      handPointer(design.handPointer),
      kind_(design.kind) {}

// ---- picture box ----

PictureBox::PictureBox(const layout::Control& design, Color backColor, const PictureRef& picture)
    : Control(design), border_(design.border), backColor_(backColor) {
  if (picture && design.autoSize) {
    rect.right = rect.left + picture->width() + 2 * ClientInset();
    rect.bottom = rect.top + picture->height() + 2 * ClientInset();
  }
  image_.Resize(std::max(0, Width() - 2 * ClientInset()), std::max(0, Height() - 2 * ClientInset()),
                backColor_);
  if (picture)
    image_.PutPixels(0, 0, picture->pixels().data(), picture->width(), picture->height(), picture->width());
}

void PictureBox::Paint(Form& form, Canvas& target, int ox, int oy, const PixelRect& clip) {
  const PixelRect outer{ox + rect.left, oy + rect.top, ox + rect.right, oy + rect.bottom};
  const PixelRect inside = Intersect(clip, Shrink(outer, ClientInset()));
  if (border_) {
    Edge(target, outer, clip, kShadow, kHighlight);
    Edge(target, Shrink(outer, 1), clip, kDarkShadow, kFace);
  }
  const int cx = outer.left + ClientInset(), cy = outer.top + ClientInset();
  Blit(target, cx, cy, image_, 0, 0, image_.width(), image_.height(), inside);
  // Labels and images lie on the box's own surface; boxes and bars in front.
  for (bool windowed : {false, true}) {
    for (Control* child : children) {
      if (child->Visible && child->Windowed() == windowed) child->Paint(form, target, cx, cy, inside);
    }
  }
}

// ---- image ----

void ImageControl::Paint(Form&, Canvas& target, int ox, int oy, const PixelRect& clip) {
  if (!Picture) return;
  const PixelRect area = Intersect(clip, {ox + rect.left, oy + rect.top, ox + rect.right, oy + rect.bottom});
  const int w = std::min(Picture->width(), Width()), h = std::min(Picture->height(), Height());
  const PixelRect to =
      Intersect(area, {ox + rect.left, oy + rect.top, ox + rect.left + w, oy + rect.top + h});
  if (to.left >= to.right || to.top >= to.bottom) return;
  const int fromX = to.left - (ox + rect.left), fromY = to.top - (oy + rect.top);
  target.PutPixels(to.left, to.top,
                   Picture->pixels().data() + static_cast<std::ptrdiff_t>(fromY) * Picture->width() + fromX,
                   to.right - to.left, to.bottom - to.top, Picture->width());
}

// ---- label ----

Label::Label(const layout::Control& design, FontSpec font, Color foreColor)
    : Control(design),
      caption_(design.caption),
      align_(design.alignment),
      font_(std::move(font)),
      foreColor_(foreColor),
      backColor_(design.backColor.value_or(Rgb(212, 208, 200))),
      transparent_(design.transparent),
      autoSize_(design.autoSize) {}

void Label::Fit(TextRenderer& text) {
  if (!autoSize_) return;
  const TextExtent e = text.Measure(caption_, font_);
  rect.right = rect.left + e.width;
  rect.bottom = rect.top + e.height;
}

void Label::SetCaption(Form& form, std::string caption) {
  form.Invalidate(*this);  // where the old text was
  caption_ = std::move(caption);
  Fit(form.text());
  form.Invalidate(*this);
}

void Label::Paint(Form& form, Canvas& target, int ox, int oy, const PixelRect& clip) {
  const PixelRect box{ox + rect.left, oy + rect.top, ox + rect.right, oy + rect.bottom};
  const PixelRect area = Intersect(clip, box);
  if (area.left >= area.right || area.top >= area.bottom) return;
  if (!transparent_) Fill(target, box, area, backColor_);
  const int width = form.text().Measure(caption_, font_).width;
  int x = box.left;
  if (align_ == layout::Align::Centre) x = box.left + (Width() - width) / 2;
  if (align_ == layout::Align::Right) x = box.right - width;
  form.text().Draw(target, x, box.top, area, caption_, font_, foreColor_);
}

// ---- scroll bar ----

HScrollBar::HScrollBar(const layout::Control& design)
    : Control(design),
      Min(design.min),
      Max(design.max),
      SmallChange(design.smallChange),
      LargeChange(design.largeChange),
      value_(design.value) {}

void HScrollBar::SetValue(Form& form, int value) {
  if (value < std::min(Min, Max) || value > std::max(Min, Max)) {
    Raise(ErrorCode::InvalidPropertyValue, "Invalid property value");
  }
  if (value == value_) return;
  value_ = value;
  Invalidate(form);
  if (Change) Change();
}

void HScrollBar::Invalidate(Form& form) { form.Invalidate(*this); }

int HScrollBar::ThumbWidth() const { return std::min(Arrow(), std::max(0, Width() - 2 * Arrow())); }

int HScrollBar::ThumbLeft(int value) const {
  const int track = Width() - 2 * Arrow() - ThumbWidth();
  if (Max == Min || track <= 0) return Arrow();
  const long long offset = static_cast<long long>(value - Min) * track / (Max - Min);
  return Arrow() + static_cast<int>(offset);
}

HScrollBar::Part HScrollBar::PartAt(int x) const {
  if (x < Arrow()) return Part::LeftArrow;
  if (x >= Width() - Arrow()) return Part::RightArrow;
  const int thumb = ThumbLeft(dragging_ ? dragValue_ : value_);
  if (x < thumb) return Part::PageLeft;
  if (x >= thumb + ThumbWidth()) return Part::PageRight;
  return Part::Thumb;
}

void HScrollBar::Step(Form& form, Part part) {
  int v = value_;
  switch (part) {
    case Part::LeftArrow:
      v -= SmallChange;
      break;
    case Part::RightArrow:
      v += SmallChange;
      break;
    case Part::PageLeft:
      v -= LargeChange;
      break;
    case Part::PageRight:
      v += LargeChange;
      break;
    default:
      return;
  }
  SetValue(form, std::clamp(v, std::min(Min, Max), std::max(Min, Max)));
}

void HScrollBar::Press(Form& form, int x, int) {
  pointerX_ = x;
  part_ = PartAt(x);
  if (part_ == Part::Thumb) {
    dragging_ = true;
    dragValue_ = value_;
    dragOffset_ = x - ThumbLeft(value_);
    Invalidate(form);
    return;
  }
  Invalidate(form);  // the pressed arrow
  Step(form, part_);
}

void HScrollBar::Drag(Form& form, int x, int) {
  pointerX_ = x;
  if (!dragging_) return;
  const int track = Width() - 2 * Arrow() - ThumbWidth();
  if (track <= 0) return;
  const int left = std::clamp(x - dragOffset_, Arrow(), Arrow() + track);
  // The nearest value to where the thumb is.
  const long long span = Max - Min;
  const int v = Min + static_cast<int>(((left - Arrow()) * span * 2 + track) / (2LL * track));
  if (v == dragValue_) return;
  dragValue_ = v;
  value_ = v;
  Invalidate(form);
  if (Scroll) Scroll();
}

void HScrollBar::Release(Form& form) {
  const bool dragged = dragging_;
  dragging_ = false;
  part_ = Part::None;
  Invalidate(form);
  // The end of a drag is a change.
  if (dragged && Change) Change();
}

void HScrollBar::Repeat(Form& form) {
  // A track press repeats only while the thumb has not reached the pointer.
  if ((part_ == Part::PageLeft || part_ == Part::PageRight) && PartAt(pointerX_) != part_) return;
  Step(form, part_);
}

bool HScrollBar::Key(Form& form, int keyCode) {
  const int lo = std::min(Min, Max), hi = std::max(Min, Max);
  int v = value_;
  switch (keyCode) {
    case 0x25:  // left
    case 0x26:  // up
      v -= SmallChange;
      break;
    case 0x27:  // right
    case 0x28:  // down
      v += SmallChange;
      break;
    case 0x21:
      v -= LargeChange;
      break;  // page up
    case 0x22:
      v += LargeChange;
      break;  // page down
    case 0x24:
      v = lo;
      break;  // home
    case 0x23:
      v = hi;
      break;  // end
    default:
      return false;
  }
  SetValue(form, std::clamp(v, lo, hi));
  return true;
}

void HScrollBar::Paint(Form&, Canvas& target, int ox, int oy, const PixelRect& clip) {
  const PixelRect box{ox + rect.left, oy + rect.top, ox + rect.right, oy + rect.bottom};
  const PixelRect area = Intersect(clip, box);
  if (area.left >= area.right || area.top >= area.bottom) return;
  // The track: the desktop's fine check of face and highlight.
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      target.FillRect(x, y, x + 1, y + 1, ((x + y) & 1) ? kHighlight : kFace);
    }
  }
  const int a = Arrow();
  const bool leftDown = part_ == Part::LeftArrow, rightDown = part_ == Part::RightArrow;
  auto arrow = [&](const PixelRect& r, bool pressed, bool left) {
    if (pressed) {
      Fill(target, r, area, kFace);
      Edge(target, r, area, kShadow, kShadow);
    } else {
      Raised(target, r, area);
    }
    ArrowGlyph(target, r, area, left, pressed ? 1 : 0);
  };
  arrow({box.left, box.top, box.left + a, box.bottom}, leftDown, true);
  arrow({box.right - a, box.top, box.right, box.bottom}, rightDown, false);
  const int thumb = box.left + ThumbLeft(dragging_ ? dragValue_ : value_);
  const PixelRect t{thumb, box.top, thumb + ThumbWidth(), box.bottom};
  Raised(target, t, area);
  if (focused) {
    // The keyboard's mark: a dotted frame inside the thumb.
    const PixelRect f = Shrink(t, 3);
    for (int x = f.left; x < f.right; x += 2) {
      Fill(target, {x, f.top, x + 1, f.top + 1}, area, Rgb(0, 0, 0));
      Fill(target, {x, f.bottom - 1, x + 1, f.bottom}, area, Rgb(0, 0, 0));
    }
    for (int y = f.top; y < f.bottom; y += 2) {
      Fill(target, {f.left, y, f.left + 1, y + 1}, area, Rgb(0, 0, 0));
      Fill(target, {f.right - 1, y, f.right, y + 1}, area, Rgb(0, 0, 0));
    }
  }
}

}  // namespace kal::forms
