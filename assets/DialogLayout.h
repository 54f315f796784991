// The settings dialog as designed: the window's own properties and every
// control (platform/forms/Layout.h). The dialog, the backends and the tests
// all read this one table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/forms/Layout.h"

namespace kal::layout {

const Window& DialogWindow();
std::span<const Control> DialogControls();
// The control by name and array index; nullptr when there is none.
const Control* Find(std::string_view name, int index = -1);

// The face the layout asks for.
inline constexpr std::string_view kDialogFace = "ＭＳ Ｐゴシック";
// The credit line the banner shows (the static label reads otherwise).
inline constexpr std::string_view kBannerCredit = "Designed by Tavrin Version 1.0.0";

}  // namespace kal::layout
