// The native Linux program: the X11 platform and the shared logic.
#include <X11/Xlib.h>

#include <string>

#include "platform/posix/Arguments.h"
#include "platform/x11/X11Platform.h"
#include "startup/Run.h"

int main(int argc, char** argv) {
  // `kalvessa /s` behaves like the Windows saver started with "/s".
  auto platform = kal::x11::X11Platform::Open(kal::JoinArguments(argc, argv));
  if (!platform) {
    const char* name = XDisplayName(nullptr);
    kal::x11::X11Platform::WriteReport(name != nullptr && name[0] != '\0'
                                           ? std::string("cannot open display \"") + name + "\""
                                           : std::string("cannot open display (DISPLAY is not set)"));
    return 1;
  }
  return kal::RunProgram(*platform);
}
