#include "startup/IniFile.h"

#include <type_traits>
#include <vector>

namespace kal {
namespace {

// Shift-JIS lead bytes: the byte after one is a trail byte, never a letter.
bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// ASCII letters folded, every other unit compared as it is: how names of
// Unicode text compare (no unit of UTF-8 or UTF-16 beyond ASCII is a letter).
template <class C>
bool AsciiNamesEqual(std::basic_string_view<C> a, std::basic_string_view<C> b) {
  if (a.size() != b.size()) return false;
  auto fold = [](C c) { return c >= C('a') && c <= C('z') ? static_cast<C>(c - 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// The INI format over one kind of code unit: char (the ANSI code page),
// char8_t (UTF-8) or char16_t (UTF-16).
template <class C>
struct Ini {
  using View = std::basic_string_view<C>;
  using Text = std::basic_string<C>;

  static bool NamesEqual(View a, View b) {
    if constexpr (std::is_same_v<C, char>) {
      return IniNamesEqual(a, b);
    } else {
      return AsciiNamesEqual(a, b);
    }
  }

  static bool IsBlank(C c) { return c == C(' ') || c == C('\t'); }

  static View Trim(View t) {
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
    return t;
  }

  static std::vector<View> SplitLines(View content) {
    std::vector<View> lines;
    std::size_t start = 0;
    while (start < content.size()) {
      std::size_t nl = content.find(C('\n'), start);
      std::size_t end = nl == View::npos ? content.size() : nl;
      View line = content.substr(start, end - start);
      if (!line.empty() && line.back() == C('\r')) line.remove_suffix(1);
      lines.push_back(line);
      if (nl == View::npos) break;
      start = nl + 1;
    }
    return lines;
  }

  enum class LineKind { Other, Section, Key };

  struct Parsed {
    LineKind kind = LineKind::Other;
    View name;   // section or key name, trimmed
    View value;  // key value, trimmed, quotes not yet removed
  };

  static Parsed Parse(View raw) {
    View line = Trim(raw);
    Parsed p;
    if (line.empty() || line.front() == C(';')) return p;
    if (line.front() == C('[')) {
      std::size_t close = line.find(C(']'));
      p.kind = LineKind::Section;
      p.name = Trim(line.substr(1, close == View::npos ? View::npos : close - 1));
      return p;
    }
    std::size_t eq = line.find(C('='));
    if (eq == View::npos) return p;
    p.kind = LineKind::Key;
    p.name = Trim(line.substr(0, eq));
    p.value = Trim(line.substr(eq + 1));
    return p;
  }

  static Text Unquote(View v) {
    if (v.size() >= 2 && (v.front() == C('"') || v.front() == C('\'')) && v.back() == v.front())
      return Text(v.substr(1, v.size() - 2));
    return Text(v);
  }

  // Line index range [header, end) of the first section with this name.
  struct SectionSpan {
    std::size_t header, end;
  };
  static std::optional<SectionSpan> FindSection(const std::vector<View>& lines, View section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      Parsed p = Parse(lines[i]);
      if (p.kind != LineKind::Section || !NamesEqual(p.name, section)) continue;
      std::size_t end = i + 1;
      while (end < lines.size() && Parse(lines[end]).kind != LineKind::Section) ++end;
      return SectionSpan{i, end};
    }
    return std::nullopt;
  }

  static std::optional<Text> Get(View content, View section, View key) {
    std::vector<View> lines = SplitLines(content);
    std::optional<SectionSpan> span = FindSection(lines, section);
    if (!span) return std::nullopt;
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
      Parsed p = Parse(lines[i]);
      if (p.kind == LineKind::Key && NamesEqual(p.name, key)) return Unquote(p.value);
    }
    return std::nullopt;
  }

  static Text Set(View content, View section, View key, View value) {
    static constexpr C kCrLf[] = {C('\r'), C('\n'), C(0)};
    std::vector<View> lines = SplitLines(content);
    Text newLine = Text(key) + C('=') + Text(value);
    std::optional<SectionSpan> span = FindSection(lines, section);

    std::optional<std::size_t> replace;
    std::optional<std::size_t> insertAt;
    if (span) {
      for (std::size_t i = span->header + 1; i < span->end && !replace; ++i) {
        Parsed p = Parse(lines[i]);
        if (p.kind == LineKind::Key && NamesEqual(p.name, key)) replace = i;
      }
      if (!replace) {
        // After the section's last non-blank line, so blank separators stay below.
        std::size_t at = span->end;
        while (at > span->header + 1 && Trim(lines[at - 1]).empty()) --at;
        insertAt = at;
      }
    }

    Text out;
    out.reserve(content.size() + newLine.size() + section.size() + 8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (insertAt && *insertAt == i) out += newLine + kCrLf;
      out += (replace && *replace == i) ? View(newLine) : lines[i];
      out += kCrLf;
    }
    if (insertAt && *insertAt == lines.size()) out += newLine + kCrLf;
    if (!span) {
      out += C('[');
      out += section;
      out += C(']');
      out += kCrLf;
      out += newLine;
      out += kCrLf;
    }
    return out;
  }
};

// ---- Unicode files ----

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::u8string ToU8(std::string_view bytes) {
  std::u8string out(bytes.size(), u8'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<char8_t>(bytes[i]);
  return out;
}

std::string FromU8(std::u8string_view text) {
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
  return out;
}

// The code units of UTF-16 bytes (the mark already removed); an odd last byte is left out.
std::u16string ToU16(std::string_view bytes, bool bigEndian) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    out[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return out;
}

std::string FromU16(std::u16string_view text, bool bigEndian) {
  std::string out(bigEndian ? kUtf16BeMark : kUtf16LeMark);
  out.reserve(out.size() + 2 * text.size());
  for (char16_t unit : text) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

// UTF-8 to UTF-16 (our own spellings: well-formed UTF-8).
std::u16string Utf8ToU16(std::u8string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t lead = text[i];
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < text.size(); ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
    i += static_cast<std::size_t>(extra) + 1;
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

// A Unicode value as ANSI text: ASCII as it is, every other character '?'.
// (The count is ASCII; any other character makes it no number either way.)
std::string AsciiOf(std::u8string_view text) {
  std::string out;
  for (char8_t unit : text) {
    if (unit < 0x80)
      out += static_cast<char>(unit);
    else if ((unit & 0xC0) != 0x80)  // a lead byte: one character
      out += '?';
  }
  return out;
}
std::string AsciiOf(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit < 0x80)
      out += static_cast<char>(unit);
    else if (unit < 0xDC00 || unit > 0xDFFF)  // a low surrogate ends a character already counted
      out += '?';
  }
  return out;
}

}  // namespace

bool IniNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  bool trail = false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (trail) {
      trail = false;
      if (ca != cb) return false;
      continue;
    }
    if (IsLeadByte(ca)) trail = true;
    if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 32);
    if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 32);
    if (ca != cb) return false;
  }
  return true;
}

std::optional<std::string> IniGet(std::string_view content, std::string_view section, std::string_view key) {
  return Ini<char>::Get(content, section, key);
}
std::string IniSet(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value) {
  return Ini<char>::Set(content, section, key, value);
}
std::optional<std::u8string> IniGet(std::u8string_view content, std::u8string_view section,
                                    std::u8string_view key) {
  return Ini<char8_t>::Get(content, section, key);
}
std::u8string IniSet(std::u8string_view content, std::u8string_view section, std::u8string_view key,
                     std::u8string_view value) {
  return Ini<char8_t>::Set(content, section, key, value);
}
std::optional<std::u16string> IniGet(std::u16string_view content, std::u16string_view section,
                                     std::u16string_view key) {
  return Ini<char16_t>::Get(content, section, key);
}
std::u16string IniSet(std::u16string_view content, std::u16string_view section, std::u16string_view key,
                      std::u16string_view value) {
  return Ini<char16_t>::Set(content, section, key, value);
}

IniEncoding IniEncodingOf(std::string_view bytes) {
  if (bytes.starts_with(kUtf16LeMark)) return IniEncoding::kUtf16Le;
  if (bytes.starts_with(kUtf16BeMark)) return IniEncoding::kUtf16Be;
  if (bytes.starts_with(kUtf8Mark)) return IniEncoding::kUtf8;
  return IniEncoding::kAnsi;
}

std::optional<std::string> IniFileGet(std::string_view bytes, const IniText& section, const IniText& key) {
  const IniEncoding encoding = IniEncodingOf(bytes);
  if (encoding == IniEncoding::kAnsi) return IniGet(bytes, section.ansi, key.ansi);
  if (!section.unicode || !key.unicode) return std::nullopt;
  if (encoding == IniEncoding::kUtf8) {
    std::optional<std::u8string> value =
        IniGet(ToU8(bytes.substr(kUtf8Mark.size())), *section.unicode, *key.unicode);
    if (!value) return std::nullopt;
    return AsciiOf(*value);
  }
  const bool bigEndian = encoding == IniEncoding::kUtf16Be;
  std::optional<std::u16string> value =
      IniGet(ToU16(bytes.substr(2), bigEndian), Utf8ToU16(*section.unicode), Utf8ToU16(*key.unicode));
  if (!value) return std::nullopt;
  return AsciiOf(*value);
}

std::optional<std::string> IniFileSet(std::string_view bytes, const IniText& section, const IniText& key,
                                      const IniText& value) {
  const IniEncoding encoding = IniEncodingOf(bytes);
  if (encoding == IniEncoding::kAnsi) return IniSet(bytes, section.ansi, key.ansi, value.ansi);
  if (!section.unicode || !key.unicode || !value.unicode) return std::nullopt;
  if (encoding == IniEncoding::kUtf8) {
    return std::string(kUtf8Mark) + FromU8(IniSet(ToU8(bytes.substr(kUtf8Mark.size())), *section.unicode,
                                                  *key.unicode, *value.unicode));
  }
  // Half a code unit at the end: no whole text to keep.
  if (bytes.size() % 2 != 0) return std::nullopt;
  const bool bigEndian = encoding == IniEncoding::kUtf16Be;
  return FromU16(IniSet(ToU16(bytes.substr(2), bigEndian), Utf8ToU16(*section.unicode),
                        Utf8ToU16(*key.unicode), Utf8ToU16(*value.unicode)),
                 bigEndian);
}

}  // namespace kal
