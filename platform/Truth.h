// Flags are 16-bit: True is -1, False is 0, wherever the program keeps or passes one.
#pragma once

#include <cstdint>

namespace kal {

using Truth = std::int16_t;
constexpr Truth True = -1;
constexpr Truth False = 0;

}  // namespace kal
