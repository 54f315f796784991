#include "platform/wayland/KeyCodes.h"

#include <gtest/gtest.h>

namespace kal::wayland {
namespace {

// The keys the logic tells apart reach it with the codes the other desktops
// give: any key ends the saver, and the dialog's bar moves with the arrows,
// Page Up/Down, Home and End, and Tab moves the focus.
TEST(WaylandKeys, SymbolsBecomeTheLogicsKeyCodes) {
  const struct {
    xkb_keysym_t symbol;
    int code;
  } cases[] = {
      {XKB_KEY_a, 'A'},           {XKB_KEY_Z, 'Z'},          {XKB_KEY_0, '0'},
      {XKB_KEY_9, '9'},           {XKB_KEY_F1, 0x70},        {XKB_KEY_F12, 0x7B},
      {XKB_KEY_KP_5, 0x65},       {XKB_KEY_Tab, 0x09},       {XKB_KEY_Return, 0x0D},
      {XKB_KEY_KP_Enter, 0x0D},   {XKB_KEY_Escape, 0x1B},    {XKB_KEY_space, 0x20},
      {XKB_KEY_Prior, 0x21},      {XKB_KEY_Next, 0x22},      {XKB_KEY_End, 0x23},
      {XKB_KEY_Home, 0x24},       {XKB_KEY_Left, 0x25},      {XKB_KEY_Up, 0x26},
      {XKB_KEY_Right, 0x27},      {XKB_KEY_Down, 0x28},      {XKB_KEY_Shift_R, 0x10},
      {XKB_KEY_Control_L, 0x11},  {XKB_KEY_Alt_L, 0x12},     {XKB_KEY_Delete, 0x2E},
      {XKB_KEY_Super_L, 0x5B},    {XKB_KEY_BackSpace, 0x08}, {XKB_KEY_Caps_Lock, 0x14},
      {XKB_KEY_adiaeresis, 0xE4},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyCodeOf(c.symbol), c.code) << std::hex << c.symbol;
}

TEST(WaylandKeys, ModifiersAndButtonsAreNumberedAsTheLogicKnowsThem) {
  EXPECT_EQ(ShiftStateOf(false, false, false), 0);
  EXPECT_EQ(ShiftStateOf(true, false, true), 5);
  EXPECT_EQ(ShiftStateOf(true, true, true), 7);
  const struct {
    std::uint32_t evdev;
    int button;
  } buttons[] = {{0x110, 1}, {0x111, 2}, {0x112, 4}, {0x113, 0}, {0x114, 0}, {0, 0}};
  for (const auto& b : buttons) EXPECT_EQ(LogicButton(b.evdev), b.button) << std::hex << b.evdev;
}

}  // namespace
}  // namespace kal::wayland
