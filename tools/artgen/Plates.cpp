// Rounded plates lit from above: a thin darker rim, a bevel that catches the
// light along the upper edge and falls into shadow along the lower one, and a
// gentle top-to-bottom sheen across the face.
#include "tools/artgen/Plates.h"

#include "tools/artgen/Shapes.h"

namespace kal::artgen {
namespace {

constexpr int kSamples = 4;  // per axis, for smooth corners
constexpr double kRadius = 6.0;

Rgb Lighten(Rgb c, double t) { return Mix(c, Rgb{255, 255, 255}, t); }
Rgb Darken(Rgb c, double t) { return Scale(c, 1.0 - t); }

Rgb PlateColourAt(double x, double y, Rgb body, double w, double h) {
  auto dist = [&](double px, double py) { return RoundedRectDistance(px, py, 0, 0, w, h, kRadius); };
  const double d = dist(x, y);
  const double depth = -d;
  // Sheen: lighter at the top, a little darker towards the bottom.
  double v = y / h;
  Rgb c = v < 0.5 ? Lighten(body, 0.16 * (0.5 - v) * 2) : Darken(body, 0.07 * (v - 0.5) * 2);
  // Bevel: the upward component of the edge normal says how much light it catches.
  constexpr double kBevel = 3.2;
  if (depth < kBevel) {
    const double e = 0.01;
    double nx = dist(x + e, y) - dist(x - e, y);
    double ny = dist(x, y + e) - dist(x, y - e);
    double len = std::hypot(nx, ny);
    double up = len > 0 ? -ny / len : 0;    // 1 on the upper edge, -1 on the lower
    double left = len > 0 ? -nx / len : 0;  // light comes a little from the left too
    double facing = std::clamp(0.85 * up + 0.3 * left, -1.0, 1.0);
    double strength = 1.0 - std::max(depth, 0.0) / kBevel;
    c = facing > 0 ? Lighten(c, 0.72 * facing * strength) : Darken(c, 0.38 * -facing * strength);
  }
  // Rim: a fine darker outline that keeps the plate off the panel.
  if (depth < 1.0) c = Mix(c, Darken(body, 0.42), 1.0 - std::max(depth, 0.0));
  return c;
}

Raster DrawPlate(Rgb body) {
  Raster out(kPlateWidth, kPlateHeight);
  const double w = kPlateWidth, h = kPlateHeight;
  for (int y = 0; y < kPlateHeight; ++y) {
    for (int x = 0; x < kPlateWidth; ++x) {
      Rgb sum;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
          bool inside = RoundedRectDistance(px, py, 0, 0, w, h, kRadius) <= 0;
          Rgb c = inside ? PlateColourAt(px, py, body, w, h) : kPanelColour;
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        }
      }
      out.at(x, y) = Pack(Scale(sum, 1.0 / (kSamples * kSamples)));
    }
  }
  return out;
}

}  // namespace

Raster DrawHeadingPlate() { return DrawPlate({214, 215, 219}); }

Raster DrawButtonFace(bool pressed) {
  return pressed ? DrawPlate({168, 208, 238}) : DrawPlate({96, 140, 188});
}

Raster DrawOptionMark(bool selected) {
  Raster out(kMarkSize, kMarkSize);
  const double c = kMarkSize / 2.0, r = 5.9;
  for (int y = 0; y < kMarkSize; ++y) {
    for (int x = 0; x < kMarkSize; ++x) {
      Rgb sum;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
          double d = CircleDistance(px, py, c, c, r);
          Rgb col = kPanelColour;
          if (d <= 0) {
            double depth = -d;
            // White face, faintly shaded where the rim's inner edge shadows it.
            double ny = (py - c) / r;
            col = Rgb{255, 255, 255};
            if (depth < 2.5) col = Darken(col, 0.10 * (1 - depth / 2.5) * (1 - ny) / 2);
            if (depth < 1.25) {
              // Grey rim, darker above and lighter below: a mark set into the panel.
              col = Mix(Rgb{118, 118, 122}, Rgb{168, 168, 172}, (ny + 1) / 2);
            }
            if (selected) {
              double dd = CircleDistance(px, py, c, c, 2.6);
              if (dd <= 0) {
                Rgb dot =
                    Mix(Rgb{255, 120, 60}, Rgb{214, 58, 16}, std::clamp((py - c + 2.6) / 5.2, 0.0, 1.0));
                col = dot;
              }
            }
          }
          sum = {sum.r + col.r, sum.g + col.g, sum.b + col.b};
        }
      }
      out.at(x, y) = Pack(Scale(sum, 1.0 / (kSamples * kSamples)));
    }
  }
  return out;
}

}  // namespace kal::artgen
