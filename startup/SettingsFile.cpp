#include "startup/SettingsFile.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "startup/IniFile.h"

namespace kal {
namespace {

constexpr std::size_t kValueBuffer = 256;  // the value comes back in a 256-byte buffer, NUL included
constexpr std::size_t kNameBuffer = 128;   // section and key are held in 128-character buffers

// The text up to its first NUL, as the C side of the profile functions sees it.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// ANSI text with its spelling in a Unicode file: ASCII is the same in both;
// the key is known in both; other text has none here.
IniText Spelled(std::string_view ansi) {
  IniText text{std::string(ansi), std::nullopt};
  if (ansi == kSettingsKey) {
    text.unicode = std::u8string(kSettingsKeyUnicode);
  } else if (std::all_of(ansi.begin(), ansi.end(),
                         [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    text.unicode = std::u8string(ansi.begin(), ansi.end());
  }
  return text;
}

}  // namespace

std::string SettingsPath(FileSystem& files) {
  return files.SettingsDirectory() + files.PathSeparator() + std::string(kSettingsFileName);
}

std::string ReadIniString(FileSystem& files, std::string_view section, std::string_view key,
                          const std::string& file) {
  std::optional<std::string> content = files.ReadFile(file);
  if (!content) return {};
  std::optional<std::string> value = IniFileGet(*content, Spelled(UpToNul(section)), Spelled(UpToNul(key)));
  if (!value) return {};
  std::string v(UpToNul(*value));
  if (v.size() > kValueBuffer - 1) v.resize(kValueBuffer - 1);
  return v;
}

namespace {

// Why a save did not happen ("" when it did), and whether the value may be
// stored in another file instead.
struct Refusal {
  std::string why;
  bool elsewhere = true;
};

Refusal Save(FileSystem& files, std::string_view section, std::string_view key, std::string_view value,
             const std::string& file) {
  std::string_view s = UpToNul(section.substr(0, kNameBuffer));
  std::string_view k = UpToNul(key.substr(0, kNameBuffer));
  std::optional<std::string> existing = files.ReadFile(file);
  // A file that exists but cannot be read is left alone: rewriting it from
  // nothing would lose every other line it holds.
  if (!existing && files.FileExists(file)) {
    std::string why = files.LastFileError();
    return {why.empty() ? "ファイルを読み取れません。" : why};
  }
  std::optional<std::string> bytes =
      IniFileSet(existing.value_or(std::string()), Spelled(s), Spelled(k), Spelled(UpToNul(value)));
  if (!bytes) return {"ファイルの Unicode テキストには書き込めません。"};
  // Written, it could not be read back: from then on the count would be
  // lost and every later save refused. The file is the user's to trim, not
  // ours to pass over.
  if (bytes->size() > kMaxSettingsFileBytes) {
    return {"保存すると " + std::to_string(bytes->size()) + " バイトになり、設定ファイルとして読める " +
                std::to_string(kMaxSettingsFileBytes) +
                " バイト (1 MiB) を超えるため、書き込みませんでした。",
            false};
  }
  if (!files.WriteFileAtomic(file, *bytes)) {
    std::string why = files.LastFileError();
    return {why.empty() ? "ファイルに書き込めません。" : why};
  }
  return {};
}

}  // namespace

std::string SaveIniString(FileSystem& files, std::string_view section, std::string_view key,
                          std::string_view value, const std::string& file) {
  return Save(files, section, key, value, file).why;
}

bool StoreIniString(FileSystem& files, std::string_view section, std::string_view key, std::string_view value,
                    const std::string& file) {
  return SaveIniString(files, section, key, value, file).empty();
}

std::string WriteIniString(FileSystem& files, std::string_view section, std::string_view key,
                           std::string_view value, const std::string& file) {
  StoreIniString(files, section, key, value, file);
  return {};
}

SettingsFiles SettingsPaths(FileSystem& files) {
  SettingsFiles paths{SettingsPath(files), {}};
  const std::string dir = files.UserSettingsDirectory();
  if (!dir.empty()) paths.perUser = dir + files.PathSeparator() + std::string(kSettingsFileName);
  if (paths.perUser == paths.beside) paths.perUser.clear();
  return paths;
}

std::string ReadSetting(FileSystem& files) {
  const SettingsFiles paths = SettingsPaths(files);
  std::string beside = ReadIniString(files, kSettingsSection, kSettingsKey, paths.beside);
  if (paths.perUser.empty()) return beside;
  std::string perUser = ReadIniString(files, kSettingsSection, kSettingsKey, paths.perUser);
  if (perUser.empty()) return beside;
  if (beside.empty()) return perUser;
  const std::optional<std::int64_t> besideTime = files.FileModified(paths.beside);
  const std::optional<std::int64_t> perUserTime = files.FileModified(paths.perUser);
  return perUserTime && (!besideTime || *perUserTime > *besideTime) ? perUser : beside;
}

std::string WriteSetting(FileSystem& files, std::string_view value) {
  const SettingsFiles paths = SettingsPaths(files);
  const Refusal beside = Save(files, kSettingsSection, kSettingsKey, value, paths.beside);
  if (beside.why.empty()) return {};
  std::string report = "設定を保存できませんでした。\n" + paths.beside + "\n" + beside.why;
  if (paths.perUser.empty() || !beside.elsewhere) return report;
  const std::string why = SaveIniString(files, kSettingsSection, kSettingsKey, value, paths.perUser);
  if (why.empty()) return {};
  return report + "\n" + paths.perUser + "\n" + why;
}

}  // namespace kal
