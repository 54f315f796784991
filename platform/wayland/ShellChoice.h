// Which shell role the surfaces covering the outputs take. A layer-shell
// surface on the overlay layer lies above every window and panel and takes
// the keyboard, which is what a saver needs; where the compositor offers no
// layer shell (weston, GNOME), a full-screen xdg_toplevel per output is the
// next best. KALVESSA_WAYLAND_SHELL forces one: "xdg" or "layer" (the
// latter only where it is offered); empty or unset chooses by itself.
#pragma once

#include <string_view>

namespace kal::wayland {

inline constexpr const char* kShellVariable = "KALVESSA_WAYLAND_SHELL";

enum class Shell { kLayer, kXdg };

struct ShellDecision {
  Shell shell = Shell::kXdg;
  // Not empty when the variable asked for something that is not used: the
  // reason, for the log.
  std::string_view note;
  bool operator==(const ShellDecision&) const = default;
};

// `requested`: the variable's value (null: unset).
ShellDecision ChooseShell(const char* requested, bool layerShellOffered);

const char* ShellName(Shell shell);

}  // namespace kal::wayland
