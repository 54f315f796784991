// The settings file: one INI file holding the particle count.
#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace kal {

inline constexpr std::string_view kSettingsSection = "Section";
// "ﾊﾟｰﾃｨｸﾙの数" in Shift-JIS, the same bytes on every platform, so a file
// moves between a Japanese Windows system and here unchanged in meaning.
inline constexpr std::string_view kSettingsKey = "\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94";
inline constexpr std::string_view kSettingsFileName = "Kalvessa.ini";

// The settings file's path: the settings directory, one separator, the file
// name. Nothing is tested or removed, so a drive root "C:\" gives
// "C:\\Kalvessa.ini", which still names the file in that root.
std::string SettingsPath(Platform& platform);

// The value under section and key (at most 255 bytes), or empty text.
std::string ReadIniString(Platform& platform, std::string_view section, std::string_view key,
                          const std::string& file);

// Writes the value; the file is replaced atomically so a crash or a full disk
// never leaves it truncated. Returns empty text; a failure is not reported.
std::string WriteIniString(Platform& platform, std::string_view section, std::string_view key,
                           std::string_view value, const std::string& file);

}  // namespace kal
