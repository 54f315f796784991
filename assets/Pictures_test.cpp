// The pictures as committed and compiled in: each file's format and header,
// its size, and what its pixels must show for the windows that use it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>

#include "assets/Assets.h"
#include "assets/HeaderProbe.h"
#include "assets/Picture.h"
#include "platform/IconFile.h"

namespace kal {
namespace {

using probe::Le16;
using probe::Le32;
using probe::Le32Signed;

struct Expected {
  std::string_view name;
  int width;
  int height;
};
constexpr std::array<Expected, 6> kJpegs = {{{assets::kPreviewStill, 152, 112},
                                             {assets::kHeadingPlate, 95, 22},
                                             {assets::kButtonPressed, 95, 22},
                                             {assets::kButtonReleased, 95, 22},
                                             {assets::kOptionSelected, 13, 13},
                                             {assets::kOptionEmpty, 13, 13}}};

int R(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
int G(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
int B(std::uint32_t p) { return static_cast<int>(p & 0xFF); }
int Luma(std::uint32_t p) { return (299 * R(p) + 587 * G(p) + 114 * B(p)) / 1000; }

PictureRef MustLoad(std::string_view name) {
  PictureRef p = LoadPicture(name);
  if (!p) ADD_FAILURE() << "cannot decode " << name;
  return p;
}

double MeanLuma(const Picture& p, int x0, int y0, int x1, int y1) {
  double sum = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) sum += Luma(p.At(x, y));
  }
  return sum / ((x1 - x0) * (y1 - y0));
}

TEST(EmbeddedPictures, HoldExactlyTheTenPicturesAndTheIconResourcePieces) {
  std::set<std::string> names;
  for (const assets::Asset& a : assets::All()) {
    EXPECT_FALSE(a.bytes.empty()) << a.name;
    names.insert(std::string(a.name));
  }
  const std::set<std::string> expected = {
      "preview-still.jpg",   "program-icon.ico",  "hand-pointer.cur",     "glyph-strip.gif",
      "metal-texture.bmp",   "heading-plate.jpg", "button-pressed.jpg",   "button-released.jpg",
      "option-selected.jpg", "option-empty.jpg",  "program-icon.rt_icon", "program-icon.rt_group_icon"};
  EXPECT_EQ(names, expected);
  EXPECT_TRUE(assets::Find("no-such-picture.png").empty());
}

TEST(EmbeddedPictures, JpegsAreBaselineJfifWithThreeComponentsAt420) {
  for (const Expected& e : kJpegs) {
    SCOPED_TRACE(std::string(e.name));
    auto frame = probe::ProbeJpeg(assets::Find(e.name));
    ASSERT_TRUE(frame.has_value());
    EXPECT_TRUE(frame->jfif);
    EXPECT_EQ(frame->sofCount, 1);
    EXPECT_EQ(frame->sofMarker, 0xC0);  // baseline sequential
    EXPECT_EQ(frame->precision, 8);
    EXPECT_EQ(frame->width, e.width);
    EXPECT_EQ(frame->height, e.height);
    ASSERT_EQ(frame->components.size(), 3u);
    EXPECT_EQ(frame->components[0].h, 2);  // luma 2 x 2
    EXPECT_EQ(frame->components[0].v, 2);
    for (int c = 1; c < 3; ++c) {
      EXPECT_EQ(frame->components[std::size_t(c)].h, 1);
      EXPECT_EQ(frame->components[std::size_t(c)].v, 1);
    }
  }
}

TEST(EmbeddedPictures, GlyphStripIsOneFrameGif89aWithAFullGlobalPalette) {
  auto gif = probe::ProbeGif(assets::Find(assets::kGlyphStrip));
  ASSERT_TRUE(gif.has_value());
  EXPECT_EQ(gif->version, "GIF89a");
  EXPECT_EQ(gif->width, 767);
  EXPECT_EQ(gif->height, 22);
  EXPECT_EQ(gif->globalTableEntries, 256);
  EXPECT_EQ(gif->frames, 1);
  EXPECT_FALSE(gif->anyInterlaced);
  EXPECT_FALSE(gif->anyLocalTable);
  EXPECT_FALSE(gif->anyTransparency);
}

TEST(EmbeddedPictures, MetalTextureIsAnUncompressed24BitBitmapStoredBottomUp) {
  std::span<const std::uint8_t> b = assets::Find(assets::kMetalTexture);
  ASSERT_GE(b.size(), 54u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Le32(b, 2), b.size());
  const std::uint32_t pixelsAt = Le32(b, 10);
  EXPECT_EQ(Le32(b, 14), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(Le32Signed(b, 18), 551);
  EXPECT_EQ(Le32Signed(b, 22), 20);  // positive height: bottom-up
  EXPECT_EQ(Le16(b, 28), 24u);
  EXPECT_EQ(Le32(b, 30), 0u);  // BI_RGB
  const std::size_t stride = (551 * 3 + 3) / 4 * 4;
  ASSERT_EQ(b.size(), pixelsAt + stride * 20);
  // The first stored row is the picture's bottom row.
  PictureRef p = MustLoad(assets::kMetalTexture);
  ASSERT_TRUE(p);
  for (int x : {0, 1, 275, 550}) {
    const std::size_t first = pixelsAt + std::size_t(x) * 3,
                      last = pixelsAt + stride * 19 + std::size_t(x) * 3;
    EXPECT_EQ(p->At(x, 19),
              (std::uint32_t{b[first + 2]} << 16) | (std::uint32_t{b[first + 1]} << 8) | b[first]);
    EXPECT_EQ(p->At(x, 0), (std::uint32_t{b[last + 2]} << 16) | (std::uint32_t{b[last + 1]} << 8) | b[last]);
  }
}

// The directory entry and image header of a one-image .ico or .cur file.
void ExpectIconLayout(std::span<const std::uint8_t> b, int type, int bitsPerPixel) {
  ASSERT_GE(b.size(), 22u + 40u);
  EXPECT_EQ(Le16(b, 0), 0u);
  EXPECT_EQ(Le16(b, 2), std::uint32_t(type));
  EXPECT_EQ(Le16(b, 4), 1u);  // one image
  EXPECT_EQ(b[6], 32);
  EXPECT_EQ(b[7], 32);
  EXPECT_EQ(b[8], bitsPerPixel == 4 ? 16 : 0);  // colour count; 0 means 256
  const std::uint32_t imageBytes = Le32(b, 14);
  EXPECT_EQ(Le32(b, 18), 22u);
  EXPECT_EQ(b.size(), 22u + imageBytes);
  // Colour rows, then the 1-bit mask: the header's height counts both.
  EXPECT_EQ(Le32(b, 22), 40u);
  EXPECT_EQ(Le32Signed(b, 26), 32);
  EXPECT_EQ(Le32Signed(b, 30), 64);
  EXPECT_EQ(Le16(b, 36), std::uint32_t(bitsPerPixel));
  EXPECT_EQ(Le32(b, 38), 0u);
  const std::size_t palette = std::size_t(1) << bitsPerPixel;
  EXPECT_EQ(imageBytes, 40 + palette * 4 + 32 * 32 * std::size_t(bitsPerPixel) / 8 + 32 * 4);
}

TEST(EmbeddedPictures, ProgramIconIsOne32x32Image256ColoursWithMaskAndOpaque) {
  std::span<const std::uint8_t> b = assets::Find(assets::kProgramIcon);
  ExpectIconLayout(b, 1, 8);
  EXPECT_EQ(b.size(), 2238u);
  EXPECT_EQ(Le16(b, 10), 1u);  // planes
  EXPECT_EQ(Le16(b, 12), 8u);  // bits per pixel
  // A black square with its cloud: the mask lets nothing through.
  const std::size_t maskAt = b.size() - 32 * 4;
  EXPECT_TRUE(
      std::all_of(b.begin() + std::ptrdiff_t(maskAt), b.end(), [](std::uint8_t v) { return v == 0; }));
}

TEST(EmbeddedPictures, ExecutableIconResourcesAreTheDialogIconsImage) {
  std::span<const std::uint8_t> ico = assets::Find(assets::kProgramIcon);
  std::span<const std::uint8_t> image = assets::Find(assets::kIconResourceImage);
  std::span<const std::uint8_t> group = assets::Find(assets::kIconResourceGroup);
  ASSERT_GT(ico.size(), 22u);
  ASSERT_EQ(image.size(), ico.size() - 22);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), ico.begin() + 22));
  // GRPICONDIR + one GRPICONDIRENTRY: the file's entry with the id for the offset.
  ASSERT_EQ(group.size(), 6u + 14u);
  EXPECT_EQ(Le16(group, 0), 0u);
  EXPECT_EQ(Le16(group, 2), 1u);
  EXPECT_EQ(Le16(group, 4), 1u);
  EXPECT_TRUE(std::equal(group.begin() + 6, group.begin() + 18, ico.begin() + 6));
  EXPECT_EQ(Le32(group, 14), image.size());
  EXPECT_EQ(Le16(group, 18), std::uint32_t(assets::kIconImageId));
}

TEST(EmbeddedPictures, HandPointerIs16ColourCursorWithHotSpotAtTheFingertip) {
  std::span<const std::uint8_t> b = assets::Find(assets::kHandPointer);
  ExpectIconLayout(b, 2, 4);
  EXPECT_EQ(b.size(), 766u);
  EXPECT_EQ(Le16(b, 10), 12u);  // hot spot x
  EXPECT_EQ(Le16(b, 12), 1u);   // hot spot y
  // The standard 16-colour palette.
  const std::array<std::uint32_t, 16> standard = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                                  0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                                  0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(Le32(b, 22 + 40 + i * 4), standard[i]) << "entry " << i;

  IconImageRef cur = DecodeIconFile(b);
  ASSERT_TRUE(cur);
  auto alpha = [&](int x, int y) { return cur->argb[std::size_t(y) * 32 + x] >> 24; };
  auto rgb = [&](int x, int y) { return cur->argb[std::size_t(y) * 32 + x] & 0xFFFFFF; };
  // The fingertip: the hot spot is the top of the hand, nothing above or beside it on row 0.
  EXPECT_EQ(alpha(12, 1), 255u);
  for (int x = 0; x < 32; ++x) EXPECT_EQ(alpha(x, 0), 0u) << x;
  // Transparent around the hand: the corners and the borders.
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(alpha(0, i), 0u);
    EXPECT_EQ(alpha(31, i), 0u);
  }
  // White hand, light grey shading, dark grey and black edges, a dark blue cuff.
  std::set<std::uint32_t> used;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (alpha(x, y)) used.insert(rgb(x, y));
    }
  }
  EXPECT_TRUE(used.count(0xFFFFFF) && used.count(0xC0C0C0) && used.count(0x808080) && used.count(0x000000) &&
              used.count(0x000080));
  // The index finger goes straight up from the tip: a white column under the hot spot.
  for (int y = 2; y < 12; ++y) EXPECT_EQ(rgb(12, y), 0xFFFFFFu) << y;
}

// Rows of one glyph cell that hold any ink.
std::pair<int, int> InkRows(const Picture& strip, int cell) {
  int top = 99, bottom = -1;
  for (int y = 0; y < 22; ++y) {
    for (int x = 0; x < 13; ++x) {
      if (strip.At(cell * 13 + x, y) != 0) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  return {top, bottom};
}

TEST(GlyphStrip, KeepsThe13By22CellGridForCodes32To90) {
  PictureRef strip = MustLoad(assets::kGlyphStrip);
  ASSERT_TRUE(strip);
  ASSERT_EQ(strip->width(), 59 * 13);
  ASSERT_EQ(strip->height(), 22);
  // Cell 0, the space, is the eraser: all black.
  EXPECT_EQ(InkRows(*strip, 0).second, -1);
  for (int cell = 1; cell < 59; ++cell) {
    SCOPED_TRACE("code " + std::to_string(32 + cell));
    auto [top, bottom] = InkRows(*strip, cell);
    ASSERT_GE(bottom, 0) << "no ink";
    EXPECT_GE(top, 1);
    EXPECT_LE(bottom, 18);
  }
  // Capitals stand in rows 4 to 15; flat-topped, flat-footed ones fill them exactly.
  for (char c : std::string("ABCDEFGHIJKLMNOPRSTUVWXYZ")) {
    auto [top, bottom] = InkRows(*strip, c - 32);
    EXPECT_GE(top, 4) << c;
    EXPECT_LE(bottom, 15) << c;
  }
  for (char c : std::string("EHIT")) EXPECT_EQ(InkRows(*strip, c - 32), std::make_pair(4, 15)) << c;
  // Only a few marks reach below the baseline, the tail of Q among them.
  EXPECT_GT(InkRows(*strip, 'Q' - 32).second, 15);
  EXPECT_GT(InkRows(*strip, ',' - 32).second, 15);
}

TEST(GlyphStrip, InkIsShadedFromDeepBlueAtTheTopToLightCyanAtTheBottomOnBlack) {
  PictureRef strip = MustLoad(assets::kGlyphStrip);
  ASSERT_TRUE(strip);
  // The fullest colour of a row: where the glyphs' coverage is complete.
  auto brightest = [&](int row) {
    std::uint32_t best = 0;
    for (int x = 0; x < strip->width(); ++x) {
      if (Luma(strip->At(x, row)) > Luma(best)) best = strip->At(x, row);
    }
    return best;
  };
  const std::uint32_t top = brightest(4), bottom = brightest(15);
  EXPECT_NEAR(R(top), 0, 12);
  EXPECT_NEAR(G(top), 133, 12);
  EXPECT_NEAR(B(top), 183, 12);
  EXPECT_NEAR(R(bottom), 88, 12);
  EXPECT_NEAR(G(bottom), 227, 12);
  EXPECT_NEAR(B(bottom), 244, 12);
  // Lighter from band to band, and paler still below the baseline.
  for (int row = 5; row <= 18; ++row) EXPECT_GE(Luma(brightest(row)), Luma(brightest(row - 1))) << row;
  EXPECT_GT(R(brightest(17)), R(bottom));
  // Everything is a shade of the glyph blue on pure black: no warm pixel anywhere.
  for (std::uint32_t p : strip->pixels()) {
    ASSERT_LE(R(p), B(p));
    ASSERT_LE(G(p), B(p) + 2);
  }
}

TEST(MetalTexture, IsLightBrushedMetalWithinItsColourRange) {
  PictureRef metal = MustLoad(assets::kMetalTexture);
  ASSERT_TRUE(metal);
  ASSERT_EQ(metal->width(), 551);
  ASSERT_EQ(metal->height(), 20);
  double sum[3] = {0, 0, 0};
  for (std::uint32_t p : metal->pixels()) {
    for (int c : {R(p), G(p), B(p)}) {
      ASSERT_GE(c, 160);
      ASSERT_LE(c, 223);
    }
    sum[0] += R(p);
    sum[1] += G(p);
    sum[2] += B(p);
  }
  const double n = double(metal->pixels().size());
  EXPECT_NEAR(sum[0] / n, 192, 2.0);
  EXPECT_NEAR(sum[1] / n, 189, 2.0);
  EXPECT_NEAR(sum[2] / n, 188, 2.0);
  EXPECT_GT(sum[0], sum[2]);  // slightly warm
  // Brushed: neighbours along a row are far more alike than neighbours across rows.
  double along = 0, across = 0;
  for (int y = 0; y + 1 < 20; ++y) {
    for (int x = 0; x + 1 < 551; ++x) {
      along += std::abs(Luma(metal->At(x + 1, y)) - Luma(metal->At(x, y)));
      across += std::abs(Luma(metal->At(x, y + 1)) - Luma(metal->At(x, y)));
    }
  }
  EXPECT_LT(along * 1.5, across);
  EXPECT_GT(along, 0);  // but not flat
}

TEST(Plates, AreLitFromAboveInGreyPaleBlueAndDarkerSteelBlue) {
  PictureRef heading = MustLoad(assets::kHeadingPlate);
  PictureRef pressed = MustLoad(assets::kButtonPressed);
  PictureRef released = MustLoad(assets::kButtonReleased);
  ASSERT_TRUE(heading && pressed && released);
  for (const PictureRef& p : {heading, pressed, released}) {
    ASSERT_EQ(p->width(), 95);
    ASSERT_EQ(p->height(), 22);
    // Lighter upper edge, darker lower edge.
    EXPECT_GT(MeanLuma(*p, 8, 1, 87, 3), MeanLuma(*p, 8, 19, 87, 21) + 20);
  }
  const std::uint32_t grey = heading->At(47, 11), pale = pressed->At(47, 11), steel = released->At(47, 11);
  EXPECT_LT(std::abs(R(grey) - B(grey)), 16);
  EXPECT_GT(Luma(grey), 180);
  EXPECT_GT(B(pale), R(pale) + 30);
  EXPECT_GT(B(steel), R(steel) + 60);
  EXPECT_GT(Luma(pale), Luma(steel) + 40);  // the released face is the darker one
}

TEST(OptionMarks, AreWhiteRoundMarksWithAGreyRimAndTheSelectedOneHasARedOrangeDot) {
  PictureRef on = MustLoad(assets::kOptionSelected);
  PictureRef off = MustLoad(assets::kOptionEmpty);
  ASSERT_TRUE(on && off);
  for (const PictureRef& p : {on, off}) {
    ASSERT_EQ(p->width(), 13);
    ASSERT_EQ(p->height(), 13);
    const std::uint32_t rim = p->At(6, 0), face = p->At(3, 6);
    EXPECT_LT(Luma(rim), 200);
    EXPECT_GT(Luma(face), 225);
  }
  const std::uint32_t dot = on->At(6, 6), plain = off->At(6, 6);
  EXPECT_GT(R(dot), 180);
  EXPECT_LT(G(dot), 140);
  EXPECT_LT(B(dot), 100);
  EXPECT_GT(R(dot), G(dot) + 80);
  EXPECT_GT(Luma(plain), 235);
}

TEST(PreviewStill, IsADarkFieldWithAWarmPlumeOnTheRightAndStreaksAcrossTheLowerHalf) {
  PictureRef p = MustLoad(assets::kPreviewStill);
  ASSERT_TRUE(p);
  ASSERT_EQ(p->width(), 152);
  ASSERT_EQ(p->height(), 112);
  int black = 0;
  for (std::uint32_t px : p->pixels()) {
    if (Luma(px) < 24) ++black;
    // The swarm's colours are golds, ambers and (pale) yellows: never bluish.
    if (Luma(px) > 40) {
      ASSERT_GT(R(px), B(px));
      ASSERT_GT(R(px) + G(px), 2 * B(px));
    }
  }
  EXPECT_GT(black, 152 * 112 / 2);  // mostly black field
  // The dense plume is on the right half, rising from the lower edge to near
  // the top edge, and thickest at its top: the brightest 8 x 8 patch of the
  // picture lies in the upper third of the right half.
  EXPECT_GT(MeanLuma(*p, 76, 0, 152, 112), 2 * MeanLuma(*p, 0, 0, 76, 112));
  EXPECT_GT(MeanLuma(*p, 76, 0, 152, 14), 3);
  EXPECT_GT(MeanLuma(*p, 76, 98, 152, 112), 3);
  int bestX = 0, bestY = 0;
  double best = -1;
  for (int y = 0; y + 8 <= 112; y += 2) {
    for (int x = 0; x + 8 <= 152; x += 2) {
      if (double m = MeanLuma(*p, x, y, x + 8, y + 8); m > best) {
        best = m;
        bestX = x;
        bestY = y;
      }
    }
  }
  EXPECT_GE(bestX, 76);
  EXPECT_LT(bestY + 8, 112 / 3 + 8);
  // Loose streaks fall over the whole lower half: light in every one of its
  // sixteen column bands, left edge included, and down the whole height of its
  // left half rather than only along the bottom.
  for (int band = 0; band < 16; ++band) {
    EXPECT_GT(MeanLuma(*p, band * 19 / 2, 56, (band + 1) * 19 / 2, 112), 3) << "column band " << band;
  }
  for (int row = 0; row < 4; ++row) {
    EXPECT_GT(MeanLuma(*p, 0, 56 + row * 14, 76, 70 + row * 14), 3) << "row band " << row;
  }
  // The upper left stays dark.
  EXPECT_LT(MeanLuma(*p, 0, 0, 60, 50), 1);
}

TEST(ProgramIcon, IsAGoldCloudDensestInTheUpperRight) {
  IconImageRef icon = DecodeIconFile(assets::Find(assets::kProgramIcon));
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->width, 32);
  ASSERT_EQ(icon->height, 32);
  double quadrant[2][2] = {{0, 0}, {0, 0}};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const std::uint32_t px = icon->argb[std::size_t(y) * 32 + x];
      ASSERT_EQ(px >> 24, 0xFFu);  // opaque square
      quadrant[y / 16][x / 16] += Luma(px & 0xFFFFFF);
      if (Luma(px & 0xFFFFFF) > 40) {
        ASSERT_GT(R(px), B(px));
        ASSERT_GT(R(px) + G(px), 2 * B(px));
      }
    }
  }
  EXPECT_GT(quadrant[0][1], quadrant[1][0] * 1.5);  // upper right over lower left
  EXPECT_GT(quadrant[0][1], quadrant[0][0]);
  EXPECT_GT(quadrant[1][0], 0);  // thinning, not gone
}

}  // namespace
}  // namespace kal
