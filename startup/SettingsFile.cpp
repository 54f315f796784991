#include "startup/SettingsFile.h"

#include <cstdint>

#include "startup/IniFile.h"

namespace kal {
namespace {

constexpr std::size_t kValueBuffer = 256;  // the value comes back in a 256-byte buffer, NUL included
constexpr std::size_t kNameBuffer = 128;   // section and key are held in 128-character buffers

// The text up to its first NUL, as the C side of the profile functions sees it.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

}  // namespace

std::string SettingsPath(Platform& platform) {
  return platform.SettingsDirectory() + platform.PathSeparator() + std::string(kSettingsFileName);
}

std::string ReadIniString(Platform& platform, std::string_view section, std::string_view key,
                          const std::string& file) {
  std::optional<std::string> content = platform.ReadFile(file);
  if (!content) return {};
  std::optional<std::string> value = IniGet(*content, UpToNul(section), UpToNul(key));
  if (!value) return {};
  std::string v(UpToNul(*value));
  if (v.size() > kValueBuffer - 1) v.resize(kValueBuffer - 1);
  return v;
}

bool StoreIniString(Platform& platform, std::string_view section, std::string_view key,
                    std::string_view value, const std::string& file) {
  std::string_view s = UpToNul(section.substr(0, kNameBuffer));
  std::string_view k = UpToNul(key.substr(0, kNameBuffer));
  std::optional<std::string> existing = platform.ReadFile(file);
  // A file that exists but cannot be read is left alone: rewriting it from
  // nothing would lose every other line it holds.
  if (!existing && platform.FileExists(file)) return false;
  return platform.WriteFileAtomic(file, IniSet(existing.value_or(std::string()), s, k, UpToNul(value)));
}

std::string WriteIniString(Platform& platform, std::string_view section, std::string_view key,
                           std::string_view value, const std::string& file) {
  StoreIniString(platform, section, key, value, file);
  return {};
}

SettingsFiles SettingsPaths(Platform& platform) {
  SettingsFiles files{SettingsPath(platform), {}};
  const std::string dir = platform.UserSettingsDirectory();
  if (!dir.empty()) files.perUser = dir + platform.PathSeparator() + std::string(kSettingsFileName);
  if (files.perUser == files.beside) files.perUser.clear();
  return files;
}

std::string ReadSetting(Platform& platform) {
  const SettingsFiles files = SettingsPaths(platform);
  std::string beside = ReadIniString(platform, kSettingsSection, kSettingsKey, files.beside);
  if (files.perUser.empty()) return beside;
  std::string perUser = ReadIniString(platform, kSettingsSection, kSettingsKey, files.perUser);
  if (perUser.empty()) return beside;
  if (beside.empty()) return perUser;
  const std::optional<std::int64_t> besideTime = platform.FileModified(files.beside);
  const std::optional<std::int64_t> perUserTime = platform.FileModified(files.perUser);
  return perUserTime && (!besideTime || *perUserTime > *besideTime) ? perUser : beside;
}

std::string WriteSetting(Platform& platform, std::string_view value) {
  const SettingsFiles files = SettingsPaths(platform);
  if (StoreIniString(platform, kSettingsSection, kSettingsKey, value, files.beside)) return {};
  std::string report = "設定を保存できませんでした。\n" + files.beside + "\n" + platform.LastFileError();
  if (files.perUser.empty()) return report;
  if (StoreIniString(platform, kSettingsSection, kSettingsKey, value, files.perUser)) return {};
  return report + "\n" + files.perUser + "\n" + platform.LastFileError();
}

}  // namespace kal
