// Runs a piece of the program on the memory backend until it returns or ends
// the process, and says which.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/memory/MemoryPlatform.h"

namespace kal {

struct RunOutcome {
  bool processEnded = false;
  int exitCode = 0;
};

template <class F>
RunOutcome RunUntilEnd(F&& f) {
  try {
    f();
  } catch (const ProcessEnded& e) {
    return {true, e.exitCode};
  }
  return {};
}

// The calls that start with prefix, in order.
inline std::vector<std::string> CallsStartingWith(const MemoryPlatform& p, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& c : p.calls)
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  return out;
}

inline long IndexOfCall(const MemoryPlatform& p, const std::string& call) {
  auto it = std::find(p.calls.begin(), p.calls.end(), call);
  return it == p.calls.end() ? -1 : static_cast<long>(it - p.calls.begin());
}

}  // namespace kal
