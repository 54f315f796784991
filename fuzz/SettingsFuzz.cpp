// The settings file: the INI text functions (bytes and UTF-16) with any names
// and text, a whole file's save and read in its own encoding, and the save
// and load of the count through the in-memory file system.
//
// Properties, for names and values the format can hold (one line, no blanks
// at the ends, no quotes around the value, no '=' in a key, no ']' in a
// section): a written value reads back; every other line keeps its text and
// every other value reads as before; a file keeps its encoding; writing twice
// leaves what writing once left; a save that fails changes no file. Any input
// at all must not crash.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
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

template <class C>
using View = std::basic_string_view<C>;

// The lines of a text as the format reads them: split at LF, a CR that ends a line dropped.
template <class C>
std::vector<View<C>> Lines(View<C> text) {
  std::vector<View<C>> lines;
  while (!text.empty()) {
    const std::size_t nl = text.find(C('\n'));
    View<C> line = text.substr(0, nl);
    if (line.ends_with(C('\r'))) line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(nl == View<C>::npos ? text.size() : nl + 1);
  }
  return lines;
}

// Written text keeps the lines of the text it was made from, but for one line
// replaced, one line inserted, or a section header and its key appended; and
// every line it writes ends in CRLF.
template <class C>
bool KeepsOtherLines(View<C> before, View<C> after) {
  const std::vector<View<C>> a = Lines(before), b = Lines(after);
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
    if (after[i] != C('\n')) continue;
    ++lineFeeds;
    crlfs += i > 0 && after[i - 1] == C('\r');
  }
  const C crlf[] = {C('\r'), C('\n')};
  return lineFeeds == crlfs && (after.empty() || after.ends_with(View<C>(crlf, 2)));
}

// A whole file's text as code units of its encoding, after its mark, so its
// lines are compared as its reader sees them.
std::u16string FileUnits(std::string_view bytes) {
  const IniEncoding encoding = IniEncodingOf(bytes);
  std::u16string units;
  if (encoding == IniEncoding::kUtf16Le || encoding == IniEncoding::kUtf16Be) {
    const bool bigEndian = encoding == IniEncoding::kUtf16Be;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto first = static_cast<unsigned char>(bytes[i]),
                 second = static_cast<unsigned char>(bytes[i + 1]);
      units += static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    if (bytes.size() % 2) units += static_cast<unsigned char>(bytes.back());
  } else {
    for (char c : bytes.substr(encoding == IniEncoding::kUtf8 ? 3 : 0))
      units += static_cast<unsigned char>(c);
  }
  return units;
}

// A saved file keeps the encoding (and so the mark) of the file it replaced,
// and its other lines.
bool FileKeepsOtherLines(std::string_view before, std::string_view after) {
  if (!before.empty() && IniEncodingOf(before) != IniEncodingOf(after)) return false;
  const std::u16string a = FileUnits(before), b = FileUnits(after);
  return KeepsOtherLines<char16_t>(a, b);
}

template <class C>
bool IsBlank(C c) {
  return c == C(' ') || c == C('\t');
}
template <class C>
bool OneTrimmedLine(View<C> s) {
  return std::none_of(s.begin(), s.end(), [](C c) { return c == C('\r') || c == C('\n'); }) &&
         (s.empty() || (!IsBlank(s.front()) && !IsBlank(s.back())));
}
template <class C>
bool SectionFits(View<C> s) {
  return OneTrimmedLine(s) && s.find(C(']')) == View<C>::npos;
}
template <class C>
bool KeyFits(View<C> k) {
  return OneTrimmedLine(k) && k.find(C('=')) == View<C>::npos && !k.starts_with(C(';')) &&
         !k.starts_with(C('['));
}
template <class C>
bool ValueFits(View<C> v) {
  const bool quoted = v.size() >= 2 && (v.front() == C('"') || v.front() == C('\'')) && v.back() == v.front();
  return OneTrimmedLine(v) && !quoted;
}

// Equal names as the format compares them at most: ASCII letters in either
// case (the byte functions compare less, never more).
template <class C>
bool MaySameName(View<C> a, View<C> b) {
  auto fold = [](C c) { return c >= C('a') && c <= C('z') ? C(c - 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](C x, C y) { return fold(x) == fold(y); });
}

template <class C>
void CheckIniText(View<C> content, View<C> section, View<C> key, View<C> value, View<C> probeSection,
                  View<C> probeKey) {
  const std::basic_string<C> once = IniSet(content, section, key, value);
  (void)IniGet(content, probeSection, probeKey);
  if (!SectionFits(section) || !KeyFits(key) || !ValueFits(value)) return;
  KAL_FUZZ_CHECK(IniGet(View<C>(once), section, key) == std::basic_string<C>(value));
  KAL_FUZZ_CHECK(KeepsOtherLines<C>(content, once));
  KAL_FUZZ_CHECK(IniSet(View<C>(once), section, key, value) == once);
  if (!MaySameName(probeSection, section) || !MaySameName(probeKey, key))
    KAL_FUZZ_CHECK(IniGet(View<C>(once), probeSection, probeKey) == IniGet(content, probeSection, probeKey));
}

// Bytes read as UTF-16LE code units.
std::u16string Units(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return units;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// One file saved and read with any names, in whatever encoding its bytes say.
void CheckFile(std::string_view content, bool exists, std::string_view section, std::string_view key,
               std::string_view value) {
  MemoryPlatform platform;
  FileSystem& storage = platform;
  const std::string file = "C:\\Kalvessa\\Kalvessa.ini";
  if (exists) platform.files[file] = std::string(content);
  const std::map<std::string, std::string> before = platform.files;

  if (!SaveIniString(storage, section, key, value, file).empty()) {
    KAL_FUZZ_CHECK(platform.files == before);
    return;
  }
  // What is stored: names and value up to a NUL.
  auto upToNul = [](std::string_view s) { return s.substr(0, s.find('\0')); };
  const std::string_view s = upToNul(section), k = upToNul(key), v = upToNul(value);
  const std::string once = platform.files[file];
  if (!SectionFits(s) || !KeyFits(k) || !ValueFits(v)) return;
  KAL_FUZZ_CHECK(FileKeepsOtherLines(exists ? content : std::string_view(), once));
  // Left out: names over 128 bytes. The save cuts them to 128 and the read
  // does not, so such a value does not read back, and a cut that ends in
  // blanks adds a line on every save (reported; not ours to fix).
  if (s.size() > 128 || k.size() > 128) return;
  // A Unicode file reads back ASCII as it is and any other character as '?'.
  const bool unicode = IniEncodingOf(once) != IniEncoding::kAnsi;
  if (!unicode || IsAscii(v)) KAL_FUZZ_CHECK(ReadIniString(storage, s, k, file) == v.substr(0, 255));
  KAL_FUZZ_CHECK(SaveIniString(storage, section, key, value, file).empty());
  KAL_FUZZ_CHECK(platform.files[file] == once);
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
      KAL_FUZZ_CHECK(FileKeepsOtherLines(old == before.end() ? std::string_view() : old->second, text));
  }
  KAL_FUZZ_CHECK(changed <= 1);

  // What reads back: at most 255 bytes. An empty count is left out: it reads
  // as no count at all, and the other file's shows.
  if (!stored.empty() && ValueFits(stored) && IsAscii(stored))
    KAL_FUZZ_CHECK(ReadSetting(platform) == stored.substr(0, 255));

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
  const std::string section = in.ConsumeRandomLengthString(200);
  const std::string key = in.ConsumeRandomLengthString(200);
  const std::string value = in.ConsumeRandomLengthString(300);
  const std::string probeSection = in.ConsumeRandomLengthString(64);
  const std::string probeKey = in.ConsumeRandomLengthString(64);
  const std::string perUser = in.ConsumeRandomLengthString(4096);
  const std::string content = in.ConsumeRemainingBytesAsString();

  kal::CheckIniText<char>(content, section, key, value, probeSection, probeKey);
  const std::u16string content16 = kal::Units(content), section16 = kal::Units(section),
                       key16 = kal::Units(key), value16 = kal::Units(value),
                       probeSection16 = kal::Units(probeSection), probeKey16 = kal::Units(probeKey);
  kal::CheckIniText<char16_t>(content16, section16, key16, value16, probeSection16, probeKey16);
  kal::CheckFile(content, flags & 32, section, key, value);
  kal::CheckSaveAndLoad(content, perUser, value, flags);
  return 0;
}
