// The X11 window system's checklist (with the shared Linux services of
// platform/posix/Features.h beside it):
//
//   [x] several monitors           XRandR 1.5 monitors, else Xinerama, else the screen
//   [x] high-DPI scaling           Xft.dpi of 144 and more shows designed windows enlarged
//   [x] windows found by caption   _NET_WM_NAME / WM_NAME of the root's children and frames
//   [x] embedding into a host      XReparentWindow into any client's window (the preview)
//   [x] adopting a window          drawing into a daemon's window or the root
//   [x] the pointer's position     XQueryPointer
//   [ ] caption zoom               no such animation
#pragma once

#include "platform/Features.h"

namespace kal::x11 {

inline constexpr Features kX11Features{Feature::kSeveralMonitors,     Feature::kHighDpiScaling,
                                       Feature::kFindWindowByCaption, Feature::kEmbedWindow,
                                       Feature::kAdoptWindow,         Feature::kPointerPosition};

}  // namespace kal::x11
