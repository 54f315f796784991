// Solid GDI brushes by colour, kept for the life of their window: the saver
// paints with a handful of constant colours thousands of times a second.
#pragma once

#include <windows.h>

#include "platform/Types.h"

namespace kal::win32 {

class BrushCache {
 public:
  BrushCache() = default;
  ~BrushCache();
  BrushCache(const BrushCache&) = delete;
  BrushCache& operator=(const BrushCache&) = delete;

  // A brush of the colour (red + 256 * green + 65536 * blue, i.e. a COLORREF);
  // null only if GDI is out of objects.
  HBRUSH Get(Color color);

 private:
  static constexpr int kSlots = 16;
  struct Slot {
    Color color = 0;
    HBRUSH brush = nullptr;
  };
  Slot slots_[kSlots];
  int used_ = 0;
  int nextVictim_ = 0;
};

}  // namespace kal::win32
