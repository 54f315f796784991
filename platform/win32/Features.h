// The Win32 backend's checklist:
//
//   [x] several monitors           EnumDisplayMonitors, WM_DISPLAYCHANGE and a look once a second
//   [x] high-DPI scaling           LOGPIXELSY of 144 and more shows designed windows enlarged
//   [x] windows found by caption   FindWindowW
//   [x] embedding into a host      WS_CHILD and SetParent into the display settings' preview
//   [ ] adopting a window          Windows starts a saver in a window of its own
//   [x] the pointer's position     GetCursorPos
//   [x] caption zoom               DrawAnimatedRects with IDANI_CAPTION
//   [x] the system's version       GetVersionExA
//   [x] screen-saver passwords     mpr's PwdChangePasswordA, password.cpl's VerifyScreenSavePwd
//                                  (only the consumer platform has the latter)
//   [x] screen-saver flags         SystemParametersInfoA 97 and 17
//   [x] message boxes              MessageBoxW
//   [x] opening addresses          ShellExecuteW "open"
//   [x] the instance lock          a named mutex of the session
#pragma once

#include "platform/Features.h"

namespace kal::win32 {

inline constexpr Features kWin32Features = Features::All().Without(Feature::kAdoptWindow);

}  // namespace kal::win32
