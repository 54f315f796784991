#include "platform/win32/BrushCache.h"

namespace kal::win32 {

BrushCache::~BrushCache() {
  for (int i = 0; i < used_; ++i) DeleteObject(slots_[i].brush);
}

HBRUSH BrushCache::Get(Color color) {
  color &= 0x00FFFFFF;
  for (int i = 0; i < used_; ++i) {
    if (slots_[i].color == color) return slots_[i].brush;
  }
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(color));
  if (!brush) return nullptr;
  Slot* slot;
  if (used_ < kSlots) {
    slot = &slots_[used_++];
  } else {
    // More colours than slots: reuse the slots in turn.
    slot = &slots_[nextVictim_];
    nextVictim_ = (nextVictim_ + 1) % kSlots;
    DeleteObject(slot->brush);
  }
  *slot = Slot{color, brush};
  return brush;
}

}  // namespace kal::win32
