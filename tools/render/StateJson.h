// The swarm's state as JSON, for scripts that compare runs.
#pragma once

#include <string>

#include "saver/Swarm.h"

namespace kal::render {

// {"cur":…, "head":{"x","y","speed","targetX","targetY","hasTarget"},
//  "particles":[{"fall":…, "trail":[[x, y] × 11]}]} for the particles in use
// (none when the count is negative). Head coordinates carry 17 significant
// digits, enough to give back the exact double.
std::string SwarmStateJson(const Swarm& swarm);

}  // namespace kal::render
