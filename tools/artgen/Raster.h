// A picture while it is being drawn: 0x00RRGGBB pixels, rows top-down, plus
// the small colour helpers every drawing routine shares.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kal::artgen {

struct Rgb {
  double r = 0, g = 0, b = 0;
};

inline Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Rgb Scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

inline std::uint8_t ToByte(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}
inline std::uint32_t Pack(Rgb c) {
  return (std::uint32_t{ToByte(c.r)} << 16) | (std::uint32_t{ToByte(c.g)} << 8) | ToByte(c.b);
}
inline int RedOf(std::uint32_t px) { return static_cast<int>((px >> 16) & 0xFF); }
inline int GreenOf(std::uint32_t px) { return static_cast<int>((px >> 8) & 0xFF); }
inline int BlueOf(std::uint32_t px) { return static_cast<int>(px & 0xFF); }
inline Rgb Unpack(std::uint32_t px) { return {double(RedOf(px)), double(GreenOf(px)), double(BlueOf(px))}; }

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> px;

  Raster() = default;
  Raster(int w, int h, std::uint32_t fill = 0) : width(w), height(h), px(std::size_t(w) * h, fill) {}
  std::uint32_t& at(int x, int y) { return px[std::size_t(y) * width + x]; }
  std::uint32_t at(int x, int y) const { return px[std::size_t(y) * width + x]; }
  bool operator==(const Raster&) const = default;
};

// Shrinks by a whole factor, each target pixel the mean of its source block in
// linear light, times gain (above 1 to keep sparse small dots visible).
Raster AreaDownscale(const Raster& src, int factor, double gain = 1.0);

// Copies src into dst at (x, y), enlarged by a whole factor with square pixels; a
// pixel with alphaMask false (when a mask is given) is left as dst has it.
void BlitEnlarged(Raster& dst, const Raster& src, int x, int y, int factor,
                  const std::vector<bool>* opaque = nullptr);

}  // namespace kal::artgen
