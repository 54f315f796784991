// Trail drawing: every remembered position is painted again on each update,
// one colour older, until slot 10 paints it black.
#include "saver/Swarm.h"

namespace kal {

void Swarm::DrawParticle() { DrawTrail(StoreIndex(CurParticle)); }

}  // namespace kal
