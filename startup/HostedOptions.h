// The command line of the program as the Linux screen-saver daemon runs it
// (`kalvessa --root`, `kalvessa --window-id 0x1e00007 --count 300`), beside the
// desktop switches (/s, /c, /p HANDLE) that start-up reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace kal {

struct HostedOptions {
  enum class Mode {
    Switches,  // not ours: the desktop switches, read by start-up unchanged
    Draw,      // draw into `window` (or the root window when it is empty)
    Help,      // usage on stdout, exit 0
    Version,   // the version and the window systems on stdout, exit 0
    Error,     // `error` and the usage on stderr, exit 2
  };
  Mode mode = Mode::Switches;
  // The window to draw into; nullopt: the screen's root window.
  std::optional<Handle> window;
  // --count: the particle count for this run instead of the settings file's.
  std::optional<std::int16_t> count;
  // Error: what was wrong, one line. Draw: a warning to show (may be empty).
  std::string error;
  std::string warning;
};

inline constexpr int kHostedCountMin = 100;
inline constexpr int kHostedCountMax = 500;

// args: argv[1..]. xscreensaverWindow: $XSCREENSAVER_WINDOW, or null when unset.
// The daemon's programs' conventions: --root draws on the root window unless
// $XSCREENSAVER_WINDOW names a window; --window-id names one outright and wins.
// Each option also takes one dash (-root) and the value after "=".
HostedOptions ParseHostedOptions(const std::vector<std::string>& args, const char* xscreensaverWindow);

// A window id: decimal or 0x-hexadecimal, nothing else around it but blanks,
// at most 32 bits. nullopt for anything else.
std::optional<Handle> ParseWindowId(std::string_view text);

// The usage text, lines ending in "\n".
std::string HostedUsage(std::string_view program);

}  // namespace kal
