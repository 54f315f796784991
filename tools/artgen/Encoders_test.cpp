// The encoders against the programs' own decoders and the formats' headers:
// whatever the generator draws must come back as drawn.
#include "tools/artgen/Encoders.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "assets/HeaderProbe.h"
#include "assets/Picture.h"
#include "platform/IconFile.h"
#include "tools/artgen/GlyphStrip.h"
#include "tools/artgen/Noise.h"

namespace kal::artgen {
namespace {

Raster Pattern(int w, int h, std::uint64_t seed) {
  Noise noise(seed);
  Raster r(w, h);
  for (std::uint32_t& p : r.px) p = static_cast<std::uint32_t>(noise.Next() & 0xFFFFFF);
  return r;
}

TEST(BmpEncoder, RoundTripsExactlyAtWidthsThatNeedRowPadding) {
  for (int w : {1, 2, 3, 5, 551}) {
    Raster r = Pattern(w, 3, std::uint64_t(w));
    Bytes b = EncodeBmp24(r);
    EXPECT_EQ(b.size(), 54 + std::size_t((w * 3 + 3) / 4 * 4) * 3) << w;
    PictureRef p = DecodePicture(b);
    ASSERT_TRUE(p) << w;
    ASSERT_EQ(p->width(), w);
    ASSERT_EQ(p->height(), 3);
    EXPECT_TRUE(std::equal(r.px.begin(), r.px.end(), p->pixels().begin())) << w;
  }
}

TEST(GifEncoder, WritesOneGif89aFrameWhoseIndicesDecodeToThePalette) {
  std::array<std::uint32_t, 256> palette{};
  for (int i = 0; i < 256; ++i) palette[std::size_t(i)] = std::uint32_t(i * 0x010203) & 0xFFFFFF;
  Noise noise(7);
  std::vector<std::uint8_t> indices(37 * 5);
  for (auto& v : indices) v = static_cast<std::uint8_t>(noise.Next());
  Bytes b = EncodeGif(37, 5, indices, palette);
  auto info = probe::ProbeGif(b);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->version, "GIF89a");
  EXPECT_EQ(info->globalTableEntries, 256);
  EXPECT_EQ(info->frames, 1);
  EXPECT_FALSE(info->anyInterlaced);
  EXPECT_FALSE(info->anyTransparency);
  PictureRef p = DecodePicture(b);
  ASSERT_TRUE(p);
  for (std::size_t i = 0; i < indices.size(); ++i) ASSERT_EQ(p->pixels()[i], palette[indices[i]]) << i;
  EXPECT_THROW(EncodeGif(37, 6, indices, palette), std::invalid_argument);
}

TEST(JpegEncoder, WritesBaseline420AtAnySizeAndStaysCloseToThePicture) {
  for (auto [w, h] : {std::pair{13, 13}, std::pair{95, 22}, std::pair{1, 1}, std::pair{17, 9}}) {
    Raster r(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) r.at(x, y) = Pack({40.0 + 8 * x, 200.0 - 6 * y, 120});
    }
    Bytes b = EncodeJpeg(r, 98);
    auto frame = probe::ProbeJpeg(b);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->sofMarker, 0xC0);
    EXPECT_EQ(frame->width, w);
    EXPECT_EQ(frame->height, h);
    ASSERT_EQ(frame->components.size(), 3u);
    EXPECT_EQ(frame->components[0].h * 10 + frame->components[0].v, 22);
    EXPECT_EQ(frame->components[1].h * 10 + frame->components[1].v, 11);
    PictureRef p = DecodePicture(b);
    ASSERT_TRUE(p);
    double error = 0;
    for (std::size_t i = 0; i < r.px.size(); ++i) {
      std::uint32_t a = r.px[i], c = p->pixels()[i];
      error +=
          std::abs(RedOf(a) - RedOf(c)) + std::abs(GreenOf(a) - GreenOf(c)) + std::abs(BlueOf(a) - BlueOf(c));
    }
    EXPECT_LT(error / double(r.px.size() * 3), 4.0) << w << "x" << h;
  }
  // The same picture always gives the same bytes.
  Raster r = Pattern(40, 30, 3);
  EXPECT_EQ(EncodeJpeg(r, 92), EncodeJpeg(r, 92));
}

IndexedIcon Checkerboard(int bpp) {
  IndexedIcon icon;
  icon.bitsPerPixel = bpp;
  const int colours = 1 << bpp;
  for (int i = 0; i < colours; ++i) icon.palette.push_back(std::uint32_t(i * 0x0F0D0B) & 0xFFFFFF);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      icon.indices.push_back(static_cast<std::uint8_t>((x * 7 + y * 3) % colours));
      icon.transparent.push_back((x / 4 + y / 4) % 3 == 0);
    }
  }
  return icon;
}

TEST(IconEncoders, IcoAndCurDecodeToTheDrawnPixelsMaskAndHotSpot) {
  for (int bpp : {4, 8}) {
    SCOPED_TRACE(bpp);
    IndexedIcon icon = Checkerboard(bpp);
    for (bool cursor : {false, true}) {
      Bytes file = cursor ? EncodeCurFile(icon, 12, 1) : EncodeIcoFile(icon);
      EXPECT_EQ(file.size(), 22 + 40 + (std::size_t(4) << bpp) + 32 * 32 * std::size_t(bpp) / 8 + 128);
      IconImageRef img = DecodeIconFile(file);
      ASSERT_TRUE(img);
      EXPECT_EQ(img->isCursor, cursor);
      EXPECT_EQ(img->hotX, cursor ? 12 : 16);
      EXPECT_EQ(img->hotY, cursor ? 1 : 16);
      for (std::size_t i = 0; i < 32 * 32; ++i) {
        const std::uint32_t want = icon.transparent[i] ? 0u : 0xFF000000u | icon.palette[icon.indices[i]];
        ASSERT_EQ(img->argb[i], want) << i;
      }
    }
  }
  IndexedIcon bad = Checkerboard(8);
  bad.palette.pop_back();
  EXPECT_THROW(EncodeIconImage(bad), std::invalid_argument);
}

TEST(GlyphStripDrawing, ReportsAFontItCannotRead) {
  try {
    DrawGlyphStrip("/nonexistent/typewriter.otf");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/typewriter.otf"), std::string::npos);
  }
}

}  // namespace
}  // namespace kal::artgen
