// Numeric conversions with the program's rules: halves round to the even
// neighbour unless floor is asked for; a result that does not fit raises Overflow.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "platform/Errors.h"

namespace kal {

template <class Int>
Int CheckedNarrow(double v) {
  // NaN fails both comparisons, so it is refused as well.
  if (!(v >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        v <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    Raise(ErrorCode::Overflow, "Overflow");
  }
  return static_cast<Int>(v);
}

// floor(), without a library call for the values a frame meets (the
// conversion truncates towards zero; one step down fixes negatives).
inline double Floor(double v) {
  if (std::fabs(v) < 4.0e15) {
    double t = static_cast<double>(static_cast<long long>(v));
    return t > v ? t - 1.0 : t;
  }
  return std::floor(v);  // huge, infinite or NaN
}

// Nearest integer, ties to even (independent of the FPU rounding mode).
inline double RoundHalfEven(double v) {
  double f = Floor(v);
  double diff = v - f;
  if (diff > 0.5) return f + 1.0;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

inline std::int16_t RoundToInt16(double v) { return CheckedNarrow<std::int16_t>(RoundHalfEven(v)); }
inline std::int32_t RoundToInt32(double v) { return CheckedNarrow<std::int32_t>(RoundHalfEven(v)); }
inline std::int16_t FloorToInt16(double v) { return CheckedNarrow<std::int16_t>(Floor(v)); }
inline std::int32_t FloorToInt32(double v) { return CheckedNarrow<std::int32_t>(Floor(v)); }

// Raises Overflow; out of line, so the checks in hot code stay a compare and a jump.
[[noreturn, gnu::noinline, gnu::cold]] inline void RaiseOverflow() { Raise(ErrorCode::Overflow, "Overflow"); }

// A 64-bit integer narrowed with CheckedNarrow's rule: outside the width raises Overflow.
template <class Int>
Int CheckedNarrowInt(std::int64_t v) {
  if (v < std::numeric_limits<Int>::min() || v > std::numeric_limits<Int>::max()) RaiseOverflow();
  return static_cast<Int>(v);
}

// Addition and subtraction that raise Overflow instead of wrapping. The sum of
// two 32-bit values is exact both as a double and as a 64-bit integer, so
// these are CheckedNarrow(double(a) + b), done in integers.
inline std::int16_t Add16(std::int32_t a, std::int32_t b) {
  return CheckedNarrowInt<std::int16_t>(std::int64_t{a} + b);
}
inline std::int16_t Sub16(std::int32_t a, std::int32_t b) {
  return CheckedNarrowInt<std::int16_t>(std::int64_t{a} - b);
}
inline std::int32_t Add32(std::int32_t a, std::int32_t b) {
  return CheckedNarrowInt<std::int32_t>(std::int64_t{a} + b);
}

// Text to number as the classic numeric conversion does it: surrounding blanks
// ignored, optional sign, digits with an optional fraction and exponent, or the
// &H / &O radix prefixes. Anything else raises TypeMismatch.
double TextToNumber(std::string_view text);

// The leading number of a text (blanks skipped); 0 when there is none. An &H
// or &O number wider than 32 bits raises Overflow, as in TextToNumber.
double LeadingNumber(std::string_view text);

// Decimal text of an integer: "-12", "250".
std::string IntegerText(long long v);

// Decimal text with a sign position: " 250", "-3".
std::string SignedNumberText(long long v);

}  // namespace kal
