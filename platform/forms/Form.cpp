#include "platform/forms/Form.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "platform/Errors.h"

namespace kal::forms {
namespace {

FontSpec SpecOf(const layout::Font& f) {
  return FontSpec{std::string(f.face), PixelHeightOf(f.points), f.weight, f.underline};
}

bool Inside(const PixelRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

constexpr int kTabKey = 0x09;

}  // namespace

Form::Form(WindowSystem& windows, TextRenderer& text, const layout::Window& design,
           std::span<const layout::Control> controls, const PictureLoader& loadPicture)
    : windows_(windows), text_(text), design_(design), design_controls_(controls) {
  // The fonts: a label without one of its own uses its container's.
  auto fontOf = [&](const layout::Control& c) {
    for (const layout::Control* at = &c; at != nullptr;) {
      if (at->font) return SpecOf(*at->font);
      if (at->container.empty()) break;
      const layout::Control* next = nullptr;
      for (const layout::Control& k : controls) {
        if (k.name == at->container && k.index == -1) next = &k;
      }
      at = next;
    }
    return SpecOf(design.font);
  };
  for (const layout::Control& c : controls) {
    switch (c.kind) {
      case layout::Kind::PictureBox:
        controls_.push_back(std::make_unique<PictureBox>(
            c, c.backColor.value_or(kButtonFace), c.picture.empty() ? nullptr : loadPicture(c.picture)));
        break;
      case layout::Kind::Image: {
        auto image = std::make_unique<ImageControl>(c);
        if (!c.picture.empty()) image->Picture = loadPicture(c.picture);
        controls_.push_back(std::move(image));
        break;
      }
      case layout::Kind::Label: {
        auto label = std::make_unique<Label>(c, fontOf(c), c.foreColor.value_or(layout::kButtonText));
        label->Fit(text_);
        controls_.push_back(std::move(label));
        break;
      }
      case layout::Kind::HScrollBar:
        controls_.push_back(std::make_unique<HScrollBar>(c));
        break;
      case layout::Kind::Timer:
        break;  // the dialog runs its timer through the window system
    }
  }
  // The tree; the table lists controls front to back within a container.
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    Control& c = **it;
    const layout::Control* entry = nullptr;
    for (const layout::Control& d : controls) {
      if (d.name == c.Name && d.index == c.Index) entry = &d;
    }
    if (entry == nullptr || entry->container.empty()) {
      top_.push_back(&c);
      continue;
    }
    Control* parent = Find(entry->container);
    if (parent == nullptr) throw std::logic_error("no container " + std::string(entry->container));
    c.container = parent;
    parent->children.push_back(&c);
  }
}

Form::~Form() { StopRepeating(); }

Control* Form::Find(std::string_view name, int index) {
  for (auto& c : controls_) {
    if (c->Name == name && c->Index == index) return c.get();
  }
  return nullptr;
}

template <class T>
T& Typed(Control* c, std::string_view name) {
  auto* t = dynamic_cast<T*>(c);
  if (t == nullptr) Raise(ErrorCode::InvalidCall, "no such control: " + std::string(name));
  return *t;
}

PictureBox& Form::Pic(std::string_view name) { return Typed<PictureBox>(Find(name), name); }
ImageControl& Form::Img(std::string_view name, int index) {
  return Typed<ImageControl>(Find(name, index), name);
}
Label& Form::Lbl(std::string_view name, int index) { return Typed<Label>(Find(name, index), name); }
HScrollBar& Form::Bar(std::string_view name) { return Typed<HScrollBar>(Find(name), name); }

void Form::LoadWindow(Handle owner) {
  WindowDesc desc;
  desc.caption = std::string(design_.caption);
  desc.border = true;
  desc.backColor = kButtonFace;
  desc.scaleToDisplay = true;
  desc.owner = owner;
  kal::LoadWindow(windows_, desc, *this, window_);
}

PixelRect Form::WindowRect(const Control& c) const {
  int x = c.rect.left, y = c.rect.top;
  for (const Control* p = c.container; p != nullptr; p = p->container) {
    x += p->rect.left + p->ClientInset();
    y += p->rect.top + p->ClientInset();
  }
  return {x, y, x + c.Width(), y + c.Height()};
}

void Form::Invalidate(const Control& c) { InvalidateWindowRect(WindowRect(c)); }

void Form::Invalidate(Control& c, const PixelRect& part) {
  if (window_ == nullptr) return;
  const PixelRect outer = WindowRect(c);
  const int x = outer.left + c.ClientInset(), y = outer.top + c.ClientInset();
  const PixelRect inside{x, y, outer.right - c.ClientInset(), outer.bottom - c.ClientInset()};
  const PixelRect r = Intersect(inside, {x + part.left, y + part.top, x + part.right, y + part.bottom});
  // A control with a window of its own owns its area, as a child window does
  // on the desktop: only it and its children are drawn there again (the
  // banner's 64 refreshes a second then cost one copy per pixel, not four).
  if (c.Windowed() && c.Visible) {
    Compose(r, &c, outer.left - c.rect.left, outer.top - c.rect.top);
  } else {
    Compose(r);
  }
}

void Form::InvalidateWindowRect(const PixelRect& r) {
  if (window_ == nullptr) return;
  Compose(r);
}

void Form::Compose(const PixelRect& want, Control* only, int ox, int oy) {
  Surface& surface = window_->Display();
  if (frame_.width() != surface.Width() || frame_.height() != surface.Height()) {
    frame_.Resize(surface.Width(), surface.Height(), kButtonFace);
  }
  const PixelRect clip = Intersect(want, {0, 0, frame_.width(), frame_.height()});
  if (clip.left >= clip.right || clip.top >= clip.bottom) return;
  if (only != nullptr) {
    only->Paint(*this, frame_, ox, oy, clip);
  } else {
    frame_.FillRect(clip.left, clip.top, clip.right, clip.bottom, kButtonFace);
    for (bool windowed : {false, true}) {
      for (Control* c : top_) {
        if (c->Visible && c->Windowed() == windowed) c->Paint(*this, frame_, 0, 0, clip);
      }
    }
  }
  surface.PutPixels(clip.left, clip.top,
                    frame_.data() + static_cast<std::ptrdiff_t>(clip.top) * frame_.width() + clip.left,
                    clip.right - clip.left, clip.bottom - clip.top, frame_.width());
}

void Form::OnLoad(PlatformWindow&) {
  if (Load) Load();
}

void Form::OnUnload() {
  StopRepeating();
  if (Unload) Unload();
}

void Form::OnPaint(PlatformWindow& self) {
  Surface& s = self.Display();
  Compose({0, 0, s.Width(), s.Height()});
}

Control* Form::HitTestIn(Control& c, int x, int y, int ox, int oy) {
  const PixelRect r{ox + c.rect.left, oy + c.rect.top, ox + c.rect.right, oy + c.rect.bottom};
  if (!c.Visible || !Inside(r, x, y)) return nullptr;
  const int cx = r.left + c.ClientInset(), cy = r.top + c.ClientInset();
  // Front to back: windows of their own, then labels over images.
  for (bool windowed : {true, false}) {
    for (auto it = c.children.rbegin(); it != c.children.rend(); ++it) {
      if ((*it)->Windowed() != windowed) continue;
      if (Control* hit = HitTestIn(**it, x, y, cx, cy)) return hit;
    }
  }
  return &c;
}

Control* Form::HitTest(int x, int y) {
  for (bool windowed : {true, false}) {
    for (auto it = top_.rbegin(); it != top_.rend(); ++it) {
      if ((*it)->Windowed() != windowed) continue;
      if (Control* hit = HitTestIn(**it, x, y, 0, 0)) {
        // A control without a use for the mouse passes it to its container,
        // up to one that has one; lightweight controls without one are
        // transparent to it (the rim of an image button).
        for (Control* c = hit; c != nullptr; c = c->container) {
          if (c->Reacts()) return c;
        }
        return nullptr;
      }
    }
  }
  return nullptr;
}

void Form::SetFocus(Control* c) {
  if (c == focus_) return;
  if (auto* bar = dynamic_cast<HScrollBar*>(focus_)) {
    bar->focused = false;
    Invalidate(*bar);
  }
  focus_ = c;
  if (auto* bar = dynamic_cast<HScrollBar*>(focus_)) {
    bar->focused = true;
    Invalidate(*bar);
  }
}

void Form::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (enabled_) return;
  // A press held now is let go: its release will not be heard.
  if (Control* c = pressed_) {
    pressed_ = nullptr;
    StopRepeating();
    if (auto* bar = dynamic_cast<HScrollBar*>(c)) bar->Release(*this);
  }
  if (hand_) {
    hand_ = false;
    if (ShowHand) ShowHand(false);
  }
}

void Form::OnCloseRequest(PlatformWindow& self) {
  if (enabled_) WindowHandler::OnCloseRequest(self);
}

void Form::OnMouseDown(int button, int shift, float x, float y) {
  if (!enabled_) return;
  if (pressed_ != nullptr) return;  // a second button while one is held
  Control* c = HitTest(static_cast<int>(x), static_cast<int>(y));
  if (c == nullptr) return;
  pressed_ = c;
  pressedButton_ = button;
  pressedAt_ = windows_.Now();
  const PixelRect r = WindowRect(*c);
  if (auto* bar = dynamic_cast<HScrollBar*>(c)) {
    SetFocus(bar);
    if (button == 1) {
      bar->Press(*this, static_cast<int>(x) - r.left, static_cast<int>(y) - r.top);
      StartRepeating();
    }
    return;
  }
  if (c->MouseDown)
    c->MouseDown(button, shift, x - static_cast<float>(r.left), y - static_cast<float>(r.top));
}

void Form::OnMouseMove(int, int, float x, float y) {
  if (!enabled_) return;
  Control* over = pressed_ != nullptr ? pressed_ : HitTest(static_cast<int>(x), static_cast<int>(y));
  const bool hand = over != nullptr && over->handPointer && over->mouseIconSet;
  if (hand != hand_ || !ShowHand) {
    hand_ = hand;
    if (ShowHand) ShowHand(hand);
  }
  if (auto* bar = dynamic_cast<HScrollBar*>(pressed_)) {
    const PixelRect r = WindowRect(*bar);
    bar->Drag(*this, static_cast<int>(x) - r.left, static_cast<int>(y) - r.top);
  }
}

void Form::OnMouseUp(int button, int shift, float x, float y) {
  if (!enabled_ || pressed_ == nullptr || button != pressedButton_) return;
  Control* c = pressed_;
  pressed_ = nullptr;
  if (auto* bar = dynamic_cast<HScrollBar*>(c)) {
    StopRepeating();
    bar->Release(*this);
    return;
  }
  const PixelRect r = WindowRect(*c);
  if (c->MouseUp) c->MouseUp(button, shift, x - static_cast<float>(r.left), y - static_cast<float>(r.top));
}

bool Form::HeldRepeats() {
  const auto* bar = dynamic_cast<const HScrollBar*>(pressed_);
  return bar != nullptr && bar->Repeating() &&
         windows_.Now() - pressedAt_ >= std::chrono::milliseconds(kRepeatDelayMs);
}

void Form::RepeatHeld() {
  if (auto* bar = dynamic_cast<HScrollBar*>(pressed_)) bar->Repeat(*this);
}

void Form::StartRepeating() {
  if (repeatTimer_ != 0) return;
  repeatTimer_ = windows_.SetTimer(std::chrono::milliseconds(kRepeatMs), [this] {
    if (HeldRepeats()) SkipOnError([&] { RepeatHeld(); });
  });
}

void Form::StopRepeating() {
  if (repeatTimer_ != 0) windows_.KillTimer(repeatTimer_);
  repeatTimer_ = 0;
}

std::vector<Control*> Form::TabOrder() {
  std::vector<std::pair<int, Control*>> order;
  auto shown = [](const Control* c) {
    for (; c != nullptr; c = c->container) {
      if (!c->Visible) return false;
    }
    return true;
  };
  for (const layout::Control& d : design_controls_) {
    if (d.tabIndex < 0) continue;
    Control* c = Find(d.name, d.index);
    if (c != nullptr && c->Windowed() && shown(c)) order.emplace_back(d.tabIndex, c);
  }
  std::sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first < b.first; });
  std::vector<Control*> out;
  out.reserve(order.size());
  for (auto& [tab, c] : order) out.push_back(c);
  return out;
}

void Form::OnKeyDown(int keyCode, int shift) {
  if (!enabled_) return;
  if (keyCode == kTabKey) {
    std::vector<Control*> order = TabOrder();
    if (order.empty()) return;
    auto at = std::find(order.begin(), order.end(), focus_);
    std::ptrdiff_t i = at == order.end() ? -1 : at - order.begin();
    const auto n = static_cast<std::ptrdiff_t>(order.size());
    i = (shift & 1) ? (i <= 0 ? n - 1 : i - 1) : (i + 1) % n;
    SetFocus(order[static_cast<std::size_t>(i)]);
    return;
  }
  auto* bar = dynamic_cast<HScrollBar*>(focus_);
  if (bar != nullptr && bar->Key(*this, keyCode)) return;
  if (KeyDown) KeyDown(keyCode, shift);
}

}  // namespace kal::forms
