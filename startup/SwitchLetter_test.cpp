#include "startup/SwitchLetter.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

TEST(SwitchLetter, OnlyTheSecondCharacterCountsInEitherCase) {
  EXPECT_EQ(SwitchLetter("/s"), "S");
  EXPECT_EQ(SwitchLetter("-S"), "S");
  EXPECT_EQ(SwitchLetter("xs"), "S");
  EXPECT_EQ(SwitchLetter("/sfoo"), "S");
  EXPECT_EQ(SwitchLetter("/c:1234"), "C");
  EXPECT_EQ(SwitchLetter("/p 123"), "P");
  EXPECT_EQ(SwitchLetter("/x 5"), "X");
  EXPECT_EQ(SwitchLetter("\"/s\""), "/");  // a quoted switch no longer has the letter second
}

TEST(SwitchLetter, ShortLinesGiveNoLetter) {
  EXPECT_EQ(SwitchLetter(""), "");
  EXPECT_EQ(SwitchLetter("s"), "");
  EXPECT_EQ(SwitchLetter("/"), "");
}

TEST(SwitchLetter, CountsCharactersNotBytes) {
  // A two-byte first character still leaves the letter second.
  EXPECT_EQ(SwitchLetter("\xEF\xBC\x8Fs"), "S");  // full-width solidus
  EXPECT_EQ(SwitchLetter("/\xE3\x81\x82"), "\xE3\x81\x82");
  EXPECT_EQ(MidFrom("/p 123", 4), "123");
  EXPECT_EQ(MidFrom("/p", 4), "");
  EXPECT_EQ(MidFrom("/a  77 ", 4), " 77 ");
  // A byte that starts a sequence but is not followed by one is one character.
  EXPECT_EQ(SwitchLetter("\xC3/s"), "/");
  EXPECT_EQ(SwitchLetter("/\xE3s"), "\xE3");
  EXPECT_EQ(SwitchLetter("/\xF0\x9F\x98"), "\xF0");
  EXPECT_EQ(MidFrom("/\xF0p 12", 3), "p 12");
}

}  // namespace
}  // namespace kal
