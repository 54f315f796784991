// A key as the logic knows it from its X keysym, which X11 and XKB (every
// Wayland compositor's keyboard) share: the desktop's virtual-key numbers
// for letters, digits and the common keys; other keys pass their keysym's
// low 16 bits.
#pragma once

#include <cstdint>

namespace kal {

// `keysym`: the key's symbol without modifiers (the first level of its
// layout): Shift+1 is '1', not '!' (whose code would be Page Up's).
int KeyCodeOfKeysym(std::uint32_t keysym);

}  // namespace kal
