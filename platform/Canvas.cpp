#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>

namespace kal {

int DotSpans(float radius, DotSpan* out) {
  float r = std::clamp(radius, 0.0f, static_cast<float>(kMaxDotRadius));
  int ri = static_cast<int>(std::floor(r));
  int n = 0;
  for (int dy = -ri; dy <= ri; ++dy) {
    // Widest dx with dx^2 + dy^2 <= r^2.
    int dx = 0;
    while (static_cast<float>((dx + 1) * (dx + 1) + dy * dy) <= r * r) ++dx;
    out[n++] = DotSpan{dy, -dx, dx};
  }
  return n;
}

int DotCentre(float v) {
  if (!(v > -1e9f && v < 1e9f)) return -2000000000;  // also NaN
  // Nearest integer, halves to even, without a library call: adding and
  // taking away 1.5 * 2^23 leaves the float rounded to a whole number in the
  // default rounding mode. Larger values are whole numbers already.
  if (std::fabs(v) < 4194304.0f) {
    float shifted = v + 12582912.0f;
    v = shifted - 12582912.0f;
  }
  return static_cast<int>(v);
}

Canvas::Canvas(int width, int height, Color fill) { Resize(width, height, fill); }

Canvas::Canvas(const Canvas& other) { *this = other; }

Canvas& Canvas::operator=(const Canvas& other) {
  if (this == &other) return *this;
  width_ = other.width_;
  height_ = other.height_;
  own_.assign(other.pixels_, other.pixels_ + other.pixelCount());
  pixels_ = own_.data();
  tracking_ = other.tracking_;
  tilesX_ = other.tilesX_;
  tilesY_ = other.tilesY_;
  dirtyBits_ = other.dirtyBits_;
  wordsPerRow_ = other.wordsPerRow_;
  anyDirty_ = other.anyDirty_;
  return *this;
}

void Canvas::Resize(int width, int height, Color fill) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  own_.assign(pixelCount(), ToPixel(fill));  // outside storage has the old size: leave it
  pixels_ = own_.data();
  EnableDirtyTracking(tracking_);
}

void Canvas::UseStorage(std::uint32_t* pixels) {
  if (pixels == nullptr || pixels == pixels_) return;
  std::copy_n(pixels_, pixelCount(), pixels);
  pixels_ = pixels;
  std::vector<std::uint32_t>().swap(own_);  // not needed meanwhile: give the memory back
}

void Canvas::UseOwnStorage() {
  if (!UsesOutsideStorage()) return;
  own_.assign(pixels_, pixels_ + pixelCount());
  pixels_ = own_.data();
}

void Canvas::Fill(Color c) {
  std::fill_n(pixels_, pixelCount(), ToPixel(c));
  if (tracking_ && width_ > 0 && height_ > 0) MarkDirty(0, 0, width_ - 1, height_ - 1);
}

void Canvas::FillRect(int x0, int y0, int x1, int y1, Color c) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, width_);
  y1 = std::min(y1, height_);
  if (x0 >= x1 || y0 >= y1) return;
  for (int y = y0; y < y1; ++y)
    std::fill_n(pixels_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x0, x1 - x0,
                ToPixel(c));
  if (tracking_) MarkDirty(x0, y0, x1 - 1, y1 - 1);
}

void Canvas::PutPixels(int x, int y, const std::uint32_t* pixels, int width, int height, int stride) {
  // In 64 bits: a block placed far off the canvas must not wrap around.
  const long long x0 = std::max<long long>(x, 0), y0 = std::max<long long>(y, 0);
  const long long x1 = std::min<long long>(static_cast<long long>(x) + width, width_);
  const long long y1 = std::min<long long>(static_cast<long long>(y) + height, height_);
  if (pixels == nullptr || x0 >= x1 || y0 >= y1) return;
  for (long long row = y0; row < y1; ++row) {
    const std::uint32_t* from = pixels + (row - y) * stride + (x0 - x);
    std::copy_n(from, x1 - x0, pixels_ + row * width_ + x0);
  }
  if (tracking_)
    MarkDirty(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - 1), static_cast<int>(y1 - 1));
}

void Canvas::EnableDirtyTracking(bool on) {
  tracking_ = on;
  tilesX_ = (width_ + kTile - 1) / kTile;
  tilesY_ = (height_ + kTile - 1) / kTile;
  wordsPerRow_ = on ? (tilesX_ + 63) / 64 : 0;
  dirtyBits_.assign(static_cast<std::size_t>(wordsPerRow_) * static_cast<std::size_t>(on ? tilesY_ : 0), 0);
  anyDirty_ = false;
}

void Canvas::MarkDirty(int x0, int y0, int x1, int y1) {
  for (int ty = y0 / kTile; ty <= y1 / kTile; ++ty) {
    std::uint64_t* row =
        dirtyBits_.data() + static_cast<std::size_t>(ty) * static_cast<std::size_t>(wordsPerRow_);
    for (int tx = x0 / kTile; tx <= x1 / kTile; ++tx) row[tx / 64] |= std::uint64_t{1} << (tx % 64);
  }
  anyDirty_ = true;
}

void Canvas::Circle(float x, float y, float radius, Color c) {
  int cx = DotCentre(x), cy = DotCentre(y);
  if (radius == 1.0f && PlusDot(cx, cy, c)) return;
  int reach = static_cast<int>(std::ceil(std::clamp(radius, 0.0f, float(kMaxDotRadius))));
  // Wholly outside: nothing to do (also keeps the arithmetic below in range).
  if (cx + reach < 0 || cy + reach < 0 || cx - reach >= width_ || cy - reach >= height_) return;
  DotSpan spans[2 * kMaxDotRadius + 1];
  int n = DotSpans(radius, spans);
  std::uint32_t px = ToPixel(c);
  int minX = width_, minY = height_, maxX = -1, maxY = -1;
  for (int i = 0; i < n; ++i) {
    int yy = cy + spans[i].dy;
    if (yy < 0 || yy >= height_) continue;
    int xa = std::max(0, cx + spans[i].dxFrom);
    int xb = std::min(width_ - 1, cx + spans[i].dxTo);
    if (xa > xb) continue;
    std::uint32_t* row = pixels_ + static_cast<std::size_t>(yy) * static_cast<std::size_t>(width_);
    for (int xx = xa; xx <= xb; ++xx) row[xx] = px;
    minX = std::min(minX, xa);
    maxX = std::max(maxX, xb);
    minY = std::min(minY, yy);
    maxY = std::max(maxY, yy);
  }
  if (tracking_ && maxX >= 0) MarkDirty(minX, minY, maxX, maxY);
}

void Canvas::CirclesOfRadius(const std::int32_t* xs, const std::int32_t* ys, const Color* colors, int n,
                             float radius) {
  for (int k = 0; k < n; ++k) Circle(static_cast<float>(xs[k]), static_cast<float>(ys[k]), radius, colors[k]);
}

}  // namespace kal
