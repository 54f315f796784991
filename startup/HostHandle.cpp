#include "startup/HostHandle.h"

#include <cstdint>

#include "platform/Errors.h"
#include "platform/Numeric.h"

namespace kal {
namespace {

constexpr double kTwoTo32 = 4294967296.0;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "0x" and at least one hex digit, after blanks: the value (saturating far
// above 32 bits), else nullopt.
std::optional<double> LeadingHex(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  if (t.size() < 3 || t[0] != '0' || (t[1] != 'x' && t[1] != 'X') || HexDigit(t[2]) < 0) return std::nullopt;
  double v = 0;
  for (std::size_t i = 2; i < t.size() && HexDigit(t[i]) >= 0; ++i) {
    if (v < kTwoTo32 * 16) v = v * 16 + HexDigit(t[i]);
  }
  return v;
}

}  // namespace

std::optional<Handle> HostHandle(std::string_view textAfterSwitch) {
  double v = 0;
  if (std::optional<double> hex = LeadingHex(textAfterSwitch)) {
    v = *hex;
  } else {
    // The leading-number conversion raises Overflow on an &H or &O number
    // wider than 32 bits: too large, so no window either.
    try {
      v = RoundHalfEven(LeadingNumber(textAfterSwitch));
    } catch (const RuntimeError&) {
      return std::nullopt;
    }
  }
  // NaN fails both comparisons.
  if (!(v >= -2147483648.0 && v < kTwoTo32)) return std::nullopt;
  const auto bits = static_cast<std::uint32_t>(static_cast<std::int64_t>(v));
  if (bits == 0) return std::nullopt;
  return static_cast<Handle>(bits);
}

}  // namespace kal
