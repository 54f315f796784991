#include "platform/Numeric.h"

#include <gtest/gtest.h>

#include <limits>

namespace kal {
namespace {

ErrorCode CodeOf(auto&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return ErrorCode::InvalidCall;  // no error: callers expect one
}

TEST(Numeric, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
  EXPECT_EQ(RoundHalfEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(2.4999999), 2.0);
  EXPECT_EQ(RoundHalfEven(2.5000001), 3.0);
  // x + n - 2.4 always ends in .6: a jitter step never lands on a tie.
  EXPECT_EQ(RoundToInt32(100 + 0 - 2.4), 98);
  EXPECT_EQ(RoundToInt32(100 + 4 - 2.4), 102);
}

TEST(Numeric, FloorMatchesTheLibraryEverywhere) {
  for (double v : {0.0, -0.0, 0.5, -0.5, 1.0, -1.0, 2.9999999, -2.0000001, 4.0e15, -4.0e15 - 0.5, 1e300,
                   -1e300, 123456789.75, -123456789.75, 1e-300, -1e-300}) {
    EXPECT_EQ(Floor(v), std::floor(v)) << v;
  }
  EXPECT_TRUE(std::isnan(Floor(std::nan(""))));
  EXPECT_EQ(Floor(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());
}

TEST(Numeric, NarrowingRaisesOverflowOutsideTheWidth) {
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(CodeOf([] { RoundToInt16(32767.5); }), ErrorCode::Overflow);  // rounds to 32768
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);                              // ties to even stay in range
  EXPECT_EQ(CodeOf([] { RoundToInt16(-32769); }), ErrorCode::Overflow);
  EXPECT_EQ(FloorToInt16(-2.5), -3);
  EXPECT_EQ(FloorToInt16(120.9), 120);
  EXPECT_EQ(CodeOf([] { FloorToInt16(40000); }), ErrorCode::Overflow);
  EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(CodeOf([] { RoundToInt32(2147483647.5); }), ErrorCode::Overflow);
  EXPECT_EQ(CodeOf([] { RoundToInt32(std::nan("")); }), ErrorCode::Overflow);
  EXPECT_EQ(Add16(32757, 10), 32767);
  EXPECT_EQ(CodeOf([] { Add16(32758, 10); }), ErrorCode::Overflow);
  EXPECT_EQ(CodeOf([] { Sub16(-32760, 10); }), ErrorCode::Overflow);
}

// The checked sums work in integers; they must raise exactly where the
// double sum narrowed with CheckedNarrow does.
TEST(Numeric, CheckedSumsRaiseWhereTheDoubleSumsDo) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::int32_t values[] = {kMin, kMin + 1, -32769, -32768, -32767, -10,   -1,       0,
                                 1,    10,       32757,  32758,  32767,  32768, kMax - 1, kMax};
  auto same = [](auto integer, auto viaDouble) {
    ErrorCode a = ErrorCode::InvalidCall, b = ErrorCode::InvalidCall;
    long long va = 0, vb = 0;
    try {
      va = integer();
    } catch (const RuntimeError& e) {
      a = e.code();
    }
    try {
      vb = viaDouble();
    } catch (const RuntimeError& e) {
      b = e.code();
    }
    return a == b && va == vb;
  };
  for (std::int32_t a : values) {
    for (std::int32_t b : values) {
      EXPECT_TRUE(
          same([&] { return Add16(a, b); }, [&] { return CheckedNarrow<std::int16_t>(double(a) + b); }))
          << a << " + " << b;
      EXPECT_TRUE(
          same([&] { return Sub16(a, b); }, [&] { return CheckedNarrow<std::int16_t>(double(a) - b); }))
          << a << " - " << b;
      EXPECT_TRUE(
          same([&] { return Add32(a, b); }, [&] { return CheckedNarrow<std::int32_t>(double(a) + b); }))
          << a << " + " << b;
    }
  }
}

TEST(Numeric, TextToNumberAcceptsNumbersWithBlanksOnly) {
  EXPECT_EQ(TextToNumber("250"), 250);
  EXPECT_EQ(TextToNumber(" 250"), 250);
  EXPECT_EQ(TextToNumber("\t250  "), 250);
  EXPECT_EQ(TextToNumber("250.7"), 250.7);
  EXPECT_EQ(TextToNumber("-2.5"), -2.5);
  EXPECT_EQ(TextToNumber("+7"), 7);
  EXPECT_EQ(TextToNumber(".5"), 0.5);
  EXPECT_EQ(TextToNumber("1e3"), 1000);
  EXPECT_EQ(TextToNumber("&H10"), 16);
  EXPECT_EQ(TextToNumber("&o17"), 15);
  for (const char* bad : {"", " ", "abc", "12abc", "1 2", "--1", ".", "&H", "&HZZ", "e5"}) {
    EXPECT_EQ(CodeOf([&] { TextToNumber(bad); }), ErrorCode::TypeMismatch) << '"' << bad << '"';
  }
}

TEST(Numeric, LeadingNumberTakesWhatItCanAndOtherwiseZero) {
  EXPECT_EQ(LeadingNumber("123"), 123);
  EXPECT_EQ(LeadingNumber("  456 789"), 456);
  EXPECT_EQ(LeadingNumber("77abc"), 77);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("-12"), -12);
  // A radix number ends at its first character that is no digit of it.
  EXPECT_EQ(LeadingNumber("&H1F "), 31);
  EXPECT_EQ(LeadingNumber("&o179"), 15);
  EXPECT_EQ(LeadingNumber("&Hz"), 0);
}

TEST(Numeric, NumberTexts) {
  EXPECT_EQ(IntegerText(250), "250");
  EXPECT_EQ(IntegerText(-3), "-3");
  EXPECT_EQ(SignedNumberText(300), " 300");
  EXPECT_EQ(SignedNumberText(0), " 0");
  EXPECT_EQ(SignedNumberText(-3), "-3");
}

}  // namespace
}  // namespace kal
