// The mode switch: the second character of the upper-cased command line.
#pragma once

#include <string>
#include <string_view>

namespace kal {

// The second character (not byte) of the command line, upper-cased; empty
// when the line has fewer than two characters. The first character, normally
// a slash or a hyphen, is never looked at.
std::string SwitchLetter(std::string_view commandLine);

// The command line from its n-th character (1-based) to its end, unchanged.
std::string MidFrom(std::string_view commandLine, std::size_t n);

}  // namespace kal
