// The bouncing credit line in the dialog's black box: each letter falls from
// the top edge, bounces to rest on the bottom edge and flies back up, one
// step ahead of its left neighbour.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Types.h"

namespace kal {

// The banner's pace: the rate a stock desktop's timer ticks at when asked
// for 1 ms, which the motion was made for (a 310-tick cycle in about 4.8 s).
inline constexpr int kBannerTicksPerSecond = 64;

using BounceTableType = std::array<std::int16_t, 500>;

// The 500 vertical letter positions, index 0 to 499.
void InitBounceTable(BounceTableType& table);

// The glyph strip's cells: 13 x 22, character code 32 + k in cell k.
inline constexpr int kGlyphWidth = 13;
inline constexpr int kGlyphHeight = 22;
inline constexpr int kFirstGlyph = 32;
inline constexpr int kLastGlyph = 90;
// The longest text the table serves at the highest phase (310 + 189 = 499).
inline constexpr std::size_t kMaxBannerLength = 189;

// One tick: erase every letter where it was, draw it where it is now, and
// return the next phase (1 after 310). Characters without a cell in the
// strip draw the blank cell. A text longer than kMaxBannerLength raises
// SubscriptOutOfRange before anything is drawn. `touched`, when given,
// receives one rectangle per letter covering both of its cells this tick: all
// the tick may have changed, for the refresh.
std::int16_t BannerTick(const std::string& text, std::int16_t phase, const BounceTableType& table,
                        const Canvas& strip, Canvas& target, std::vector<PixelRect>* touched = nullptr);

}  // namespace kal
