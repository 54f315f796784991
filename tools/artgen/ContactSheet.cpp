#include "tools/artgen/ContactSheet.h"

#include <stdexcept>

#include "assets/Assets.h"
#include "assets/Picture.h"
#include "platform/IconFile.h"
#include "tools/artgen/GlyphStrip.h"

namespace kal::artgen {
namespace {

// The panels' own light grey, so the plates and marks sit as they do in the
// dialog; the texture strip gets a thin dark frame to stand out from it.
constexpr std::uint32_t kBackground = 0xC0BDBC;
constexpr std::uint32_t kFrame = 0x5A5C60;
constexpr int kMargin = 24;
constexpr int kGap = 32;

const Bytes& FileNamed(const std::vector<ArtFile>& files, std::string_view name) {
  for (const ArtFile& f : files) {
    if (f.name == name) return f.bytes;
  }
  throw std::runtime_error("contact sheet: no file " + std::string(name));
}

Raster Decoded(const std::vector<ArtFile>& files, std::string_view name) {
  PictureRef p = DecodePicture(FileNamed(files, name));
  if (!p) throw std::runtime_error("contact sheet: cannot decode " + std::string(name));
  Raster r(p->width(), p->height());
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) r.at(x, y) = p->At(x, y);
  }
  return r;
}

struct Masked {
  Raster picture;
  std::vector<bool> opaque;
};

Masked DecodedIcon(const std::vector<ArtFile>& files, std::string_view name) {
  IconImageRef icon = DecodeIconFile(FileNamed(files, name));
  if (!icon) throw std::runtime_error("contact sheet: cannot decode " + std::string(name));
  Masked m{Raster(icon->width, icon->height), {}};
  for (std::size_t i = 0; i < icon->argb.size(); ++i) {
    m.picture.px[i] = icon->argb[i] & 0xFFFFFF;
    m.opaque.push_back((icon->argb[i] >> 24) >= 128);
  }
  return m;
}

Raster Crop(const Raster& src, int x0, int width) {
  Raster out(width, src.height);
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < width; ++x) out.at(x, y) = src.at(x0 + x, y);
  }
  return out;
}

}  // namespace

Raster DrawContactSheet(const std::vector<ArtFile>& files) {
  namespace a = kal::assets;
  const Raster preview = Decoded(files, a::kPreviewStill);
  const Masked icon = DecodedIcon(files, a::kProgramIcon);
  const Masked pointer = DecodedIcon(files, a::kHandPointer);
  const Raster strip = Decoded(files, a::kGlyphStrip);
  const Raster metal = Decoded(files, a::kMetalTexture);
  const Raster plates[] = {Decoded(files, a::kHeadingPlate), Decoded(files, a::kButtonPressed),
                           Decoded(files, a::kButtonReleased)};
  const Raster marks[] = {Decoded(files, a::kOptionSelected), Decoded(files, a::kOptionEmpty)};

  // The strip in two lines of cells at 4x: codes 32..61 and 62..90.
  const int firstHalfCells = 30;
  const Raster stripLines[] = {
      Crop(strip, 0, firstHalfCells * kCellWidth),
      Crop(strip, firstHalfCells * kCellWidth, strip.width - firstHalfCells * kCellWidth)};

  const int previewScale = 3, iconScale = 6, stripScale = 4, metalScale = 2, plateScale = 4, markScale = 6;
  const int width = kMargin * 2 + stripLines[0].width * stripScale;
  const int row1 = preview.height * previewScale;
  const int row2 = (stripLines[0].height * stripScale) * 2 + kGap / 2;
  const int row3 = metal.height * metalScale;
  const int row4 = plates[0].height * plateScale;
  const int height = kMargin * 2 + row1 + row2 + row3 + row4 + kGap * 3;
  Raster sheet(width, height, kBackground);

  int y = kMargin;
  int x = kMargin;
  BlitEnlarged(sheet, preview, x, y, previewScale);
  x += preview.width * previewScale + kGap;
  BlitEnlarged(sheet, icon.picture, x, y, iconScale, &icon.opaque);
  x += icon.picture.width * iconScale + kGap;
  BlitEnlarged(sheet, pointer.picture, x, y, iconScale, &pointer.opaque);
  x += pointer.picture.width * iconScale + kGap;
  for (const Raster& m : marks) {
    BlitEnlarged(sheet, m, x, y, markScale);
    x += m.width * markScale + kGap;
  }
  y += row1 + kGap;

  for (const Raster& line : stripLines) {
    BlitEnlarged(sheet, line, kMargin, y, stripScale);
    y += line.height * stripScale + kGap / 2;
  }
  y += kGap / 2;

  for (int fy = y - 2; fy < y + row3 + 2; ++fy) {
    for (int fx = kMargin - 2; fx < kMargin + metal.width * metalScale + 2; ++fx) sheet.at(fx, fy) = kFrame;
  }
  BlitEnlarged(sheet, metal, kMargin, y, metalScale);
  y += row3 + kGap;

  x = kMargin;
  for (const Raster& p : plates) {
    BlitEnlarged(sheet, p, x, y, plateScale);
    x += p.width * plateScale + kGap;
  }
  return sheet;
}

}  // namespace kal::artgen
