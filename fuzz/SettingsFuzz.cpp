// The settings file: the INI text functions with any names and text, and the
// save and load of the count through the in-memory file system.
//
// Properties, for names and values the format can hold (one line, no blanks at
// the ends, no quotes around the value, no '=' in a key, no ']' in a section):
// a written value reads back; every other line keeps its text and every other
// value reads as before; writing twice leaves what writing once left; a save
// that fails changes no file. Any input at all must not crash.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/memory/MemoryPlatform.h"
#include "startup/IniFile.h"
#include "startup/SettingsFile.h"

namespace kal {
namespace {

// The lines of a text as the format reads them: split at LF, a CR that ends a line dropped.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  }
  return lines;
}

// Written text keeps the lines of the text it was made from, but for one line
// replaced, one line inserted, or a section header and its key appended; and
// every line it writes ends in CRLF.
bool KeepsOtherLines(std::string_view before, std::string_view after) {
  const std::vector<std::string_view> a = Lines(before), b = Lines(after);
  std::size_t same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
  std::size_t sameEnd = 0;
  while (sameEnd < a.size() - same && sameEnd < b.size() - same &&
         a[a.size() - 1 - sameEnd] == b[b.size() - 1 - sameEnd])
    ++sameEnd;
  const std::size_t lost = a.size() - same - sameEnd, added = b.size() - same - sameEnd;
  if (!((lost == 0 && added <= 2) || (lost == 1 && added == 1))) return false;
  std::size_t lineFeeds = 0, crlfs = 0;
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (after[i] != '\n') continue;
    ++lineFeeds;
    crlfs += i > 0 && after[i - 1] == '\r';
  }
  return lineFeeds == crlfs && (after.empty() || after.ends_with("\r\n"));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool OneTrimmedLine(std::string_view s) {
  return s.find_first_of("\r\n") == std::string_view::npos &&
         (s.empty() || (!IsBlank(s.front()) && !IsBlank(s.back())));
}
bool SectionFits(std::string_view s) { return OneTrimmedLine(s) && s.find(']') == std::string_view::npos; }
bool KeyFits(std::string_view k) {
  return OneTrimmedLine(k) && k.find('=') == std::string_view::npos && !k.starts_with(';') &&
         !k.starts_with('[');
}
bool ValueFits(std::string_view v) {
  const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  return OneTrimmedLine(v) && !quoted;
}

void CheckIniText(std::string_view content, std::string_view section, std::string_view key,
                  std::string_view value, std::string_view probeSection, std::string_view probeKey) {
  const std::string once = IniSet(content, section, key, value);
  (void)IniGet(content, probeSection, probeKey);
  if (!SectionFits(section) || !KeyFits(key) || !ValueFits(value)) return;
  KAL_FUZZ_CHECK(IniGet(once, section, key) == std::string(value));
  KAL_FUZZ_CHECK(KeepsOtherLines(content, once));
  KAL_FUZZ_CHECK(IniSet(once, section, key, value) == once);
  if (!IniNamesEqual(probeSection, section) || !IniNamesEqual(probeKey, key))
    KAL_FUZZ_CHECK(IniGet(once, probeSection, probeKey) == IniGet(content, probeSection, probeKey));
}

// The count saved through WriteSetting, with the file beside the program and
// the per-user file present or not, readable or not, writable or not.
void CheckSaveAndLoad(std::string_view beside, std::string_view perUser, std::string_view value,
                      std::uint8_t flags) {
  MemoryPlatform platform;
  platform.appPath = "C:\\Kalvessa";
  platform.userSettingsDirectory = "C:\\Users\\u\\AppData\\Roaming\\Kalvessa";
  const SettingsFiles files = SettingsPaths(platform);
  if (flags & 1) platform.files[files.beside] = std::string(beside);
  if (flags & 2) platform.files[files.perUser] = std::string(perUser);
  if (flags & 4) platform.unwritableDirectories.push_back(platform.appPath);
  if (flags & 8) platform.unwritableDirectories.push_back(platform.userSettingsDirectory);
  if (flags & 16) platform.unreadableFiles.push_back(files.beside);
  const std::map<std::string, std::string> before = platform.files;

  // A save comes after the files it finds were written.
  platform.now += std::chrono::seconds(1);
  const std::string report = WriteSetting(platform, value);
  if (!report.empty()) {
    KAL_FUZZ_CHECK(platform.files == before);
    return;
  }
  // What is stored: the text up to a NUL.
  const std::string_view stored = value.substr(0, value.find('\0'));
  int changed = 0;
  for (const auto& [path, text] : platform.files) {
    auto old = before.find(path);
    if (old != before.end() && old->second == text) continue;
    ++changed;
    if (ValueFits(stored))
      KAL_FUZZ_CHECK(KeepsOtherLines(old == before.end() ? std::string_view() : old->second, text));
  }
  KAL_FUZZ_CHECK(changed <= 1);

  // What reads back: at most 255 bytes. An empty count is left out: it reads
  // as no count at all, and the other file's shows.
  if (!stored.empty() && ValueFits(stored)) KAL_FUZZ_CHECK(ReadSetting(platform) == stored.substr(0, 255));

  const std::map<std::string, std::string> once = platform.files;
  platform.now += std::chrono::seconds(1);
  KAL_FUZZ_CHECK(WriteSetting(platform, value).empty());
  if (ValueFits(stored)) KAL_FUZZ_CHECK(platform.files == once);
}

}  // namespace
}  // namespace kal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto flags = in.ConsumeIntegral<std::uint8_t>();
  const std::string section = in.ConsumeRandomLengthString(64);
  const std::string key = in.ConsumeRandomLengthString(64);
  const std::string value = in.ConsumeRandomLengthString(300);
  const std::string probeSection = in.ConsumeRandomLengthString(64);
  const std::string probeKey = in.ConsumeRandomLengthString(64);
  const std::string perUser = in.ConsumeRandomLengthString(4096);
  const std::string content = in.ConsumeRemainingBytesAsString();
  kal::CheckIniText(content, section, key, value, probeSection, probeKey);
  kal::CheckSaveAndLoad(content, perUser, value, flags);
  return 0;
}
