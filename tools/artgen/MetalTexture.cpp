// Brushed metal: every row is its own run of the brush, so the grain is long
// along x and changes from row to row. Rows are independent, which also makes
// the strip repeat downwards without a seam.
#include "tools/artgen/MetalTexture.h"

#include <vector>

#include "tools/artgen/Noise.h"

namespace kal::artgen {
namespace {

// White noise smoothed along the row by a moving average of the given width,
// wrapping around so the row has no special ends; scaled back to about the
// spread of one raw value.
std::vector<double> SmoothRow(Noise& noise, int width, int window) {
  std::vector<double> raw(static_cast<std::size_t>(width)), out(static_cast<std::size_t>(width));
  for (double& v : raw) v = noise.Signed();
  for (int x = 0; x < width; ++x) {
    double s = 0;
    for (int k = -window / 2; k <= window / 2; ++k) s += raw[std::size_t((x + k + width) % width)];
    out[std::size_t(x)] = s / std::sqrt(double(window / 2 * 2 + 1)) * 0.6;
  }
  return out;
}

}  // namespace

Raster DrawMetalTexture() {
  Noise noise(0x6B616C6D6574616CULL);
  std::vector<double> value(std::size_t(kMetalWidth) * kMetalHeight);
  for (int y = 0; y < kMetalHeight; ++y) {
    const double rowShade = 9.0 * noise.Bell();  // each brush stroke a touch lighter or darker
    std::vector<double> longGrain = SmoothRow(noise, kMetalWidth, 61);
    std::vector<double> fineGrain = SmoothRow(noise, kMetalWidth, 9);
    for (int x = 0; x < kMetalWidth; ++x) {
      double v =
          rowShade + 4.5 * longGrain[std::size_t(x)] + 3.0 * fineGrain[std::size_t(x)] + 2.0 * noise.Signed();
      value[std::size_t(y) * kMetalWidth + x] = v;
    }
  }
  // A few fine scratches: short bright or dark runs that fade in and out.
  for (int i = 0; i < 26; ++i) {
    int y = static_cast<int>(noise.Uniform() * kMetalHeight);
    int len = 24 + static_cast<int>(noise.Uniform() * 110);
    int x0 = static_cast<int>(noise.Uniform() * kMetalWidth);
    double amount = (noise.Uniform() < 0.6 ? 1 : -1) * (5.0 + 5.0 * noise.Uniform());
    for (int k = 0; k < len; ++k) {
      double envelope = std::sin(3.14159265358979 * (k + 0.5) / len);
      value[std::size_t(y) * kMetalWidth + (x0 + k) % kMetalWidth] += amount * envelope;
    }
  }
  // Centre the grain on the panel colour, slightly warm: red above green above blue.
  double mean = 0;
  for (double v : value) mean += v;
  mean /= double(value.size());
  Raster out(kMetalWidth, kMetalHeight);
  for (int y = 0; y < kMetalHeight; ++y) {
    for (int x = 0; x < kMetalWidth; ++x) {
      double v = value[std::size_t(y) * kMetalWidth + x] - mean;
      auto clampTo = [](double c) { return std::clamp(c, 160.0, 223.0); };
      out.at(x, y) = Pack({clampTo(192 + v), clampTo(189 + v), clampTo(188 + v * 0.97)});
    }
  }
  return out;
}

}  // namespace kal::artgen
