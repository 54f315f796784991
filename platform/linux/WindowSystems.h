// The Linux program's window systems: a table with one row per window system
// built in, and the rule that picks one when the program starts.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "platform/WindowArt.h"

namespace kal::linux_desktop {

// A platform that owns its window system and the shared Linux services.
class LinuxPlatform : public Platform {
 public:
  ~LinuxPlatform() override = default;
};

struct WindowSystemEntry {
  std::string_view name;  // as KALVESSA_PLATFORM and --version spell it
  // The variable that names a session of this window system (its display).
  std::string_view sessionVariable;
  // Connects to the session; nullptr and `error` (one line) when it cannot.
  std::unique_ptr<LinuxPlatform> (*open)(std::string commandLine, const WindowArt& art, std::string& error);
};

// Every window system this build has, in the order they are preferred.
std::span<const WindowSystemEntry> WindowSystems();

// The variable that overrides the choice.
inline constexpr std::string_view kPlatformVariable = "KALVESSA_PLATFORM";

struct WindowSystemChoice {
  const WindowSystemEntry* entry = nullptr;  // nullptr: `error` says why
  std::string error;
};

// KALVESSA_PLATFORM names one outright (an unknown name is an error);
// otherwise the first whose session variable is set, else the last (which
// then says it cannot connect). `getenv` reads the environment.
WindowSystemChoice ChooseWindowSystem(std::span<const WindowSystemEntry> table,
                                      const std::function<const char*(const char*)>& getenv);

// The row named `name`, or nullptr.
const WindowSystemEntry* FindWindowSystem(std::span<const WindowSystemEntry> table, std::string_view name);

}  // namespace kal::linux_desktop
