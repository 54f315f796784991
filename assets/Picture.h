// A decoded picture: read-only once made, and shared by reference, so handing
// one control's picture to another shows the same object rather than a copy.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace kal {

class Picture {
 public:
  // pixels: width * height values 0x00RRGGBB, rows top-down.
  Picture(int width, int height, std::vector<std::uint32_t> pixels);

  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  std::span<const std::uint32_t> pixels() const { return pixels_; }

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;
};

using PictureRef = std::shared_ptr<const Picture>;

// The most pixels a picture may have: far more than any window of the
// programs shows (2048 x 2048), far less than would exhaust memory.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{2048} * 2048;

// Decodes a JPEG, a GIF (its first frame) or an uncompressed Windows bitmap.
// Returns nullptr for anything else, including damaged or truncated data and
// pictures of more than kMaxPicturePixels.
PictureRef DecodePicture(std::span<const std::uint8_t> bytes);

// Decodes one of the embedded pictures (names in assets/Assets.h); nullptr
// when there is no such picture or it is not a picture format.
PictureRef LoadPicture(std::string_view assetName);

}  // namespace kal
