#include "platform/wayland/KeyCodes.h"

namespace kal::wayland {
namespace {

// linux/input-event-codes.h, which a client need not include for three numbers.
constexpr std::uint32_t kButtonLeft = 0x110, kButtonRight = 0x111, kButtonMiddle = 0x112;

}  // namespace

int KeyCodeOf(xkb_keysym_t ks) {
  if (ks >= XKB_KEY_a && ks <= XKB_KEY_z) return static_cast<int>(ks - XKB_KEY_a) + 'A';
  if (ks >= XKB_KEY_A && ks <= XKB_KEY_Z) return static_cast<int>(ks - XKB_KEY_A) + 'A';
  if (ks >= XKB_KEY_0 && ks <= XKB_KEY_9) return static_cast<int>(ks - XKB_KEY_0) + '0';
  if (ks >= XKB_KEY_F1 && ks <= XKB_KEY_F24) return static_cast<int>(ks - XKB_KEY_F1) + 0x70;
  if (ks >= XKB_KEY_KP_0 && ks <= XKB_KEY_KP_9) return static_cast<int>(ks - XKB_KEY_KP_0) + 0x60;
  switch (ks) {
    case XKB_KEY_BackSpace:
      return 0x08;
    case XKB_KEY_Tab:
      return 0x09;
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
      return 0x0D;
    case XKB_KEY_Shift_L:
    case XKB_KEY_Shift_R:
      return 0x10;
    case XKB_KEY_Control_L:
    case XKB_KEY_Control_R:
      return 0x11;
    case XKB_KEY_Alt_L:
    case XKB_KEY_Alt_R:
    case XKB_KEY_Meta_L:
    case XKB_KEY_Meta_R:
      return 0x12;
    case XKB_KEY_Pause:
      return 0x13;
    case XKB_KEY_Caps_Lock:
      return 0x14;
    case XKB_KEY_Escape:
      return 0x1B;
    case XKB_KEY_space:
      return 0x20;
    case XKB_KEY_Prior:
      return 0x21;
    case XKB_KEY_Next:
      return 0x22;
    case XKB_KEY_End:
      return 0x23;
    case XKB_KEY_Home:
      return 0x24;
    case XKB_KEY_Left:
      return 0x25;
    case XKB_KEY_Up:
      return 0x26;
    case XKB_KEY_Right:
      return 0x27;
    case XKB_KEY_Down:
      return 0x28;
    case XKB_KEY_Insert:
      return 0x2D;
    case XKB_KEY_Delete:
      return 0x2E;
    case XKB_KEY_Super_L:
      return 0x5B;
    case XKB_KEY_Super_R:
      return 0x5C;
    default:
      return static_cast<int>(ks & 0xFFFF);
  }
}

int ShiftStateOf(bool shift, bool control, bool alt) {
  return (shift ? 1 : 0) | (control ? 2 : 0) | (alt ? 4 : 0);
}

int LogicButton(std::uint32_t button) {
  return button == kButtonLeft ? 1 : button == kButtonRight ? 2 : button == kButtonMiddle ? 4 : 0;
}

}  // namespace kal::wayland
