#include "tools/artgen/Artwork.h"

#include "assets/Assets.h"
#include "tools/artgen/GlyphStrip.h"
#include "tools/artgen/HandPointer.h"
#include "tools/artgen/MetalTexture.h"
#include "tools/artgen/Plates.h"
#include "tools/artgen/Quantize.h"
#include "tools/artgen/SwarmArt.h"

namespace kal::artgen {
namespace {

// The swarm's grain survives 92; the small plates and marks need more, as a
// 13 x 13 mark is a single chroma block and rings across its whole width.
constexpr int kPreviewQuality = 92;
constexpr int kPlateQuality = 98;

IndexedIcon ProgramIcon() {
  Indexed q = QuantizeTo256(RenderSwarm(IconShot()));
  IndexedIcon icon;
  icon.size = 32;
  icon.bitsPerPixel = 8;
  icon.palette = q.palette;
  icon.indices = q.indices;
  icon.transparent.assign(32 * 32, false);  // a black square: nothing shows through
  return icon;
}

}  // namespace

std::vector<ArtFile> MakeArtwork(const std::string& fontPath) {
  namespace a = kal::assets;
  std::vector<ArtFile> files;
  auto add = [&](std::string_view name, Bytes bytes) {
    files.push_back({std::string(name), std::move(bytes)});
  };

  add(a::kPreviewStill, EncodeJpeg(RenderSwarm(PreviewShot()), kPreviewQuality));

  const IndexedIcon icon = ProgramIcon();
  add(a::kProgramIcon, EncodeIcoFile(icon));
  add(a::kIconResourceImage, EncodeIconImage(icon));
  add(a::kIconResourceGroup, EncodeIconGroup(icon, static_cast<std::uint16_t>(a::kIconImageId)));

  add(a::kHandPointer, EncodeCurFile(DrawHandPointer(), kPointerHotX, kPointerHotY));

  const GlyphStrip strip = DrawGlyphStrip(fontPath);
  add(a::kGlyphStrip, EncodeGif(kStripWidth, kCellHeight, strip.indices, strip.palette));

  add(a::kMetalTexture, EncodeBmp24(DrawMetalTexture()));
  add(a::kHeadingPlate, EncodeJpeg(DrawHeadingPlate(), kPlateQuality));
  add(a::kButtonPressed, EncodeJpeg(DrawButtonFace(true), kPlateQuality));
  add(a::kButtonReleased, EncodeJpeg(DrawButtonFace(false), kPlateQuality));
  add(a::kOptionSelected, EncodeJpeg(DrawOptionMark(true), kPlateQuality));
  add(a::kOptionEmpty, EncodeJpeg(DrawOptionMark(false), kPlateQuality));
  return files;
}

std::vector<ArtFile> MakeIconPngs() {
  std::vector<ArtFile> files;
  const SwarmShot shot = IconShot();
  for (int size : kIconPngSizes) {
    files.push_back({"kalvessa-" + std::to_string(size) + ".png",
                     EncodePng(RenderSwarmScaled(shot, double(size) / shot.width))});
  }
  return files;
}

}  // namespace kal::artgen
