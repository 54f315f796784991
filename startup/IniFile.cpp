#include "startup/IniFile.h"

#include <vector>

namespace kal {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view t) {
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
  return t;
}

// Shift-JIS lead bytes: the byte after one is a trail byte, never a letter.
bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::vector<std::string_view> SplitLines(std::string_view content) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t nl = content.find('\n', start);
    std::size_t end = nl == std::string_view::npos ? content.size() : nl;
    std::string_view line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

enum class LineKind { Other, Section, Key };

struct Parsed {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed, quotes not yet removed
};

Parsed Parse(std::string_view raw) {
  std::string_view line = Trim(raw);
  Parsed p;
  if (line.empty() || line.front() == ';') return p;
  if (line.front() == '[') {
    std::size_t close = line.find(']');
    p.kind = LineKind::Section;
    p.name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return p;
  }
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return p;
  p.kind = LineKind::Key;
  p.name = Trim(line.substr(0, eq));
  p.value = Trim(line.substr(eq + 1));
  return p;
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return std::string(v.substr(1, v.size() - 2));
  return std::string(v);
}

// Line index range [first, last) of the first section with this name, with the
// index of its header; nullopt when there is none.
struct SectionSpan {
  std::size_t header, end;
};
std::optional<SectionSpan> FindSection(const std::vector<std::string_view>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Parsed p = Parse(lines[i]);
    if (p.kind != LineKind::Section || !IniNamesEqual(p.name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && Parse(lines[end]).kind != LineKind::Section) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
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
  std::vector<std::string_view> lines = SplitLines(content);
  std::optional<SectionSpan> span = FindSection(lines, section);
  if (!span) return std::nullopt;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    Parsed p = Parse(lines[i]);
    if (p.kind == LineKind::Key && IniNamesEqual(p.name, key)) return Unquote(p.value);
  }
  return std::nullopt;
}

std::string IniSet(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value) {
  std::vector<std::string_view> lines = SplitLines(content);
  std::string newLine = std::string(key) + "=" + std::string(value);
  std::optional<SectionSpan> span = FindSection(lines, section);

  std::optional<std::size_t> replace;
  std::optional<std::size_t> insertAt;
  if (span) {
    for (std::size_t i = span->header + 1; i < span->end && !replace; ++i) {
      Parsed p = Parse(lines[i]);
      if (p.kind == LineKind::Key && IniNamesEqual(p.name, key)) replace = i;
    }
    if (!replace) {
      // After the section's last non-blank line, so blank separators stay below.
      std::size_t at = span->end;
      while (at > span->header + 1 && Trim(lines[at - 1]).empty()) --at;
      insertAt = at;
    }
  }

  std::string out;
  out.reserve(content.size() + newLine.size() + section.size() + 8);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (insertAt && *insertAt == i) out += newLine + "\r\n";
    out += (replace && *replace == i) ? std::string_view(newLine) : lines[i];
    out += "\r\n";
  }
  if (insertAt && *insertAt == lines.size()) out += newLine + "\r\n";
  if (!span) {
    out += '[';
    out += section;
    out += "]\r\n";
    out += newLine;
    out += "\r\n";
  }
  return out;
}

}  // namespace kal
