#include "preview/Sorvin_R.h"

#include <algorithm>
#include <cstdint>

#include "assets/Assets.h"

namespace kal {

void ImageControl::Paint(Surface& surface) const {
  if (!Picture) return;
  const int width = std::min(Picture->width(), Width), height = std::min(Picture->height(), Height);
  if (width <= 0 || height <= 0) return;
  surface.PutPixels(Left, Top, Picture->pixels().data(), width, height, Picture->width());
}

Sorvin_R::Sorvin_R(Platform& platform) : platform_(platform) {
  // Designed at (0, 0) with the picture's size.
  Img_Prev.Picture = LoadPicture(assets::kPreviewStill);
  if (Img_Prev.Picture) {
    Img_Prev.Width = Img_Prev.Picture->width();
    Img_Prev.Height = Img_Prev.Picture->height();
  }
}

Sorvin_R::~Sorvin_R() = default;

bool Sorvin_R::Place(Handle host) {
  // 1. The host's rectangle. A handle that names no window leaves nothing to
  // show in and no one to unload the preview: end instead of living on unseen.
  // A window system that cannot put a window into another program's has no
  // preview to show either.
  if (!platform_.Has(Feature::kEmbedWindow)) return false;
  PixelRect rect;
  if (!platform_.Windows().GetWindowRect(host, rect)) return false;
  // 2. The size in pixels, as the window is measured: a host of any size fits
  // (no detour through 16-bit twips, which overflow above 2184 pixels).
  const int width =
      static_cast<int>(std::clamp<std::int64_t>(std::int64_t{rect.right} - rect.left, 0, INT32_MAX));
  const int height =
      static_cast<int>(std::clamp<std::int64_t>(std::int64_t{rect.bottom} - rect.top, 0, INT32_MAX));

  // 3. Load the window; it has no load handler and stays hidden.
  WindowDesc desc;
  desc.caption = std::string(kPreviewCaption);
  desc.border = false;
  desc.backColor = Rgb(0, 0, 0);
  LoadWindow(platform_.Windows(), desc, *this, window_);
  // 4-5. A child window from now on, in the host. Should the host vanish in
  // between, the hidden window would be left with nobody to unload it.
  if (!window_->EmbedInto(host)) {
    window_->Unload();
    return false;
  }
  // 6. The host's whole client area, from its top-left corner.
  window_->Move(0, 0, width, height);
  // 7. Img_Prev covers the window; its picture stays at its own size.
  Img_Prev.Width = width;
  Img_Prev.Height = height;
  Img_Prev.Left = 0;
  Img_Prev.Top = 0;
  // 8. Shown without a modal loop.
  window_->Show();
  return true;
}

void Sorvin_R::Form_Unload() {
  // The window's owner is asked to close too.
  Handle owner = window_ ? window_->Owner() : 0;
  platform_.Windows().PostCloseRequest(owner);
}

}  // namespace kal
