// Cursors and window icons made from the program's pictures (Xcursor reads
// no .cur files, and X takes icons as pixels).
#pragma once

#include <X11/Xlib.h>

namespace kal::x11 {

// The hand pointer (assets' hand-pointer.cur) with its hot spot; 0 if it
// cannot be made, and the caller keeps the default pointer.
Cursor MakeHandCursor(Display* display);

// The program icon as the window's _NET_WM_ICON.
void SetProgramIcon(Display* display, Window window);

}  // namespace kal::x11
