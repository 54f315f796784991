// xprobe preview-host: a host window for the preview protocol.
#pragma once

#include <X11/Xlib.h>

namespace xprobe {

// argv: W H SECONDS [--resize W2 H2] -- PROGRAM ARGS... ("{}" in ARGS is the
// host's id in decimal, "{x}" in hexadecimal). See PreviewHost.cpp.
int PreviewHost(Display* display, int argc, char** argv);

}  // namespace xprobe
