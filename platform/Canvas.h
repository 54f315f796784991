// The one software pixel model: every backend draws into a Canvas and puts
// what changed on the screen, so the pixels are the same everywhere.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace kal {

// The pixels a filled dot of radius r centred on a pixel covers: every pixel
// whose centre lies within r of the dot's centre. For r = 1 that is a plus of
// five pixels, a round dot that still reads as one glowing point.
struct DotSpan {
  int dy;
  int dxFrom;
  int dxTo;  // inclusive
};
// Spans for radius r (at most 2 * kMaxDotRadius + 1 of them).
int DotSpans(float radius, DotSpan* out);
constexpr int kMaxDotRadius = 8;

// Centre pixel of a dot: nearest integer, halves to even; very large or
// non-finite values are mapped far off every surface.
int DotCentre(float v);

class Canvas {
 public:
  // Pixel format: 0x00RRGGBB, rows top-down, tightly packed.
  Canvas() = default;
  Canvas(int width, int height, Color fill = Rgb(0, 0, 0));
  // A copy always owns its pixels, wherever the original draws.
  Canvas(const Canvas& other);
  Canvas& operator=(const Canvas& other);
  void Resize(int width, int height, Color fill = Rgb(0, 0, 0));

  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t* data() { return pixels_; }
  const std::uint32_t* data() const { return pixels_; }

  // Draws into width() * height() pixels someone else owns (a backend's
  // shared-memory image, so nothing has to be copied before it is shown),
  // starting from the current picture. The storage must outlive its use:
  // until UseOwnStorage, Resize or the canvas's end.
  void UseStorage(std::uint32_t* pixels);
  // Back to storage of its own, keeping the picture.
  void UseOwnStorage();
  bool UsesOutsideStorage() const { return pixels_ != nullptr && pixels_ != own_.data(); }

  static std::uint32_t ToPixel(Color c) {
    return (static_cast<std::uint32_t>(RedOf(c)) << 16) | (static_cast<std::uint32_t>(GreenOf(c)) << 8) |
           static_cast<std::uint32_t>(BlueOf(c));
  }
  static Color ToColor(std::uint32_t px) { return Rgb((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF); }

  Color At(int x, int y) const {
    return ToColor(pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                           static_cast<std::size_t>(x)]);
  }
  void Fill(Color c);
  // Fills the pixels x0 <= x < x1, y0 <= y < y1 that lie on the canvas.
  void FillRect(int x0, int y0, int x1, int y1, Color c);
  // Copies a width x height block of 0x00RRGGBB pixels (rows `stride` apart)
  // with its top-left corner at (x, y); what falls off the canvas is cut.
  void PutPixels(int x, int y, const std::uint32_t* pixels, int width, int height, int stride);
  void Circle(float x, float y, float radius, Color c);
  // n dots at whole-pixel centres, in order; the pixels of n Circle calls
  // (a centre is exact as a float up to 2^24, and beyond that it is far off
  // every canvas either way). Inline: it is the saver's whole drawing.
  void Circles(const std::int32_t* xs, const std::int32_t* ys, const Color* colors, int n, float radius);
  // The same for the n dots (firstX, firstY), (xs[0], ys[0]), ..., (xs[n - 2], ys[n - 2]):
  // a trail whose newest position is not stored yet.
  void Circles(std::int32_t firstX, std::int32_t firstY, const std::int32_t* xs, const std::int32_t* ys,
               const Color* colors, int n, float radius);

  // Dirty tracking for backends that push only what changed: tiles of
  // kTile x kTile pixels touched since the last TakeDirty.
  static constexpr int kTile = 8;
  void EnableDirtyTracking(bool on);
  // Calls emit(left, top, width, height) for each changed run of tiles (runs
  // merged along rows), row by row from the top and left to right in a row,
  // then forgets them. Runs never overlap.
  template <class Emit>
  void TakeDirty(Emit&& emit);
  bool HasDirty() const { return anyDirty_; }

 private:
  std::size_t pixelCount() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  }
  void MarkDirty(int x0, int y0, int x1, int y1);
  void MarkPlusDirty(int cx, int cy);
  bool PlusDot(int cx, int cy, Color c);
  void CirclesOfRadius(const std::int32_t* xs, const std::int32_t* ys, const Color* colors, int n,
                       float radius);

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> own_;   // empty while drawing into outside storage
  std::uint32_t* pixels_ = nullptr;  // own_.data() or the outside storage
  bool tracking_ = false;
  int tilesX_ = 0;
  int tilesY_ = 0;
  // One bit per tile, row by row, each row padded to whole 64-bit words: a
  // dot marks its tiles with two or four ORs into a few kilobytes that stay
  // in the cache, and taking them is a scan of words that skips clean ones.
  std::vector<std::uint64_t> dirtyBits_;
  int wordsPerRow_ = 0;
  bool anyDirty_ = false;
};

// MarkDirty(cx - 1, cy - 1, cx + 1, cy + 1) for a dot wholly inside: the box
// spans at most 2 x 2 tiles. Without branches: whether a dot straddles a tile
// edge follows no pattern a branch predictor could learn (a tile marked twice
// is simply marked).
inline void Canvas::MarkPlusDirty(int cx, int cy) {
  const auto tx0 = static_cast<std::uint32_t>(cx - 1) / kTile,
             tx1 = static_cast<std::uint32_t>(cx + 1) / kTile;
  const auto ty0 = static_cast<std::uint32_t>(cy - 1) / kTile,
             ty1 = static_cast<std::uint32_t>(cy + 1) / kTile;
  const auto words = static_cast<std::uint32_t>(wordsPerRow_);
  std::uint64_t* const top = dirtyBits_.data() + std::size_t{ty0} * words;
  std::uint64_t* const bottom = dirtyBits_.data() + std::size_t{ty1} * words;
  const std::uint64_t bit0 = std::uint64_t{1} << (tx0 % 64), bit1 = std::uint64_t{1} << (tx1 % 64);
  top[tx0 / 64] |= bit0;
  top[tx1 / 64] |= bit1;
  bottom[tx0 / 64] |= bit0;
  bottom[tx1 / 64] |= bit1;
  anyDirty_ = true;
}

// The saver's dot (radius 1, a five-pixel plus) when it lies wholly inside:
// five stores. False when the general path must draw it.
[[gnu::always_inline]] inline bool Canvas::PlusDot(int cx, int cy, Color c) {
  const int w = width_;
  if (cx < 1 || cy < 1 || cx >= w - 1 || cy >= height_ - 1) return false;
  const std::uint32_t px = ToPixel(c);
  std::uint32_t* p =
      pixels_ + static_cast<std::size_t>(cy) * static_cast<std::size_t>(w) + static_cast<std::size_t>(cx);
  p[-w] = px;
  p[-1] = px;
  p[0] = px;
  p[1] = px;
  p[w] = px;
  if (tracking_) MarkPlusDirty(cx, cy);
  return true;
}

[[gnu::always_inline]] inline void Canvas::Circles(const std::int32_t* xs, const std::int32_t* ys,
                                                   const Color* colors, int n, float radius) {
  if (radius != 1.0f) {
    CirclesOfRadius(xs, ys, colors, n, radius);
    return;
  }
  for (int k = 0; k < n; ++k) {
    if (!PlusDot(xs[k], ys[k], colors[k]))
      Circle(static_cast<float>(xs[k]), static_cast<float>(ys[k]), radius, colors[k]);
  }
}

[[gnu::always_inline]] inline void Canvas::Circles(std::int32_t firstX, std::int32_t firstY,
                                                   const std::int32_t* xs, const std::int32_t* ys,
                                                   const Color* colors, int n, float radius) {
  if (n <= 0) return;
  if (radius != 1.0f || !PlusDot(firstX, firstY, colors[0]))
    Circle(static_cast<float>(firstX), static_cast<float>(firstY), radius, colors[0]);
  Circles(xs, ys, colors + 1, n - 1, radius);
}

template <class Emit>
void Canvas::TakeDirty(Emit&& emit) {
  if (!anyDirty_) return;
  anyDirty_ = false;
  for (int ty = 0; ty < tilesY_; ++ty) {
    std::uint64_t* const row =
        dirtyBits_.data() + static_cast<std::size_t>(ty) * static_cast<std::size_t>(wordsPerRow_);
    for (int w = 0; w < wordsPerRow_; ++w) {
      while (row[w] != 0) {
        // A run starts at the lowest set bit and goes on over set bits,
        // across word boundaries too; its bits are cleared on the way.
        const int from = w * 64 + std::countr_zero(row[w]);
        int to = from;
        while (to < tilesX_ && (row[to / 64] >> (to % 64) & 1) != 0) {
          row[to / 64] &= ~(std::uint64_t{1} << (to % 64));
          ++to;
        }
        const int left = from * kTile, top = ty * kTile;
        const int right = to * kTile < width_ ? to * kTile : width_;
        const int bottom = top + kTile < height_ ? top + kTile : height_;
        emit(left, top, right - left, bottom - top);
      }
    }
  }
}

}  // namespace kal
