// The settings dialog drawn on the in-memory backend, as a desktop shows it.
#pragma once

#include "tools/render/RenderOptions.h"

namespace kal::render {

// Loads the dialog with the stored count o.count, runs o.ticks banner ticks and
// writes the client area (--png) or the banner's animation (--gif).
int RunDialog(const RenderOptions& o);

}  // namespace kal::render
