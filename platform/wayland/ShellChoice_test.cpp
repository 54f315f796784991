#include "platform/wayland/ShellChoice.h"

#include <gtest/gtest.h>

namespace kal::wayland {
namespace {

TEST(WaylandShellChoice, LayerShellWhereOfferedUnlessTheVariableSaysXdg) {
  const struct {
    const char* variable;
    bool offered;
    Shell shell;
    bool noted;
  } cases[] = {
      {nullptr, true, Shell::kLayer, false}, {nullptr, false, Shell::kXdg, false},
      {"", true, Shell::kLayer, false},      {"xdg", true, Shell::kXdg, false},
      {"xdg", false, Shell::kXdg, false},    {"layer", true, Shell::kLayer, false},
      {"layer", false, Shell::kXdg, true},   {"XDG", true, Shell::kLayer, true},
      {"wlr", false, Shell::kXdg, true},
  };
  for (const auto& c : cases) {
    const ShellDecision d = ChooseShell(c.variable, c.offered);
    const char* shown = c.variable != nullptr ? c.variable : "(unset)";
    EXPECT_EQ(d.shell, c.shell) << shown << " offered " << c.offered;
    EXPECT_EQ(!d.note.empty(), c.noted) << shown << " offered " << c.offered;
  }
}

}  // namespace
}  // namespace kal::wayland
