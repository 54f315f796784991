#include "settings/MessageWindow.h"

#include <algorithm>

#include "assets/Picture.h"
#include "platform/Errors.h"
#include "platform/forms/BitBlt.h"

namespace kal {
namespace {

constexpr Color kSignRim = Rgb(48, 40, 24);
constexpr Color kSignFace = Rgb(255, 204, 0);

}  // namespace

void DrawWarningSign(Canvas& canvas, int x, int y, int size) {
  // Rows of the triangle, widening two pixels at a time from the apex to the
  // base; the face is the same shape, two pixels in on either side.
  const int apex = 2, base = size - 3, half = size / 2;
  auto span = [&](int row) { return 2 + 2 * ((row - apex) * (half - 2) / (base - apex)); };
  for (int row = apex; row <= base; ++row) {
    const int w = span(row);
    canvas.FillRect(x + half - w / 2, y + row, x + half + w / 2, y + row + 1, kSignRim);
    if (row >= apex + 3 && row <= base - 2 && w > 4) {
      const int inner = w - 4;
      canvas.FillRect(x + half - inner / 2, y + row, x + half + inner / 2, y + row + 1, kSignFace);
    }
  }
  // The exclamation mark: a bar narrowing to its foot, and its dot.
  const int unit = std::max(1, size / 16);
  const int top = y + size * 5 / 16, foot = y + size * 11 / 16;
  canvas.FillRect(x + half - unit, top, x + half + unit, foot - unit, kSignRim);
  canvas.FillRect(x + half - (unit + 1) / 2, foot - unit, x + half + (unit + 1) / 2, foot, kSignRim);
  canvas.FillRect(x + half - unit, foot + unit, x + half + unit, foot + 3 * unit, kSignRim);
}

void DrawRaisedEdge(Canvas& canvas) {
  // Two lines, as a raised frame looks on a three-dimensional desktop.
  const int w = canvas.width(), h = canvas.height();
  auto edge = [&](int in, Color topLeft, Color bottomRight) {
    canvas.FillRect(in, in, w - in, in + 1, topLeft);
    canvas.FillRect(in, in, in + 1, h - in, topLeft);
    canvas.FillRect(in, h - in - 1, w - in, h - in, bottomRight);
    canvas.FillRect(w - in - 1, in, w - in, h - in, bottomRight);
  };
  edge(0, Rgb(212, 208, 200), Rgb(64, 64, 64));
  edge(1, Rgb(255, 255, 255), Rgb(128, 128, 128));
}

MessageWindow::MessageWindow(WindowSystem& windows, TextRenderer& text, std::string_view caption,
                             std::string_view message)
    : windows_(windows),
      layout_(caption, message, text),
      form_(windows, text, layout_.window(), layout_.controls(),
            [](std::string_view name) { return LoadPicture(name); }) {
  form_.Load = [this] { Form_Load(); };
  form_.Unload = [this] { loaded_ = false; };
  form_.ShowHand = [this](bool hand) {
    if (PlatformWindow* w = form_.window()) w->SetHandPointer(hand);
  };
  form_.KeyDown = [this](int key, int) {
    if (key == kEnter || key == kEscape || key == kSpace) Dismiss();
  };
  forms::Label& ok = form_.Lbl("lbl_OK");
  ok.MouseDown = [this](int, int, float, float) {
    form_.Img("Img_OK").Picture = form_.Img("Img_ON").Picture;
    form_.Invalidate(form_.Img("Img_OK"));
  };
  ok.MouseUp = [this, &ok](int, int, float x, float y) {
    SkipOnError([&] {
      form_.Img("Img_OK").Picture = form_.Img("Img_OFF").Picture;
      form_.Invalidate(form_.Img("Img_OK"));
    });
    // A push button: released off it, it does nothing.
    if (x >= 0 && y >= 0 && x < static_cast<float>(ok.Width()) && y < static_cast<float>(ok.Height()))
      Dismiss();
  };
}

void MessageWindow::LoadOnly() { form_.LoadWindow(); }

bool MessageWindow::ShowModal(forms::Form& owner) {
  owner_ = owner.window() != nullptr ? owner.window()->handle() : 0;
  form_.LoadWindow(owner_);
  if (!loaded_) return false;
  owner.SetEnabled(false);
  struct Enable {
    forms::Form& form;
    ~Enable() { form.SetEnabled(true); }
  } enableAgain{owner};
  SkipOnError([&] { form_.window()->Show(); });
  windows_.RunModalLoop([this] { return !loaded_; });
  // The loop also ends when the program has no window left.
  if (loaded_) Dismiss();
  return true;
}

void MessageWindow::Dismiss() {
  if (PlatformWindow* w = form_.window(); w != nullptr && loaded_) SkipOnError([&] { w->Unload(); });
}

void MessageWindow::Form_Load() {
  loaded_ = true;
  PlatformWindow& window = *form_.window();
  SkipOnError([&] { Place(window); });
  SkipOnError([&] {
    forms::PictureBox& frame = form_.Pic("Pic_M");
    Tile(frame);
    DrawRaisedEdge(frame.hDC());
    form_.Invalidate(frame);
  });
  SkipOnError([&] {
    forms::PictureBox& panel = form_.Pic("Pic_T");
    Tile(panel);
    DrawWarningSign(panel.hDC(), MessageLayout::kPad, MessageLayout::kPad, MessageLayout::kSign);
    form_.Invalidate(panel);
  });
  SkipOnError([&] {
    form_.Img("Img_OK").Picture = form_.Img("Img_OFF").Picture;
    form_.Lbl("lbl_OK").mouseIconSet = true;
    form_.Invalidate(form_.Img("Img_OK"));
  });
}

void MessageWindow::Place(PlatformWindow& window) {
  const forms::PictureBox& frame = form_.Pic("Pic_M");
  const auto [width, height] = window.OuterSize(frame.Width(), frame.Height());
  const ScreenMetrics screen = windows_.Screen();
  PixelRect over{0, 0, screen.widthPx, screen.heightPx};
  PixelRect ownerRect;
  if (owner_ != 0 && windows_.GetWindowRect(owner_, ownerRect)) over = ownerRect;
  int left = over.left + (over.right - over.left - width) / 2;
  int top = over.top + (over.bottom - over.top - height) / 2;
  // Kept on the monitor that shows the middle of what it is centred on.
  const int cx = (over.left + over.right) / 2, cy = (over.top + over.bottom) / 2;
  for (const PixelRect& m : windows_.Monitors()) {
    if (cx < m.left || cx >= m.right || cy < m.top || cy >= m.bottom) continue;
    left = std::clamp(left, m.left, std::max(m.left, m.right - width));
    top = std::clamp(top, m.top, std::max(m.top, m.bottom - height));
    break;
  }
  window.Move(left, top, width, height);
}

void MessageWindow::Tile(forms::PictureBox& target) {
  const forms::PictureBox& tile = form_.Pic("Pic_Mbl");
  const int tw = tile.hDC().width(), th = tile.hDC().height();
  if (tw <= 0 || th <= 0) return;
  for (int y = 0; y < target.hDC().height(); y += th) {
    for (int x = 0; x < target.hDC().width(); x += tw)
      forms::BitBlt(target.hDC(), x, y, tw, th, tile.hDC(), 0, 0);
  }
}

}  // namespace kal
