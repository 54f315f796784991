#include "platform/Numeric.h"

#include <cctype>
#include <cstdlib>

namespace kal {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view t) {
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
  return t;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Parses the longest decimal number at the start of t: [sign] digits [. digits]
// [(E|D) [sign] digits]. Returns the characters used (0 when there is no number).
std::size_t ParseDecimal(std::string_view t, double& value) {
  std::size_t i = 0;
  std::string buf;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) buf += t[i++];
  std::size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) {
    buf += t[i++];
    ++digits;
  }
  if (i < t.size() && t[i] == '.') {
    buf += t[i++];
    while (i < t.size() && IsDigit(t[i])) {
      buf += t[i++];
      ++digits;
    }
  }
  if (digits == 0) return 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) exp += t[j++];
    std::size_t expDigits = 0;
    while (j < t.size() && IsDigit(t[j])) {
      exp += t[j++];
      ++expDigits;
    }
    if (expDigits > 0) {
      buf += exp;
      i = j;
    }
  }
  value = std::strtod(buf.c_str(), nullptr);
  return i;
}

// &H1F / &O17: 16-bit when they fit, as the classic conversion reads them.
// whole: every character after the prefix is a digit, else there is no
// number; otherwise the digits up to the first other character (at least one).
bool ParseRadix(std::string_view t, double& value, bool whole) {
  if (t.size() < 3 || t[0] != '&') return false;
  int base = (t[1] == 'H' || t[1] == 'h') ? 16 : (t[1] == 'O' || t[1] == 'o') ? 8 : 0;
  if (base == 0) return false;
  unsigned long long v = 0;
  std::size_t i = 2;
  for (; i < t.size(); ++i) {
    int d = std::isxdigit(static_cast<unsigned char>(t[i]))
                ? (IsDigit(t[i]) ? t[i] - '0' : (std::toupper(static_cast<unsigned char>(t[i])) - 'A' + 10))
                : 99;
    if (d >= base) {
      if (whole) return false;
      break;
    }
    v = v * base + d;
    if (v > 0xFFFFFFFFULL) Raise(ErrorCode::Overflow, "Overflow");
  }
  if (i == 2) return false;
  if (v <= 0xFFFF)
    value = static_cast<double>(static_cast<std::int16_t>(v));
  else
    value = static_cast<double>(static_cast<std::int32_t>(v));
  return true;
}

}  // namespace

double TextToNumber(std::string_view text) {
  std::string_view t = TrimBlanks(text);
  double v = 0;
  if (ParseRadix(t, v, true)) return v;
  std::size_t used = ParseDecimal(t, v);
  if (used == 0 || used != t.size()) Raise(ErrorCode::TypeMismatch, "Type mismatch");
  return v;
}

double LeadingNumber(std::string_view text) {
  std::string_view t = text;
  while (!t.empty() && (IsBlank(t.front()) || t.front() == '\n' || t.front() == '\r')) t.remove_prefix(1);
  double v = 0;
  if (ParseRadix(t, v, false)) return v;
  return ParseDecimal(t, v) ? v : 0.0;
}

std::string IntegerText(long long v) { return std::to_string(v); }

std::string SignedNumberText(long long v) {
  std::string text(v < 0 ? "" : " ");
  text += std::to_string(v);
  return text;
}

}  // namespace kal
