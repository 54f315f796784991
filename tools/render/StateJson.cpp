#include "tools/render/StateJson.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kal::render {
namespace {

std::string Exact(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

}  // namespace

std::string SwarmStateJson(const Swarm& s) {
  std::string out;
  out += "{\"cur\":" + std::to_string(s.CurParticle);
  out += ",\"head\":{\"x\":" + Exact(s.HeadX) + ",\"y\":" + Exact(s.HeadY);
  out += ",\"speed\":" + std::to_string(s.HeadSpeed);
  out += ",\"targetX\":" + std::to_string(s.TargetX) + ",\"targetY\":" + std::to_string(s.TargetY);
  out += std::string(",\"hasTarget\":") + (s.HasTarget ? "true" : "false") + "}";
  out += ",\"particles\":[";
  const int last = std::min<int>(s.LastParticle, kParticleCapacity - 1);
  for (int i = 0; i <= last; ++i) {
    if (i > 0) out += ",";
    out += "\n{\"fall\":" + std::to_string(s.FallCount[i]) + ",\"trail\":[";
    for (int k = 0; k < kTrailSlots; ++k) {
      if (k > 0) out += ",";
      out += "[" + std::to_string(s.TrailX.At(k, i)) + "," + std::to_string(s.TrailY.At(k, i)) + "]";
    }
    out += "]}";
  }
  out += "]}\n";
  return out;
}

}  // namespace kal::render
