#include "startup/SwitchLetter.h"

namespace kal {
namespace {

// Byte length of the UTF-8 sequence starting with b (invalid bytes count as one).
std::size_t SequenceLength(unsigned char b) {
  if (b >= 0xF0 && b <= 0xF7) return 4;
  if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
  if (b >= 0xC2) return 2;
  return 1;
}

// Byte offset of the n-th character (0-based), or npos.
std::size_t CharOffset(std::string_view s, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (pos >= s.size()) return std::string_view::npos;
    pos += SequenceLength(static_cast<unsigned char>(s[pos]));
  }
  return pos < s.size() ? pos : std::string_view::npos;
}

}  // namespace

std::string SwitchLetter(std::string_view commandLine) {
  std::size_t at = CharOffset(commandLine, 1);
  if (at == std::string_view::npos) return {};
  std::size_t len = SequenceLength(static_cast<unsigned char>(commandLine[at]));
  std::string letter(commandLine.substr(at, len));
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
