// The settings dialog and its message window drawn on the in-memory backend,
// as a desktop shows them.
#pragma once

#include "tools/render/RenderOptions.h"

namespace kal::render {

// Loads the dialog with the stored count o.count, runs o.ticks banner ticks and
// writes the client area (--png) or the banner's animation (--gif).
int RunDialog(const RenderOptions& o);

// The message window of a refused save saying o.message: its client area (--png).
int RunMessage(const RenderOptions& o);

}  // namespace kal::render
