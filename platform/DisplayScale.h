// High-DPI displays: a window designed in pixels (the settings dialog) is
// shown an integer number of times larger, each of its pixels a k x k block,
// so it keeps its designed look and size on the desk. The logic draws and
// hit-tests at the designed size; only the backends see the display's pixels.
#pragma once

#include "platform/Canvas.h"

namespace kal {

// The scale for a display of `dpi` dots per inch: 96 → 1, 144 and 192 → 2,
// 288 → 3; never below 1, never above 4.
int ScaleForDpi(float dpi);

// The designed canvas (what the logic draws on) and, at a scale above 1, the
// enlarged copy the backend shows. At scale 1 both are the same canvas.
class ScaledCanvas {
 public:
  ScaledCanvas() { designed_.EnableDirtyTracking(true); }

  void SetScale(int scale);
  int scale() const { return scale_; }
  Canvas& designed() { return designed_; }
  const Canvas& designed() const { return designed_; }
  // What goes on the screen: the display's pixels.
  Canvas& shown() { return scale_ > 1 ? shown_ : designed_; }

  // A new size of the window in display pixels: the designed canvas gets the
  // part it covers whole, rounded up.
  void Resize(int displayWidth, int displayHeight, Color fill);
  // Enlarges what changed on the designed canvas into the shown one.
  void Sync();
  bool HasDirty() const { return designed_.HasDirty() || (scale_ > 1 && shown_.HasDirty()); }
  // A display coordinate in designed pixels.
  float ToDesigned(float displayCoordinate) const { return displayCoordinate / static_cast<float>(scale_); }
  // Pointer positions arrive as whole pixels, exact in a float.
  float ToDesigned(int displayCoordinate) const { return ToDesigned(static_cast<float>(displayCoordinate)); }

 private:
  int scale_ = 1;
  Canvas designed_;
  Canvas shown_;
};

}  // namespace kal
