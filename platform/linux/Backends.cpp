// The table of window systems: one row each. A window system is its folder
// under platform/ and its row here.
#include <cstdlib>

#include "platform/linux/WindowSystems.h"
#include "platform/posix/Features.h"
#include "platform/posix/InstanceLock.h"
#include "platform/posix/PosixDesktop.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcess.h"
#include "platform/x11/Features.h"
#include "platform/x11/X11WindowSystem.h"
#ifdef KAL_HAVE_WAYLAND
#include "platform/wayland/Features.h"
#include "platform/wayland/WaylandWindowSystem.h"
#endif

namespace kal::linux_desktop {
namespace {

// A window system with the services every Linux session shares.
template <class System>
class Composed final : public LinuxPlatform {
 public:
  Composed(std::unique_ptr<System> windows, std::string commandLine, std::vector<std::string> lockKeys,
           Features features)
      : windows_(std::move(windows)),
        desktop_(std::move(lockKeys)),
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

// The lock of the display shown on and of every display the session names.
std::vector<std::string> LockKeys(DisplayKind kind, const std::string& address) {
  return SessionLockKeys(
      kind, address, [](const char* name) { return std::getenv(name); }, CurrentLockEnvironment());
}

std::unique_ptr<LinuxPlatform> OpenX11(std::string commandLine, const WindowArt& art, std::string& error) {
  std::unique_ptr<x11::X11WindowSystem> windows = x11::X11WindowSystem::Open(art);
  if (!windows) {
    const char* name = XDisplayName(nullptr);
    error = name != nullptr && name[0] != '\0' ? std::string("cannot open display \"") + name + "\""
                                               : std::string("cannot open display (DISPLAY is not set)");
    return nullptr;
  }
  std::vector<std::string> keys = LockKeys(DisplayKind::kX11, windows->DisplayName());
  return std::make_unique<Composed<x11::X11WindowSystem>>(
      std::move(windows), std::move(commandLine), std::move(keys), x11::kX11Features | kPosixDesktopFeatures);
}

#ifdef KAL_HAVE_WAYLAND
std::unique_ptr<LinuxPlatform> OpenWayland(std::string commandLine, const WindowArt& art,
                                           std::string& error) {
  std::unique_ptr<wayland::WaylandWindowSystem> windows = wayland::WaylandWindowSystem::Open(art, error);
  if (!windows) return nullptr;
  std::vector<std::string> keys = LockKeys(DisplayKind::kWayland, windows->SocketName());
  return std::make_unique<Composed<wayland::WaylandWindowSystem>>(
      std::move(windows), std::move(commandLine), std::move(keys),
      wayland::kWaylandFeatures | kPosixDesktopFeatures);
}
#endif

constexpr WindowSystemEntry kTable[] = {
#ifdef KAL_HAVE_WAYLAND
    {"wayland", "WAYLAND_DISPLAY", OpenWayland},
#endif
    {"x11", "DISPLAY", OpenX11},
};

}  // namespace

std::span<const WindowSystemEntry> WindowSystems() { return kTable; }

}  // namespace kal::linux_desktop
