#include "platform/wayland/KeyCodes.h"

#include "platform/posix/KeySymbols.h"

namespace kal::wayland {
namespace {

// linux/input-event-codes.h, which a client need not include for three numbers.
constexpr std::uint32_t kButtonLeft = 0x110, kButtonRight = 0x111, kButtonMiddle = 0x112;

}  // namespace

int KeyCodeOf(xkb_keysym_t symbol) { return KeyCodeOfKeysym(symbol); }

int ShiftStateOf(bool shift, bool control, bool alt) {
  return (shift ? 1 : 0) | (control ? 2 : 0) | (alt ? 4 : 0);
}

int LogicButton(std::uint32_t button) {
  return button == kButtonLeft ? 1 : button == kButtonRight ? 2 : button == kButtonMiddle ? 4 : 0;
}

}  // namespace kal::wayland
