// UTF-8 (the logic's text) <-> UTF-16 (the wide Win32 API).
#pragma once

#include <string>
#include <string_view>

namespace kal::win32 {

// Invalid UTF-8 sequences become U+FFFD.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view wide);

}  // namespace kal::win32
