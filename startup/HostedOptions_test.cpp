#include "startup/HostedOptions.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

using Mode = HostedOptions::Mode;

TEST(HostedOptions, ReadsTheDaemonsConventionsAndLeavesTheDesktopSwitchesAlone) {
  const std::optional<Handle> root;            // the screen's root window
  const std::optional<std::int16_t> settings;  // the settings file's count
  const struct {
    std::vector<std::string> args;
    const char* env;  // XSCREENSAVER_WINDOW
    Mode mode;
    std::optional<Handle> window;
    std::optional<std::int16_t> count;
    bool warns;
  } cases[] = {
      // The desktop's switches and any single-dash word that is not ours: start-up's.
      {{}, "0x42", Mode::Switches, root, settings, false},
      {{"/s"}, nullptr, Mode::Switches, root, settings, false},
      {{"-s"}, nullptr, Mode::Switches, root, settings, false},
      {{"/p", "123"}, "0x42", Mode::Switches, root, settings, false},
      {{"/s", "--count", "300"}, nullptr, Mode::Switches, root, settings, false},
      {{"-rooted"}, nullptr, Mode::Switches, root, settings, false},
      // The root window, unless the daemon's variable names a window.
      {{"--root"}, nullptr, Mode::Draw, root, settings, false},
      {{"-root"}, "", Mode::Draw, root, settings, false},
      {{"--root"}, "0x1e00007", Mode::Draw, 0x1e00007, settings, false},
      {{"--root"}, " 31457287 ", Mode::Draw, 31457287, settings, false},
      {{"--root"}, "window", Mode::Draw, root, settings, true},
      {{"--root"}, "0x100000000", Mode::Draw, root, settings, true},
      // A window named outright wins over the variable.
      {{"--window-id", "0x2A"}, "0x1e00007", Mode::Draw, 42, settings, false},
      {{"--root", "-window-id", "42"}, "0x99", Mode::Draw, 42, settings, false},
      {{"--window-id=0XfFfFfFfF"}, nullptr, Mode::Draw, 0xFFFFFFFF, settings, false},
      {{"--window-id", "0"}, nullptr, Mode::Draw, 0, settings, false},  // names no window: found later
      {{"--window-id", "4294967296"}, nullptr, Mode::Error, root, settings, false},
      {{"--window-id", "0x1ffffffff"}, nullptr, Mode::Error, root, settings, false},
      {{"--window-id", "99999999999999999999999"}, nullptr, Mode::Error, root, settings, false},
      {{"--window-id", "12abc"}, nullptr, Mode::Error, root, settings, false},
      {{"--window-id", "0x"}, nullptr, Mode::Error, root, settings, false},
      {{"--window-id", "-5"}, nullptr, Mode::Error, root, settings, false},
      {{"--window-id"}, nullptr, Mode::Error, root, settings, false},
      // The count, 100 to 500.
      {{"--root", "--count", "100"}, nullptr, Mode::Draw, root, 100, false},
      {{"-count", "500", "-root"}, nullptr, Mode::Draw, root, 500, false},
      {{"--root", "--count=250"}, nullptr, Mode::Draw, root, 250, false},
      {{"--root", "--count", "99"}, nullptr, Mode::Error, root, settings, false},
      {{"--root", "--count", "501"}, nullptr, Mode::Error, root, settings, false},
      {{"--root", "--count", "70000"}, nullptr, Mode::Error, root, settings, false},
      {{"--root", "--count", "2e2"}, nullptr, Mode::Error, root, settings, false},
      {{"--root", "--count", ""}, nullptr, Mode::Error, root, settings, false},
      {{"--root", "--count"}, nullptr, Mode::Error, root, settings, false},
      // Garbage, and nothing to draw into.
      {{"--count", "200"}, "0x42", Mode::Error, root, settings, false},
      {{"--rot"}, nullptr, Mode::Error, root, settings, false},
      {{"--root", "/s"}, nullptr, Mode::Error, root, settings, false},
      {{"--root=1"}, nullptr, Mode::Error, root, settings, false},
      {{"--"}, nullptr, Mode::Error, root, settings, false},
      {{"--help"}, nullptr, Mode::Help, root, settings, false},
  };
  for (const auto& c : cases) {
    std::string label;
    for (const std::string& a : c.args) label += "[" + a + "]";
    label += c.env ? std::string(" env=") + c.env : "";
    const HostedOptions o = ParseHostedOptions(c.args, c.env);
    EXPECT_EQ(o.mode, c.mode) << label;
    EXPECT_EQ(o.window, c.window) << label;
    EXPECT_EQ(o.count, c.count) << label;
    EXPECT_EQ(o.error.empty(), c.mode != Mode::Error) << label;
    EXPECT_EQ(!o.warning.empty(), c.warns) << label;
    EXPECT_EQ(o.error.find('\n'), std::string::npos) << label;
  }
}

}  // namespace
}  // namespace kal
