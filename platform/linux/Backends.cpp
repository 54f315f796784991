// The table of window systems: one row each. A window system is its folder
// under platform/ and its row here.
#include "platform/linux/WindowSystems.h"
#include "platform/posix/Features.h"
#include "platform/posix/PosixDesktop.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcess.h"
#include "platform/x11/Features.h"
#include "platform/x11/X11WindowSystem.h"

namespace kal::linux_desktop {
namespace {

// A window system with the services every Linux session shares.
template <class System>
class Composed final : public LinuxPlatform {
 public:
  Composed(std::unique_ptr<System> windows, std::string commandLine, std::string display, Features features)
      : windows_(std::move(windows)),
        desktop_(std::move(display)),
        process_(std::move(commandLine), [w = windows_.get()] { w->Sync(); }),
        features_(features) {
    windows_->AttachProcess(process_);
  }
  WindowSystem& Windows() override { return *windows_; }
  FileSystem& Files() override { return files_; }
  DesktopServices& Desktop() override { return desktop_; }
  ProcessServices& Process() override { return process_; }
  Features features() const override { return features_; }

 private:
  std::unique_ptr<System> windows_;
  PosixFileSystem files_;
  PosixDesktop desktop_;
  PosixProcess process_;
  Features features_;
};

std::unique_ptr<LinuxPlatform> OpenX11(std::string commandLine, const WindowArt& art, std::string& error) {
  std::unique_ptr<x11::X11WindowSystem> windows = x11::X11WindowSystem::Open(art);
  if (!windows) {
    const char* name = XDisplayName(nullptr);
    error = name != nullptr && name[0] != '\0' ? std::string("cannot open display \"") + name + "\""
                                               : std::string("cannot open display (DISPLAY is not set)");
    return nullptr;
  }
  const std::string display = windows->DisplayName();
  return std::make_unique<Composed<x11::X11WindowSystem>>(std::move(windows), std::move(commandLine), display,
                                                          x11::kX11Features | kPosixDesktopFeatures);
}

constexpr WindowSystemEntry kTable[] = {
    {"x11", "DISPLAY", OpenX11},
};

}  // namespace

std::span<const WindowSystemEntry> WindowSystems() { return kTable; }

}  // namespace kal::linux_desktop
