// Block copies between picture boxes' persistent images (SRCCOPY).
#pragma once

#include <algorithm>

#include "platform/Canvas.h"

namespace kal::forms {

// Copies w x h pixels from (sx, sy) of src to (x, y) of dst; whatever lies
// outside either canvas is left out. False when nothing was copied.
inline bool BitBlt(Canvas& dst, int x, int y, int w, int h, const Canvas& src, int sx, int sy) {
  // Cut to the source, then to the destination, moving both corners alike.
  const long long left = std::max({0LL, -static_cast<long long>(sx), -static_cast<long long>(x)});
  const long long top = std::max({0LL, -static_cast<long long>(sy), -static_cast<long long>(y)});
  const long long right = std::min({static_cast<long long>(w), static_cast<long long>(src.width()) - sx,
                                    static_cast<long long>(dst.width()) - x});
  const long long bottom = std::min({static_cast<long long>(h), static_cast<long long>(src.height()) - sy,
                                     static_cast<long long>(dst.height()) - y});
  if (left >= right || top >= bottom) return false;
  dst.PutPixels(static_cast<int>(x + left), static_cast<int>(y + top),
                src.data() + (sy + top) * src.width() + (sx + left), static_cast<int>(right - left),
                static_cast<int>(bottom - top), src.width());
  return true;
}

}  // namespace kal::forms
