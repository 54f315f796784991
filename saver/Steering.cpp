// Steering of the swarm head and the relaunch of a fallen particle.
#include <cstdint>

#include "platform/Numeric.h"
#include "saver/Swarm.h"

namespace kal {

void Swarm::MoveParticle() {
  const int i = StoreIndex(CurParticle);

  // 1. A new leg starts slowly towards a random point; the far edges count.
  if (!HasTarget) {
    HeadSpeed = 0;
    TargetX = RoundToInt16(double(random_.Rnd()) * ScreenW);
    TargetY = RoundToInt16(double(random_.Rnd()) * ScreenH);
    HasTarget = true;
  }

  // 2. Each call of a leg goes faster by a hundredth of a pixel.
  HeadSpeed = CheckedNarrow<std::int32_t>(double(HeadSpeed) + 1);
  const double step = HeadSpeed / 100.0;

  // 3.-4. Both axes move by the same step; an axis on its target stays put.
  if (HeadY < TargetY) {
    HeadY += step;
  } else if (HeadY > TargetY) {
    HeadY -= step;
  }
  if (HeadX < TargetX) {
    HeadX += step;
  } else if (HeadX > TargetX) {
    HeadX -= step;
  }

  // 5. Arrival within 10 pixels on both axes, bounds inclusive. The bounds are
  //    16-bit values: all four are worked out (a target of 32758 or more
  //    overflows them) before any comparison.
  const std::int16_t left = Sub16(TargetX, 10);
  const std::int16_t right = Add16(TargetX, 10);
  const std::int16_t top = Sub16(TargetY, 10);
  const std::int16_t bottom = Add16(TargetY, 10);
  if (left <= HeadX && HeadX <= right && top <= HeadY && HeadY <= bottom) HasTarget = false;

  // 6. Relaunch from the head; the old trail (slots 1..10) fades out where it was.
  TrailX[0][i] = RoundToInt32(HeadX);
  TrailY[0][i] = RoundToInt32(HeadY);
  FallCount[i] = 0;
}

}  // namespace kal
