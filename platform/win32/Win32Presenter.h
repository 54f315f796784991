// Puts what changed on a window's Canvas on the window: the changed tiles
// become the clip region of one copy of the canvas, so the system copies
// only their pixels, in one call however many there are.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/Canvas.h"

namespace kal::win32 {

class Presenter {
 public:
  // Sends the canvas's changed tiles to dc (the window's own DC, whose clip
  // region it leaves empty) and forgets them.
  void Push(HDC dc, Canvas& canvas);

 private:
  // The clip region's data (header, then the changed tile runs), kept
  // between pushes: no allocation once it has grown.
  std::vector<RECT> region_;
};

}  // namespace kal::win32
