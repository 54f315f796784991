// The lock that keeps a second saver or settings dialog of the same user on
// the same display out, held for the process's life.
#pragma once

#include <string>

namespace kal {

// Locks $XDG_RUNTIME_DIR/kalvessa-<display>.lock (or a per-user file in /tmp
// without a runtime folder) and keeps it open; false only when another
// process holds it. A lock that cannot be made keeps nobody out.
bool HoldInstanceLock(const std::string& display);

}  // namespace kal
