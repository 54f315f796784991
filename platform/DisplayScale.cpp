#include "platform/DisplayScale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kal {

int ScaleForDpi(float dpi) {
  if (!(dpi > 0)) return 1;
  // Half-way values (144 dpi = 150 %) round up: text and controls would be
  // small at 1, and are only a little large at 2.
  return static_cast<int>(std::clamp(std::floor(dpi / 96.0f + 0.5f), 1.0f, 4.0f));
}

void ScaledCanvas::SetScale(int scale) {
  scale_ = std::clamp(scale, 1, 4);
  shown_.EnableDirtyTracking(scale_ > 1);
}

void ScaledCanvas::Resize(int displayWidth, int displayHeight, Color fill) {
  const int k = scale_;
  designed_.Resize((displayWidth + k - 1) / k, (displayHeight + k - 1) / k, fill);
  if (k > 1) {
    shown_.Resize(displayWidth, displayHeight, fill);
  } else {
    shown_.Resize(0, 0);
  }
}

void ScaledCanvas::Sync() {
  if (scale_ == 1) return;
  const int k = scale_;
  std::vector<std::uint32_t> row;
  designed_.TakeDirty([&](int x, int y, int w, int h) {
    row.resize(static_cast<std::size_t>(w) * k);
    for (int dy = 0; dy < h; ++dy) {
      const std::uint32_t* from = designed_.data() + static_cast<std::size_t>(y + dy) * designed_.width() + x;
      for (int dx = 0; dx < w; ++dx)
        std::fill_n(row.begin() + static_cast<std::ptrdiff_t>(dx) * k, k, from[dx]);
      // The same enlarged row k times: stride 0 reads it again for each.
      shown_.PutPixels(x * k, (y + dy) * k, row.data(), w * k, k, 0);
    }
  });
}

}  // namespace kal
