// INI text with the results of the Windows profile functions, on every
// platform: case-insensitive section and key names (ASCII letters only, so
// Shift-JIS trail bytes are never folded), blanks around names and values
// trimmed, one pair of matching quotes around a value removed, the first of
// duplicate keys wins, ';' starts a comment line, no inline comments, LF or
// CRLF read, CRLF written. Text is handled as bytes in the ANSI code page,
// or, for a file that starts with a byte-order mark, as UTF-8 or UTF-16
// code units (the profile functions read and write such a file in its own
// encoding, mark included).
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

// The same for UTF-8 and UTF-16 text.
std::optional<std::u8string> IniGet(std::u8string_view content, std::u8string_view section,
                                    std::u8string_view key);
std::u8string IniSet(std::u8string_view content, std::u8string_view section, std::u8string_view key,
                     std::u8string_view value);
std::optional<std::u16string> IniGet(std::u16string_view content, std::u16string_view section,
                                     std::u16string_view key);
std::u16string IniSet(std::u16string_view content, std::u16string_view section, std::u16string_view key,
                      std::u16string_view value);

// How a file's bytes hold its text, told from its first bytes as the profile
// functions tell it: a UTF-16 mark (either byte order), a UTF-8 mark, or
// none (the ANSI code page, even for text that happens to be UTF-8).
enum class IniEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };
IniEncoding IniEncodingOf(std::string_view bytes);

// A section, key or value as the ANSI profile calls take it, and the same
// text in UTF-8 for a file kept in Unicode (none: the caller cannot spell it so).
struct IniText {
  std::string ansi;
  std::optional<std::u8string> unicode;
};

// The value under section and key in a whole file's bytes, in whichever of
// those encodings the file is. From a Unicode file the value comes as ANSI
// text with ASCII kept and every other character read as '?'.
std::optional<std::string> IniFileGet(std::string_view bytes, const IniText& section, const IniText& key);
// The whole file with the value set (IniSet), in the file's own encoding; an
// empty or new file is ANSI. Nullopt when the file is in Unicode and a name
// or the value has no Unicode spelling, or when its UTF-16 ends in half a unit.
std::optional<std::string> IniFileSet(std::string_view bytes, const IniText& section, const IniText& key,
                                      const IniText& value);

}  // namespace kal
