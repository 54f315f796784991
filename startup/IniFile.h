// INI text with the results of the Windows profile functions, on every
// platform: case-insensitive section and key names (ASCII letters only, so
// Shift-JIS trail bytes are never folded), blanks around names and values
// trimmed, one pair of matching quotes around a value removed, the first of
// duplicate keys wins, ';' starts a comment line, no inline comments, LF or
// CRLF read, CRLF written. Text is handled as bytes in the ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kal {

// The value of key in section, or nullopt when there is none.
std::optional<std::string> IniGet(std::string_view content, std::string_view section, std::string_view key);

// The content with key in section set to value: an existing key line is
// replaced (the first one, in the first matching section), a missing key is
// added at the end of its section, a missing section at the end of the file.
// Every other line keeps its text; lines end in CRLF.
std::string IniSet(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value);

// Case-insensitive comparison of names as the profile functions make it.
bool IniNamesEqual(std::string_view a, std::string_view b);

}  // namespace kal
