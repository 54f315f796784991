#include "tools/artgen/Raster.h"

namespace kal::artgen {

namespace {

// Averaging happens in linear light: a bright dot that covers part of a pixel
// keeps its share of the light instead of turning muddy.
double ToLinear(int v) {
  double c = v / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double FromLinear(double c) {
  c = std::clamp(c, 0.0, 1.0);
  return 255.0 * (c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055);
}

}  // namespace

Raster AreaDownscale(const Raster& src, int factor, double gain) {
  Raster out(src.width / factor, src.height / factor);
  const double n = double(factor) * factor;
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < factor; ++sy) {
        for (int sx = 0; sx < factor; ++sx) {
          std::uint32_t p = src.at(x * factor + sx, y * factor + sy);
          r += ToLinear(RedOf(p));
          g += ToLinear(GreenOf(p));
          b += ToLinear(BlueOf(p));
        }
      }
      out.at(x, y) = Pack({FromLinear(gain * r / n), FromLinear(gain * g / n), FromLinear(gain * b / n)});
    }
  }
  return out;
}

void BlitEnlarged(Raster& dst, const Raster& src, int x, int y, int factor, const std::vector<bool>* opaque) {
  for (int sy = 0; sy < src.height; ++sy) {
    for (int sx = 0; sx < src.width; ++sx) {
      if (opaque && !(*opaque)[std::size_t(sy) * src.width + sx]) continue;
      std::uint32_t p = src.at(sx, sy);
      for (int dy = 0; dy < factor; ++dy) {
        for (int dx = 0; dx < factor; ++dx) {
          int tx = x + sx * factor + dx, ty = y + sy * factor + dy;
          if (tx >= 0 && ty >= 0 && tx < dst.width && ty < dst.height) dst.at(tx, ty) = p;
        }
      }
    }
  }
}

}  // namespace kal::artgen
