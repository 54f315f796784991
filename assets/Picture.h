// Decoding the pictures the programs carry into shared Picture objects.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Picture.h"

namespace kal {

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
