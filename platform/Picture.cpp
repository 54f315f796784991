#include "platform/Picture.h"

#include <stdexcept>
#include <utility>

namespace kal {

Picture::Picture(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {
  if (width < 0 || height < 0 || pixels_.size() != static_cast<std::size_t>(width) * height) {
    throw std::invalid_argument("Picture: pixel count does not match its size");
  }
}

}  // namespace kal
