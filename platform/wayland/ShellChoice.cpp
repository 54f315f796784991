#include "platform/wayland/ShellChoice.h"

namespace kal::wayland {

ShellDecision ChooseShell(const char* requested, bool layerShellOffered) {
  const Shell natural = layerShellOffered ? Shell::kLayer : Shell::kXdg;
  const std::string_view want = requested != nullptr ? requested : "";
  if (want.empty()) return {natural, {}};
  if (want == "xdg") return {Shell::kXdg, {}};
  if (want == "layer") {
    if (layerShellOffered) return {Shell::kLayer, {}};
    return {Shell::kXdg, "the compositor offers no layer shell"};
  }
  return {natural, "unknown value (use \"xdg\" or \"layer\")"};
}

const char* ShellName(Shell shell) { return shell == Shell::kLayer ? "layer" : "xdg"; }

}  // namespace kal::wayland
