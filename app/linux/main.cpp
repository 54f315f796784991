// The native Linux program: the X11 platform and the shared logic.
#include <X11/Xlib.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/Arguments.h"
#include "platform/x11/X11Platform.h"
#include "saver/HostedSaver.h"
#include "startup/HostedOptions.h"
#include "startup/Run.h"

namespace {

// The daemon ends its programs with SIGTERM (and a terminal with SIGINT): an
// ordinary end. Nothing is left to save, and the server frees the windows and
// images of a closed connection; shared memory is marked for removal already.
void EndOnSignal(int) { ::_exit(0); }

void EndOnSignals() {
  struct sigaction action {};
  action.sa_handler = EndOnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
  const kal::HostedOptions options = kal::ParseHostedOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
  if (options.mode == kal::HostedOptions::Mode::Help) {
    std::fputs(kal::HostedUsage("kalvessa").c_str(), stdout);
    return 0;
  }
  if (options.mode == kal::HostedOptions::Mode::Error) {
    kal::x11::X11Platform::WriteReport(options.error);
    std::fputs(kal::HostedUsage("kalvessa").c_str(), stderr);
    return 2;
  }
  const bool hosted = options.mode == kal::HostedOptions::Mode::Draw;
  if (hosted) EndOnSignals();

  // `kalvessa /s` behaves like the Windows saver started with "/s".
  auto platform = kal::x11::X11Platform::Open(kal::JoinArguments(argc, argv));
  if (!platform) {
    const char* name = XDisplayName(nullptr);
    kal::x11::X11Platform::WriteReport(name != nullptr && name[0] != '\0'
                                           ? std::string("cannot open display \"") + name + "\""
                                           : std::string("cannot open display (DISPLAY is not set)"));
    return 1;
  }
  if (hosted) {
    if (!options.warning.empty()) kal::x11::X11Platform::WriteReport(options.warning);
    const kal::Handle window = options.window.value_or(static_cast<kal::Handle>(platform->root()));
    return kal::RunHostedSaver(*platform, window, options.count);
  }
  return kal::RunProgram(*platform);
}
