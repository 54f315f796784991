// Plain value types shared by the logic and the platform backends.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kal {

// A native window handle as a number (HWND value on Windows, X window id on X11); 0 = none.
using Handle = std::int64_t;

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// 24-bit colour packed as red + 256 * green + 65536 * blue.
using Color = std::uint32_t;

constexpr Color Rgb(int r, int g, int b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

struct PixelRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const PixelRect&) const = default;
};

// The part two rectangles share (empty when right <= left or bottom <= top).
constexpr PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
  return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
          a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}

struct ScreenMetrics {
  int widthPx = 0;
  int heightPx = 0;
  float twipsPerPixelX = 15;
  float twipsPerPixelY = 15;
};

// The part of OSVERSIONINFOA the program looks at.
struct OsVersion {
  std::uint32_t platformId = 0;  // 2 = NT
};

}  // namespace kal
