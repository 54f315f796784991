// The hand pointer of the link, the buttons and the scroll bar.
#pragma once

#include "tools/artgen/Encoders.h"

namespace kal::artgen {

constexpr int kPointerHotX = 12;  // the tip of the index finger
constexpr int kPointerHotY = 1;

// 32 x 32, 16 colours of the standard palette, transparent around the hand.
IndexedIcon DrawHandPointer();

}  // namespace kal::artgen
