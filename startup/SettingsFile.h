// The settings file: one INI file holding the particle count.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Files.h"

namespace kal {

inline constexpr std::string_view kSettingsSection = "Section";
// "ﾊﾟｰﾃｨｸﾙの数" in Shift-JIS, the same bytes on every platform, so a file
// moves between a Japanese Windows system and here unchanged in meaning.
inline constexpr std::string_view kSettingsKey = "\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94";
// The same characters for a settings file kept in Unicode (UTF-8 or UTF-16).
inline constexpr std::u8string_view kSettingsKeyUnicode =
    u8"\uFF8A\uFF9F\uFF70\uFF83\uFF68\uFF78\uFF99\u306E\u6570";
inline constexpr std::string_view kSettingsFileName = "Kalvessa.ini";
// The largest settings file the platforms' readers take (PosixFiles and
// Win32Files read up to this many bytes): no save makes a file larger, or
// its value could never be read back.
inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{1} << 20;

// The settings file's path: the settings directory, one separator, the file
// name. Nothing is tested or removed, so a drive root "C:\" gives
// "C:\\Kalvessa.ini", which still names the file in that root.
std::string SettingsPath(FileSystem& files);

// The value under section and key (at most 255 bytes), or empty text. A file
// that cannot be read (see FileSystem::ReadFile) holds no value.
std::string ReadIniString(FileSystem& files, std::string_view section, std::string_view key,
                          const std::string& file);

// Stores the value, keeping every other line and the file's encoding; the
// file is replaced atomically so a crash or a full disk never leaves it
// truncated. A file that exists but cannot be read (no permission, too
// large, not a regular file) is left alone, as is one whose encoding cannot
// take the text: rewriting it would lose what it holds. So is one the value
// would make larger than kMaxSettingsFileBytes, and a read-only one. Empty
// text when the value was stored; otherwise why not.
std::string SaveIniString(FileSystem& files, std::string_view section, std::string_view key,
                          std::string_view value, const std::string& file);
// The same, telling whether the value was stored.
bool StoreIniString(FileSystem& files, std::string_view section, std::string_view key, std::string_view value,
                    const std::string& file);
// The same, returning empty text as the profile function does.
std::string WriteIniString(FileSystem& files, std::string_view section, std::string_view key,
                           std::string_view value, const std::string& file);

// Where a saved count may live. Beside the program first; where that folder
// cannot be written (a program installed in a system folder), in the user's
// own settings folder. Empty perUser: the system has no such fallback.
struct SettingsFiles {
  std::string beside;
  std::string perUser;
};
SettingsFiles SettingsPaths(FileSystem& files);

// The stored count's text: from the per-user file when it holds one and was
// written after the file beside the program (so the last save wins and a
// stale per-user file never hides a newer one beside the program), else from
// the file beside the program.
std::string ReadSetting(FileSystem& files);

// Stores the count's text beside the program, else (that folder or file
// cannot be written, the file is read-only) in the per-user file. A file
// beside the program that the value would make too large to read is not
// passed over: the user is told. Empty text when it was stored; otherwise
// what to tell the user: the file and the reason.
std::string WriteSetting(FileSystem& files, std::string_view value);

}  // namespace kal
