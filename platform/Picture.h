// A decoded picture: read-only once made, and shared by reference, so handing
// one control's picture to another shows the same object rather than a copy.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
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

}  // namespace kal
