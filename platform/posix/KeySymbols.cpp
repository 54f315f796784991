#include "platform/posix/KeySymbols.h"

#include <X11/keysym.h>

namespace kal {

int KeyCodeOfKeysym(std::uint32_t ks) {
  if (ks >= XK_a && ks <= XK_z) return static_cast<int>(ks - XK_a) + 'A';
  if (ks >= XK_A && ks <= XK_Z) return static_cast<int>(ks - XK_A) + 'A';
  if (ks >= XK_0 && ks <= XK_9) return static_cast<int>(ks - XK_0) + '0';
  if (ks >= XK_F1 && ks <= XK_F24) return static_cast<int>(ks - XK_F1) + 0x70;
  if (ks >= XK_KP_0 && ks <= XK_KP_9) return static_cast<int>(ks - XK_KP_0) + 0x60;
  switch (ks) {
    case XK_BackSpace:
      return 0x08;
    case XK_Tab:
      return 0x09;
    case XK_Return:
    case XK_KP_Enter:
      return 0x0D;
    case XK_Shift_L:
    case XK_Shift_R:
      return 0x10;
    case XK_Control_L:
    case XK_Control_R:
      return 0x11;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
      return 0x12;
    case XK_Pause:
      return 0x13;
    case XK_Caps_Lock:
      return 0x14;
    case XK_Escape:
      return 0x1B;
    case XK_space:
      return 0x20;
    case XK_Prior:
      return 0x21;
    case XK_Next:
      return 0x22;
    case XK_End:
      return 0x23;
    case XK_Home:
      return 0x24;
    case XK_Left:
      return 0x25;
    case XK_Up:
      return 0x26;
    case XK_Right:
      return 0x27;
    case XK_Down:
      return 0x28;
    case XK_Insert:
      return 0x2D;
    case XK_Delete:
      return 0x2E;
    case XK_Super_L:
      return 0x5B;
    case XK_Super_R:
      return 0x5C;
    default:
      return static_cast<int>(ks & 0xFFFF);
  }
}

}  // namespace kal
