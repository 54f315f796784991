#include "tools/artgen/Quantize.h"

#include <algorithm>
#include <limits>
#include <map>

namespace kal::artgen {
namespace {

struct Box {
  std::vector<std::uint32_t> colours;  // one entry per pixel

  int Channel(std::uint32_t c, int ch) const { return ch == 0 ? RedOf(c) : ch == 1 ? GreenOf(c) : BlueOf(c); }
  int Range(int ch) const {
    int lo = 255, hi = 0;
    for (std::uint32_t c : colours) {
      lo = std::min(lo, Channel(c, ch));
      hi = std::max(hi, Channel(c, ch));
    }
    return hi - lo;
  }
  std::uint32_t Mean() const {
    double r = 0, g = 0, b = 0;
    for (std::uint32_t c : colours) {
      r += RedOf(c);
      g += GreenOf(c);
      b += BlueOf(c);
    }
    double n = double(colours.size());
    return Pack({r / n, g / n, b / n});
  }
};

}  // namespace

Indexed QuantizeTo256(const Raster& picture) {
  Indexed out;
  std::map<std::uint32_t, int> distinct;
  for (std::uint32_t c : picture.px) distinct[c] = 0;
  if (distinct.size() <= 256) {
    for (auto& [colour, index] : distinct) {
      index = static_cast<int>(out.palette.size());
      out.palette.push_back(colour);
    }
  } else {
    std::vector<Box> boxes{Box{picture.px}};
    while (boxes.size() < 256) {
      // The most populous box that can still be split.
      int pick = -1;
      for (int i = 0; i < int(boxes.size()); ++i) {
        const Box& b = boxes[std::size_t(i)];
        if (b.Range(0) + b.Range(1) + b.Range(2) == 0) continue;
        if (pick < 0 || b.colours.size() > boxes[std::size_t(pick)].colours.size()) pick = i;
      }
      if (pick < 0) break;
      Box& b = boxes[std::size_t(pick)];
      int ch = 0;
      for (int c = 1; c < 3; ++c) {
        if (b.Range(c) > b.Range(ch)) ch = c;
      }
      std::sort(b.colours.begin(), b.colours.end(), [&](std::uint32_t x, std::uint32_t y) {
        return b.Channel(x, ch) != b.Channel(y, ch) ? b.Channel(x, ch) < b.Channel(y, ch) : x < y;
      });
      // Split at the median, moved off a run of equal values so both halves differ.
      std::size_t mid = b.colours.size() / 2;
      while (mid < b.colours.size() && b.Channel(b.colours[mid], ch) == b.Channel(b.colours[mid - 1], ch))
        ++mid;
      if (mid == b.colours.size()) {
        mid = b.colours.size() / 2;
        while (mid > 1 && b.Channel(b.colours[mid], ch) == b.Channel(b.colours[mid - 1], ch)) --mid;
      }
      Box upper{std::vector<std::uint32_t>(b.colours.begin() + std::ptrdiff_t(mid), b.colours.end())};
      b.colours.resize(mid);
      boxes.push_back(std::move(upper));
    }
    for (const Box& b : boxes) out.palette.push_back(b.Mean());
    std::sort(out.palette.begin(), out.palette.end());
    for (auto& [colour, index] : distinct) {
      int best = 0;
      long bestD = std::numeric_limits<long>::max();
      for (int i = 0; i < int(out.palette.size()); ++i) {
        std::uint32_t p = out.palette[std::size_t(i)];
        long dr = RedOf(p) - RedOf(colour), dg = GreenOf(p) - GreenOf(colour),
             db = BlueOf(p) - BlueOf(colour);
        long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestD) {
          bestD = d;
          best = i;
        }
      }
      index = best;
    }
  }
  out.palette.resize(256, 0);
  out.indices.reserve(picture.px.size());
  for (std::uint32_t c : picture.px) out.indices.push_back(static_cast<std::uint8_t>(distinct[c]));
  return out;
}

}  // namespace kal::artgen
