// Glyphs come from FreeType's auto-hinter in its vertical-only mode, so the
// baseline and the cap line of every capital and figure, flat or round, sit on
// whole pixel rows. Each glyph's ink is centred
// in its cell at the sub-pixel phase that renders it sharpest. The colour is a
// function of the row alone (the blue bands), scaled by the glyph's coverage:
// the cells are always drawn onto black.
#include "tools/artgen/GlyphStrip.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <memory>
#include <stdexcept>

namespace kal::artgen {
namespace {

// Pixel size of the face: capitals exactly 12 rows high, slightly condensed so
// the widest letters (A, M, V, W) keep a hair of black between neighbours.
constexpr double kPixelHeight = 20.25;
constexpr double kCondense = 0.94;
constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_BITMAP | FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_LIGHT;

// The palette is 1 black entry plus 15 colour bands x 17 coverage levels.
constexpr int kBands = 15;
constexpr int kLevels = 17;

// Band of a row: rows down to the cap line share the deepest blue; each row
// below gets its own, lighter band.
int BandOfRow(int row) { return std::clamp(row, kCapTopRow, kLastInkRow) - kCapTopRow; }

Rgb BandColour(int band) {
  const Rgb top{0, 133, 183}, middle{30, 184, 226}, bottom{88, 227, 244};
  const int lastCapBand = kBaselineRow - 1 - kCapTopRow;  // row 15
  if (band <= lastCapBand) {
    double t = double(band) / lastCapBand;
    return t < 0.5 ? Mix(top, middle, t * 2) : Mix(middle, bottom, (t - 0.5) * 2);
  }
  // Below the baseline: paler still, towards ice blue.
  double t = double(band - lastCapBand) / (kBands - 1 - lastCapBand);
  return Mix(bottom, Rgb{176, 242, 252}, t);
}

std::uint8_t PaletteIndex(int row, int coverage) {
  int level = (coverage * kLevels + 127) / 255;
  if (level == 0) return 0;
  return static_cast<std::uint8_t>(1 + BandOfRow(row) * kLevels + (level - 1));
}

struct FtLibrary {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  ~FtLibrary() {
    if (face) FT_Done_Face(face);
    if (lib) FT_Done_FreeType(lib);
  }
};

struct Rendered {
  std::vector<std::uint8_t> coverage = std::vector<std::uint8_t>(std::size_t(kCellWidth) * kCellHeight, 0);
  bool fits = true;
  double sharpness = 0;
  int top = kCellHeight, bottom = -1;
};

// Loads the glyph, moves its outline by (dx, dy) in 1/64 pixel and renders it
// into a cell whose baseline is kBaselineRow.
Rendered RenderAt(FT_Face face, int code, FT_Pos dx, FT_Pos dy) {
  if (FT_Load_Char(face, static_cast<FT_ULong>(code), kLoadFlags)) {
    throw std::runtime_error("font has no glyph for code " + std::to_string(code));
  }
  FT_Outline_Translate(&face->glyph->outline, dx, dy);
  if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_LIGHT)) throw std::runtime_error("glyph render failed");
  const FT_Bitmap& bm = face->glyph->bitmap;
  Rendered r;
  for (unsigned j = 0; j < bm.rows; ++j) {
    for (unsigned i = 0; i < bm.width; ++i) {
      int v = bm.buffer[j * static_cast<unsigned>(bm.pitch) + i];
      if (v == 0) continue;
      int x = face->glyph->bitmap_left + static_cast<int>(i);
      int y = kBaselineRow - face->glyph->bitmap_top + static_cast<int>(j);
      if (x < 0 || x >= kCellWidth || y < kFirstInkRow || y > kLastInkRow) {
        r.fits = false;
        continue;
      }
      r.coverage[std::size_t(y) * kCellWidth + x] = static_cast<std::uint8_t>(v);
      r.sharpness += double(v) * v;
      r.top = std::min(r.top, y);
      r.bottom = std::max(r.bottom, y);
    }
  }
  return r;
}

Rendered RenderGlyph(FT_Face face, int code) {
  // The outline's extent (hinting only moves it vertically, by whole pixels).
  if (FT_Load_Char(face, static_cast<FT_ULong>(code), kLoadFlags)) {
    throw std::runtime_error("font has no glyph for code " + std::to_string(code));
  }
  FT_BBox box;
  FT_Outline_Get_CBox(&face->glyph->outline, &box);
  const FT_Pos centred = kCellWidth * 32 - (box.xMin + box.xMax) / 2;
  // Marks that hang too low or reach too high move by whole rows into 1 to 18.
  const int top = kBaselineRow - static_cast<int>(std::ceil(static_cast<double>(box.yMax) / 64.0));
  const int bottom = kBaselineRow - 1 - static_cast<int>(std::floor(static_cast<double>(box.yMin) / 64.0));
  FT_Pos dy = 0;
  if (bottom > kLastInkRow) {
    dy = 64 * (bottom - kLastInkRow);
  } else if (top < kFirstInkRow) {
    dy = -64 * (kFirstInkRow - top);
  }
  Rendered best;
  bool found = false;
  for (int phase = 0; phase <= 8; ++phase) {
    // Try 0, +1/16, -1/16, +2/16, ... around the centred position.
    FT_Pos offset = (phase % 2 ? 1 : -1) * ((phase + 1) / 2) * 4;
    Rendered r = RenderAt(face, code, centred + offset, dy);
    if (!r.fits) continue;
    if (!found || r.sharpness > best.sharpness * 1.02) {
      best = r;
      found = true;
    }
  }
  if (!found) throw std::runtime_error("glyph for code " + std::to_string(code) + " does not fit its cell");
  return best;
}

}  // namespace

Raster GlyphStrip::ToRaster() const {
  Raster out(kStripWidth, kCellHeight);
  for (std::size_t i = 0; i < indices.size(); ++i) out.px[i] = palette[indices[i]];
  return out;
}

GlyphStrip DrawGlyphStrip(const std::string& fontPath) {
  FtLibrary ft;
  if (FT_Init_FreeType(&ft.lib)) throw std::runtime_error("FreeType did not start");
  if (FT_New_Face(ft.lib, fontPath.c_str(), 0, &ft.face))
    throw std::runtime_error("cannot read font " + fontPath);
  if (FT_Set_Char_Size(ft.face, static_cast<FT_F26Dot6>(kPixelHeight * kCondense * 64),
                       static_cast<FT_F26Dot6>(kPixelHeight * 64), 72, 72)) {
    throw std::runtime_error("font cannot be scaled");
  }
  GlyphStrip strip;
  strip.palette[0] = 0;
  for (int band = 0; band < kBands; ++band) {
    for (int level = 1; level <= kLevels; ++level) {
      strip.palette[std::size_t(1 + band * kLevels + level - 1)] =
          Pack(Scale(BandColour(band), double(level) / kLevels));
    }
  }
  strip.indices.assign(std::size_t(kStripWidth) * kCellHeight, 0);
  for (int code = kFirstCode + 1; code <= kLastCode; ++code) {  // the space stays black
    Rendered g = RenderGlyph(ft.face, code);
    const int cellX = (code - kFirstCode) * kCellWidth;
    for (int y = 0; y < kCellHeight; ++y) {
      for (int x = 0; x < kCellWidth; ++x) {
        strip.indices[std::size_t(y) * kStripWidth + cellX + x] =
            PaletteIndex(y, g.coverage[std::size_t(y) * kCellWidth + x]);
      }
    }
  }
  return strip;
}

}  // namespace kal::artgen
