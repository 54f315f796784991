#include "startup/SwitchLetter.h"

namespace kal {
namespace {

// Byte length of the character at s[pos]: a whole UTF-8 sequence, else one
// byte. A lead byte without its continuation bytes is a character of its own,
// so a damaged byte never swallows the switch that follows it.
std::size_t CharLength(std::string_view s, std::size_t pos) {
  const auto b = static_cast<unsigned char>(s[pos]);
  std::size_t len = 1;
  if (b >= 0xC2 && b <= 0xDF) len = 2;
  if (b >= 0xE0 && b <= 0xEF) len = 3;
  if (b >= 0xF0 && b <= 0xF4) len = 4;
  if (len > s.size() - pos) return 1;
  for (std::size_t i = 1; i < len; ++i) {
    if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return 1;
  }
  return len;
}

// Byte offset of the n-th character (0-based), or npos.
std::size_t CharOffset(std::string_view s, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (pos >= s.size()) return std::string_view::npos;
    pos += CharLength(s, pos);
  }
  return pos < s.size() ? pos : std::string_view::npos;
}

}  // namespace

std::string SwitchLetter(std::string_view commandLine) {
  std::size_t at = CharOffset(commandLine, 1);
  if (at == std::string_view::npos) return {};
  std::string letter(commandLine.substr(at, CharLength(commandLine, at)));
  if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'z')
    letter[0] = static_cast<char>(letter[0] - 32);
  return letter;
}

std::string MidFrom(std::string_view commandLine, std::size_t n) {
  if (n == 0) n = 1;
  std::size_t at = CharOffset(commandLine, n - 1);
  if (at == std::string_view::npos) return {};
  return std::string(commandLine.substr(at));
}

}  // namespace kal
