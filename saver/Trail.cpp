// Trail drawing: every remembered position is painted again on each update,
// one colour older, until slot 10 paints it black.
#include "saver/Swarm.h"

namespace kal {

void Swarm::DrawParticle() {
  const int i = StoreIndex(CurParticle);
  // Newest first: where slots coincide the oldest colour wins, black last.
  const TrailTable::Trail& xs = TrailX.Of(i);
  const TrailTable::Trail& ys = TrailY.Of(i);
  display_.Circles(xs.data(), ys.data(), kTrailColors.data(), kTrailSlots, kDotRadius);
}

}  // namespace kal
