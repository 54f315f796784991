// Cursors and window icons made from the program's pictures (Xcursor reads
// no .cur files, and X takes icons as pixels).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <span>

namespace kal::x11 {

// A pointer from a .cur file, with its hot spot; 0 if it cannot be made, and
// the caller keeps the default pointer.
Cursor MakeCursorFromFile(Display* display, std::span<const std::uint8_t> curFile);

// An icon from a .ico file as the window's _NET_WM_ICON.
void SetIconFromFile(Display* display, Window window, std::span<const std::uint8_t> icoFile);

}  // namespace kal::x11
