// The pictures a window system shows for the program outside the windows'
// own drawing: the icon on its windows and the hand pointer. The program's
// entry point hands them to its backend: the platform carries no picture.
#pragma once

#include <cstdint>
#include <span>

namespace kal {

struct WindowArt {
  std::span<const std::uint8_t> programIcon;  // a .ico file; empty: the system's default
  std::span<const std::uint8_t> handPointer;  // a .cur file; empty: the system's hand, if any
};

}  // namespace kal
