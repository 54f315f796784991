// The one software pixel model: drawing that must look the same on every
// backend goes through here (memory and X11 draw into it; Win32 reproduces
// its dot pixels with GDI).
#pragma once

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
  void Circle(float x, float y, float radius, Color c);
  // n dots at whole-pixel centres, in order; the pixels of n Circle calls
  // (a centre is exact as a float up to 2^24, and beyond that it is far off
  // every canvas either way).
  void Circles(const std::int32_t* xs, const std::int32_t* ys, const Color* colors, int n, float radius);

  // Dirty tracking for backends that push only what changed: tiles of
  // kTile x kTile pixels touched since the last TakeDirty.
  static constexpr int kTile = 8;
  void EnableDirtyTracking(bool on);
  // Calls emit(left, top, width, height) for each changed run of tiles (runs
  // merged along rows), then forgets them.
  template <class Emit>
  void TakeDirty(Emit&& emit);
  bool HasDirty() const { return !dirtyList_.empty(); }

 private:
  std::size_t pixelCount() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  }
  void MarkDirty(int x0, int y0, int x1, int y1);
  bool PlusDot(int cx, int cy, Color c);

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> own_;   // empty while drawing into outside storage
  std::uint32_t* pixels_ = nullptr;  // own_.data() or the outside storage
  bool tracking_ = false;
  int tilesX_ = 0;
  int tilesY_ = 0;
  std::vector<std::uint8_t> dirty_;       // one flag per tile
  std::vector<std::uint32_t> dirtyList_;  // tile indices in order of first touch
};

template <class Emit>
void Canvas::TakeDirty(Emit&& emit) {
  for (std::uint32_t idx : dirtyList_) {
    if (!dirty_[idx]) continue;  // already part of an earlier run
    int ty = static_cast<int>(idx) / tilesX_;
    int tx = static_cast<int>(idx) % tilesX_;
    // Extend the run to the left and right over dirty tiles of the same row.
    int from = tx, to = tx;
    while (from > 0 && dirty_[ty * tilesX_ + from - 1]) --from;
    while (to + 1 < tilesX_ && dirty_[ty * tilesX_ + to + 1]) ++to;
    for (int t = from; t <= to; ++t) dirty_[ty * tilesX_ + t] = 0;
    int left = from * kTile, top = ty * kTile;
    int right = (to + 1) * kTile < width_ ? (to + 1) * kTile : width_;
    int bottom = top + kTile < height_ ? top + kTile : height_;
    emit(left, top, right - left, bottom - top);
  }
  dirtyList_.clear();
}

}  // namespace kal
