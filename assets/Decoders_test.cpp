// The shipped decoders: every embedded picture reads back at its size, pictures
// are shared rather than copied, and damaged data gives nullptr, never a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "assets/Assets.h"
#include "assets/Picture.h"
#include "platform/IconFile.h"

namespace kal {
namespace {

TEST(PictureDecoder, ReadsEveryEmbeddedPictureAtItsSize) {
  struct Case {
    std::string_view name;
    int w, h;
  };
  const Case cases[] = {{assets::kPreviewStill, 152, 112}, {assets::kGlyphStrip, 767, 22},
                        {assets::kMetalTexture, 551, 20},  {assets::kHeadingPlate, 95, 22},
                        {assets::kButtonPressed, 95, 22},  {assets::kButtonReleased, 95, 22},
                        {assets::kOptionSelected, 13, 13}, {assets::kOptionEmpty, 13, 13}};
  for (const Case& c : cases) {
    PictureRef p = LoadPicture(c.name);
    ASSERT_TRUE(p) << c.name;
    EXPECT_EQ(p->width(), c.w) << c.name;
    EXPECT_EQ(p->height(), c.h) << c.name;
    EXPECT_EQ(p->pixels().size(), std::size_t(c.w) * c.h);
    for (std::uint32_t px : p->pixels()) ASSERT_EQ(px >> 24, 0u) << c.name << ": pixels are 0x00RRGGBB";
  }
  for (std::string_view name : {assets::kProgramIcon, assets::kHandPointer}) {
    IconImageRef icon = DecodeIconFile(assets::Find(name));
    ASSERT_TRUE(icon) << name;
    EXPECT_EQ(icon->width, 32);
    EXPECT_EQ(icon->height, 32);
  }
  IconImageRef cursor = DecodeIconFile(assets::Find(assets::kHandPointer));
  ASSERT_TRUE(cursor);
  EXPECT_TRUE(cursor->isCursor);
  EXPECT_EQ(cursor->bitsPerPixel, 4);
  EXPECT_EQ(cursor->hotX, 12);
  EXPECT_EQ(cursor->hotY, 1);
  IconImageRef icon = DecodeIconFile(assets::Find(assets::kProgramIcon));
  ASSERT_TRUE(icon);
  EXPECT_FALSE(icon->isCursor);
  EXPECT_EQ(icon->bitsPerPixel, 8);
}

TEST(PictureDecoder, HandingAPictureOnSharesTheSameObject) {
  PictureRef released = LoadPicture(assets::kButtonReleased);
  ASSERT_TRUE(released);
  PictureRef button1 = released, button2 = released;
  EXPECT_EQ(button1.get(), released.get());
  EXPECT_EQ(button2.get(), released.get());
  EXPECT_EQ(released.use_count(), 3);
  // Each load makes its own object.
  EXPECT_NE(LoadPicture(assets::kButtonReleased).get(), released.get());
}

TEST(PictureDecoder, RefusesDataThatIsNotAPictureItReads) {
  const std::vector<std::uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
  EXPECT_EQ(DecodePicture({}), nullptr);
  EXPECT_EQ(DecodePicture(garbage), nullptr);
  EXPECT_EQ(LoadPicture("no-such-picture.jpg"), nullptr);
  // Icons and cursors are not plain pictures.
  EXPECT_EQ(LoadPicture(assets::kHandPointer), nullptr);
  // Cut-off headers.
  for (std::string_view name : {assets::kPreviewStill, assets::kGlyphStrip, assets::kMetalTexture}) {
    std::span<const std::uint8_t> whole = assets::Find(name);
    EXPECT_EQ(DecodePicture(whole.first(20)), nullptr) << name;
  }
  // A bitmap that promises more rows than it holds.
  std::span<const std::uint8_t> bmp = assets::Find(assets::kMetalTexture);
  std::vector<std::uint8_t> tall(bmp.begin(), bmp.end());
  tall[22] = 0xFF;  // height 20 -> 0x00FF... a huge count
  tall[23] = 0xFF;
  EXPECT_EQ(DecodePicture(tall), nullptr);
  // A small file that declares a huge picture: refused before anything is allocated for it.
  std::span<const std::uint8_t> gif = assets::Find(assets::kGlyphStrip);
  std::vector<std::uint8_t> vast(gif.begin(), gif.end());
  vast[6] = vast[8] = 0xB8;  // 3000 x 3000
  vast[7] = vast[9] = 0x0B;
  EXPECT_EQ(DecodePicture(vast), nullptr);
  // One with no rows at all.
  std::vector<std::uint8_t> flat(bmp.begin(), bmp.end());
  std::fill(flat.begin() + 22, flat.begin() + 26, 0);
  EXPECT_EQ(DecodePicture(flat), nullptr);
}

// Debian's stb_image writes past its tables when a Huffman table has more
// than 256 codes, and decodes with whatever memory holds for a table a scan
// uses that the file never defined: such a JPEG is damaged.
TEST(PictureDecoder, RefusesAJpegWhoseTablesTheDecoderWouldMisuse) {
  std::span<const std::uint8_t> jpeg = assets::Find(assets::kHeadingPlate);
  auto segment = [](const std::vector<std::uint8_t>& b, std::uint8_t marker) {
    std::size_t at = 2;
    while (at + 4 < b.size() && !(b[at] == 0xFF && b[at + 1] == marker))
      at += 2 + ((std::size_t{b[at + 2]} << 8) | b[at + 3]);
    return at;
  };
  std::vector<std::uint8_t> b(jpeg.begin(), jpeg.end());
  // The first table segment: its sixteen code counts now add up to 320.
  const std::size_t dht = segment(b, 0xC4);
  ASSERT_LT(dht + 21, b.size());
  for (std::size_t i = 0; i < 16; ++i) b[dht + 5 + i] = 20;
  EXPECT_EQ(DecodePicture(b), nullptr);
  // The decoder skips fill bytes before the start-of-image marker: so does the check.
  b.insert(b.begin(), 3, 0xFF);
  EXPECT_EQ(DecodePicture(b), nullptr);
  // Every component of the scan takes its tables from slot 3, never defined
  // (and no coded data follows, so nothing but the tables can fail it).
  std::vector<std::uint8_t> undefined(jpeg.begin(), jpeg.end());
  const std::size_t sos = segment(undefined, 0xDA);
  ASSERT_LT(sos + 14, undefined.size());
  ASSERT_EQ(undefined[sos + 4], 3);
  undefined[sos + 6] = undefined[sos + 8] = undefined[sos + 10] = 0x33;
  undefined.resize(sos + 14);
  undefined.insert(undefined.end(), {0xFF, 0xD9});
  EXPECT_EQ(DecodePicture(undefined), nullptr);
  EXPECT_TRUE(DecodePicture(jpeg));
}

// A one-image icon file made by hand: 2 x 2 pixels.
std::vector<std::uint8_t> TinyIcon(int type, int bpp, const std::vector<std::uint8_t>& palette,
                                   const std::vector<std::uint8_t>& colourRows, std::uint8_t maskRow0,
                                   std::uint8_t maskRow1, bool withMask = true) {
  auto put16 = [](std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(std::uint8_t(v & 0xFF));
    b.push_back(std::uint8_t(v >> 8));
  };
  auto put32 = [&](std::vector<std::uint8_t>& b, unsigned v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
  };
  std::vector<std::uint8_t> image;
  put32(image, 40);
  put32(image, 2);
  put32(image, 4);
  put16(image, 1);
  put16(image, unsigned(bpp));
  for (int i = 0; i < 6; ++i) put32(image, 0);
  image.insert(image.end(), palette.begin(), palette.end());
  image.insert(image.end(), colourRows.begin(), colourRows.end());
  if (withMask) {
    // Mask rows bottom-up, each padded to 4 bytes.
    for (std::uint8_t row : {maskRow1, maskRow0}) {
      image.push_back(row);
      image.insert(image.end(), 3, 0);
    }
  }
  std::vector<std::uint8_t> file;
  put16(file, 0);
  put16(file, unsigned(type));
  put16(file, 1);
  file.insert(file.end(), {2, 2, 0, 0});
  put16(file, 1);  // hot spot x for a cursor
  put16(file, 0);  // hot spot y
  put32(file, unsigned(image.size()));
  put32(file, 22);
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

TEST(IconDecoder, ReadsMaskedAndAlphaImagesBottomUp) {
  // 24 bits: bottom row first (B, G, R per pixel, padded to 8 bytes), the mask
  // hides the top-right pixel.
  std::vector<std::uint8_t> rows24 = {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0, 0,   // bottom row
                                      0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0, 0};  // top row
  IconImageRef a = DecodeIconFile(TinyIcon(2, 24, {}, rows24, 0x40, 0x00));
  ASSERT_TRUE(a);
  EXPECT_TRUE(a->isCursor);
  EXPECT_EQ(a->hotX, 1);
  EXPECT_EQ(a->hotY, 0);
  EXPECT_EQ(a->argb, (std::vector<std::uint32_t>{0xFF102030, 0x00000000, 0xFF010203, 0xFF040506}));

  // 32 bits with its own alpha: the alpha counts, the (missing) mask does not.
  std::vector<std::uint8_t> rows32 = {1, 2, 3, 0x80, 4, 5, 6, 0xFF, 7, 8, 9, 0x00, 10, 11, 12, 0x40};
  IconImageRef b = DecodeIconFile(TinyIcon(1, 32, {}, rows32, 0, 0, false));
  ASSERT_TRUE(b);
  EXPECT_FALSE(b->isCursor);
  EXPECT_EQ(b->argb, (std::vector<std::uint32_t>{0x00090807, 0x400C0B0A, 0x80030201, 0xFF060504}));

  // 1 bit, two palette colours.
  std::vector<std::uint8_t> palette = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
  std::vector<std::uint8_t> rows1 = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
  IconImageRef c = DecodeIconFile(TinyIcon(1, 1, palette, rows1, 0, 0));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->argb, (std::vector<std::uint32_t>{0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000}));
}

TEST(IconDecoder, RefusesDamagedFiles) {
  std::span<const std::uint8_t> cur = assets::Find(assets::kHandPointer);
  std::vector<std::uint8_t> good(cur.begin(), cur.end());
  EXPECT_TRUE(DecodeIconFile(good));

  EXPECT_EQ(DecodeIconFile({}), nullptr);
  EXPECT_EQ(DecodeIconFile(std::span(good).first(21)), nullptr);
  EXPECT_EQ(DecodeIconFile(std::span(good).first(good.size() - 1)), nullptr);  // the directory promises more
  auto damaged = [&](std::size_t at, std::uint8_t value) {
    std::vector<std::uint8_t> b = good;
    b[at] = value;
    return DecodeIconFile(b);
  };
  EXPECT_EQ(damaged(2, 3), nullptr);         // neither icon nor cursor
  EXPECT_EQ(damaged(4, 0), nullptr);         // no image
  EXPECT_EQ(damaged(21, 0x40), nullptr);     // image offset past the end
  EXPECT_EQ(damaged(22 + 14, 16), nullptr);  // 16 bits per pixel: not read
  EXPECT_EQ(damaged(22 + 16, 1), nullptr);   // compressed
  EXPECT_EQ(damaged(22 + 8, 63), nullptr);   // odd doubled height
  // Colour rows cut short: the mask would run off the image.
  std::vector<std::uint8_t> shortImage = good;
  shortImage.resize(good.size() - 200);
  shortImage[14] = std::uint8_t((good.size() - 200 - 22) & 0xFF);
  shortImage[15] = std::uint8_t((good.size() - 200 - 22) >> 8);
  EXPECT_EQ(DecodeIconFile(shortImage), nullptr);
  // A palette index beyond the colours the header declares.
  std::vector<std::uint8_t> fewColours = good;
  fewColours[22 + 32] = 2;  // biClrUsed = 2, but the hand uses up to index 15
  EXPECT_EQ(DecodeIconFile(fewColours), nullptr);
}

}  // namespace
}  // namespace kal
