// The native Linux program: the shared logic on the window system the
// session runs (platform/linux's table), or the one KALVESSA_PLATFORM names.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Assets.h"
#include "platform/linux/WindowSystems.h"
#include "platform/posix/Arguments.h"
#include "platform/posix/PosixProcess.h"
#include "startup/Hosted.h"
#include "startup/HostedOptions.h"
#include "startup/Run.h"

#ifndef KAL_VERSION
#define KAL_VERSION "0"
#endif

namespace {

using kal::linux_desktop::WindowSystemEntry;

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

kal::WindowArt ProgramArt() {
  return kal::WindowArt{kal::assets::Find(kal::assets::kProgramIcon),
                        kal::assets::Find(kal::assets::kHandPointer)};
}

int PrintVersion() {
  std::printf("kalvessa %s\n", KAL_VERSION);
  for (const WindowSystemEntry& e : kal::linux_desktop::WindowSystems()) {
    std::printf("window system: %.*s\n", static_cast<int>(e.name.size()), e.name.data());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
  const kal::HostedOptions options = kal::ParseHostedOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
  if (options.mode == kal::HostedOptions::Mode::Help) {
    std::fputs(kal::HostedUsage("kalvessa").c_str(), stdout);
    return 0;
  }
  if (options.mode == kal::HostedOptions::Mode::Version) return PrintVersion();
  if (options.mode == kal::HostedOptions::Mode::Error) {
    kal::PosixProcess::WriteReport(options.error);
    std::fputs(kal::HostedUsage("kalvessa").c_str(), stderr);
    return 2;
  }
  const bool hosted = options.mode == kal::HostedOptions::Mode::Draw;
  if (hosted) EndOnSignals();

  // Another program's window is an X window: --root and --window-id are X11's.
  const auto table = kal::linux_desktop::WindowSystems();
  const WindowSystemEntry* entry = nullptr;
  if (hosted) {
    entry = kal::linux_desktop::FindWindowSystem(table, "x11");
  } else {
    kal::linux_desktop::WindowSystemChoice choice =
        kal::linux_desktop::ChooseWindowSystem(table, [](const char* name) { return std::getenv(name); });
    if (!choice.entry) {
      kal::PosixProcess::WriteReport(choice.error);
      return 2;
    }
    entry = choice.entry;
  }
  std::string error;
  // `kalvessa /s` behaves like the Windows saver started with "/s".
  auto platform = entry ? entry->open(kal::JoinArguments(argc, argv), ProgramArt(), error) : nullptr;
  if (!platform) {
    kal::PosixProcess::WriteReport(entry ? error : "this build has no X11 for --root and --window-id");
    return 1;
  }
  if (hosted) {
    if (!options.warning.empty()) kal::PosixProcess::WriteReport(options.warning);
    const kal::Handle window = options.window.value_or(platform->Windows().BackgroundWindow());
    return kal::RunHostedSaver(*platform, window, options.count);
  }
  return kal::RunProgram(*platform);
}
