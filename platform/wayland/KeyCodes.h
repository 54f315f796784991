// Keys as the logic knows them: the desktop's virtual-key numbers for
// letters, digits and the common keys (the X11 backend maps the same
// symbols the same way; XKB's keysyms are X's), the shift state as
// 1 Shift, 2 Ctrl, 4 Alt, and buttons as 1 left, 2 right, 4 middle.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>

namespace kal::wayland {

// `symbol`: the key's symbol without modifiers (the first level of its
// layout), as X11's XLookupKeysym(event, 0) gives it: Shift+1 is '1', not
// '!' (whose code would be Page Up's). Other keys pass their keysym's low 16 bits.
int KeyCodeOf(xkb_keysym_t symbol);
int ShiftStateOf(bool shift, bool control, bool alt);
// An evdev button code (BTN_LEFT 0x110 ...) as the logic's number; 0 for
// the others (side and extra buttons), which are no clicks.
int LogicButton(std::uint32_t evdevButton);

}  // namespace kal::wayland
