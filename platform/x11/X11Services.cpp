// What the X11 window system offers the settings dialog: the pointer and text.
#include "platform/posix/FreeTypeText.h"
#include "platform/x11/X11WindowSystem.h"

namespace kal::x11 {

bool X11WindowSystem::GetCursorPos(int& x, int& y) {
  Window rootOut = 0, child = 0;
  int wx = 0, wy = 0;
  unsigned mask = 0;
  return XQueryPointer(display(), root(), &rootOut, &child, &x, &y, &wx, &wy, &mask) == True;
}

TextRenderer& X11WindowSystem::Text() {
  if (!text_) text_ = std::make_unique<FreeTypeText>();
  return *text_;
}

}  // namespace kal::x11
