// The program's argument text as the runtime hands it over: the raw command
// line with the program token and the blanks after it removed.
#pragma once

#include <string_view>

namespace kal::win32 {

// A quoted program token ends at the closing quote (or the end); an unquoted
// one at the first blank or control character. Everything after the blanks
// that follow it is returned unchanged, quotes and all.
std::wstring_view ArgumentsAfterProgramName(std::wstring_view commandLine);

}  // namespace kal::win32
