// The host window handle on a preview command line ("/p 1234", "/p:1234").
#pragma once

#include <optional>
#include <string_view>

#include "platform/Types.h"

namespace kal {

// The handle in the text that follows the switch: its leading decimal number
// (blanks skipped), or a hexadecimal one written "0x…" as X tools print window
// ids. Window handles have 32 significant bits: a number in the signed or the
// unsigned 32-bit range gives that 32-bit value (0..4294967295); anything
// else, like 0, no number or a number too large, names no window (nullopt).
std::optional<Handle> HostHandle(std::string_view textAfterSwitch);

}  // namespace kal
