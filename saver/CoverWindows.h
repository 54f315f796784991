// Black windows over every monitor but the primary: the saver animates the
// primary only, and nothing of the desktop may show on the others. Their
// input goes to the saver's own handler, in the saver window's coordinates.
#pragma once

#include <memory>
#include <vector>

#include "platform/WindowSystem.h"

namespace kal {

class CoverWindows {
 public:
  // `target` hears every cover's keys, clicks, moves and close requests.
  CoverWindows(WindowSystem& windows, WindowHandler& target);
  ~CoverWindows();
  CoverWindows(const CoverWindows&) = delete;
  CoverWindows& operator=(const CoverWindows&) = delete;

  // Covers monitors[1..] (monitors[0] is the primary, where the saver window
  // is): moves the covers there are, makes the missing ones shown and
  // topmost, unloads the ones left over. A monitor inside the primary (a
  // mirror) is not covered: that would hide the saver.
  void Arrange(const std::vector<PixelRect>& monitors);
  // The rectangles covered now, in monitor order.
  std::vector<PixelRect> Covered() const;

 private:
  class Cover;
  WindowSystem& windows_;
  WindowHandler& target_;
  std::vector<std::unique_ptr<Cover>> covers_;
};

}  // namespace kal
