#include "settings/Banner.h"

#include <initializer_list>

#include "platform/Errors.h"
#include "platform/forms/BitBlt.h"

namespace kal {

void InitBounceTable(BounceTableType& t) {
  std::size_t i = 0;
  auto put = [&](int v) { t.at(i++) = static_cast<std::int16_t>(v); };
  auto list = [&](std::initializer_list<int> values) {
    for (int v : values) put(v);
  };
  auto run = [&](int from, int to, int step) {
    for (int v = from; step > 0 ? v <= to : v >= to; v += step) put(v);
  };
  while (i <= 61) put(0);      // 0-61: waiting at the top
  list({2, 4, 6, 9, 12, 16});  // 62-67
  run(20, 90, 5);              // 68-82: falling
  run(85, 35, -5);             // 83-93: first rebound
  list({31, 27, 24, 21, 19, 17, 16, 15, 14, 14, 14, 15, 16, 17, 19, 21, 24, 27, 31});  // 94-112
  run(35, 90, 5);                                                                      // 113-124
  run(85, 55, -5);                                                                     // 125-131
  list({51, 47, 45, 42, 40, 38, 37, 36, 35, 35, 35, 36, 37, 38, 40, 42, 45, 48, 51});  // 132-150
  run(55, 90, 5);                                                                      // 151-158
  list({85, 80, 75, 70, 65, 61, 57, 54, 51, 49, 48, 47, 46, 46,
        47, 48, 49, 50, 52, 54, 56, 59, 62, 66, 70, 75, 80, 85});                  // 159-186
  put(90);                                                                         // 187
  list({85, 81, 77, 74, 71, 69, 68, 67, 66, 66, 67, 68, 69, 71, 74, 77, 81, 85});  // 188-205
  put(90);                                                                         // 206
  list({86, 82, 79, 77, 76, 75, 75, 76, 77, 79, 82, 86});                          // 207-218
  put(90);                                                                         // 219
  list({87, 84, 82, 81, 80, 81, 82, 84, 87});                                      // 220-228
  put(90);                                                                         // 229
  list({88, 87, 86, 87, 88});                                                      // 230-234
  put(90);                                                                         // 235
  list({89, 88});                                                                  // 236-237
  while (i <= 253) put(i % 2 == 0 ? 89 : 90);                // 238-253: jitter on the floor
  put(89);                                                   // 254
  while (i <= 288) put(90);                                  // 255-288: resting
  run(85, 40, -5);                                           // 289-298: flying up
  list({36, 32, 28, 24, 20, 17, 14, 11, 8, 6, 4, 3, 2, 1});  // 299-312
  while (i < t.size()) put(0);                               // 313-499: back at the top
}

std::int16_t BannerTick(const std::string& text, std::int16_t phase, const BounceTableType& table,
                        const Canvas& strip, Canvas& target, std::vector<PixelRect>* touched) {
  const std::size_t n = text.size();
  if (n > kMaxBannerLength || phase < 0 || static_cast<std::size_t>(phase) + n >= table.size()) {
    Raise(ErrorCode::SubscriptOutOfRange, "Subscript out of range");
  }
  auto cell = [&](std::size_t i, int code, int y) {
    const int x = 12 + kGlyphWidth * static_cast<int>(i);
    forms::BitBlt(target, x, y, kGlyphWidth, kGlyphHeight, strip, (code - kFirstGlyph) * kGlyphWidth, 0);
  };
  // Erase pass: the blank cell where each letter was on the previous tick.
  for (std::size_t i = 1; i <= n; ++i) cell(i, kFirstGlyph, table[phase + i - 1]);
  // Draw pass; a character without a cell in the strip shows the blank one.
  for (std::size_t i = 1; i <= n; ++i) {
    const int c = static_cast<unsigned char>(text[i - 1]);
    cell(i, c >= kFirstGlyph && c <= kLastGlyph ? c : kFirstGlyph, table[phase + i]);
  }
  if (touched != nullptr) {
    touched->clear();
    for (std::size_t i = 1; i <= n; ++i) {
      const int x = 12 + kGlyphWidth * static_cast<int>(i);
      const int was = table[phase + i - 1], now = table[phase + i];
      touched->push_back({x, std::min(was, now), x + kGlyphWidth, std::max(was, now) + kGlyphHeight});
    }
  }
  const int next = phase + 1;
  return static_cast<std::int16_t>(next > 310 ? 1 : next);
}

}  // namespace kal
