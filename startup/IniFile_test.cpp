#include "startup/IniFile.h"

#include <gtest/gtest.h>

#include "startup/SettingsFile.h"

namespace kal {
namespace {

const std::string kKey(kSettingsKey);

TEST(IniRead, NamesAreCaseInsensitiveAndBlanksAreTrimmed) {
  std::string ini = "[ section ]\n  KEY\t=  value with inner blanks \t\n";
  EXPECT_EQ(IniGet(ini, "Section", "key"), "value with inner blanks");
  EXPECT_EQ(IniGet(ini, "SECTION", "Key"), "value with inner blanks");
  EXPECT_EQ(IniGet(ini, "Other", "key"), std::nullopt);
  EXPECT_EQ(IniGet(ini, "Section", "keys"), std::nullopt);
}

TEST(IniRead, OneMatchingPairOfQuotesIsRemoved) {
  std::string ini = "[s]\na=\"quoted\"\nb='single'\nc=\"unmatched\nd=\"\"x\"\"\ne=\"mixed'\n";
  EXPECT_EQ(IniGet(ini, "s", "a"), "quoted");
  EXPECT_EQ(IniGet(ini, "s", "b"), "single");
  EXPECT_EQ(IniGet(ini, "s", "c"), "\"unmatched");
  EXPECT_EQ(IniGet(ini, "s", "d"), "\"x\"");
  EXPECT_EQ(IniGet(ini, "s", "e"), "\"mixed'");
}

TEST(IniRead, FirstDuplicateWinsCommentsAndInlineSemicolons) {
  std::string ini = "; a comment line\n[s]\n;k=commented\nk=first\nk=second\nv=abc ; x\n";
  EXPECT_EQ(IniGet(ini, "s", "k"), "first");
  EXPECT_EQ(IniGet(ini, "s", "v"), "abc ; x");
  EXPECT_EQ(IniGet(ini, "s", ";k"), std::nullopt);
}

TEST(IniRead, LfAndCrlfReadTheSameAndKeysOutsideTheSectionDoNotCount) {
  EXPECT_EQ(IniGet("k=0\r\n[s]\r\nk=1\r\n[t]\r\nk=2\r\n", "s", "k"), "1");
  EXPECT_EQ(IniGet("k=0\n[s]\nk=1\n[t]\nk=2", "s", "k"), "1");
  EXPECT_EQ(IniGet("k=0\n", "s", "k"), std::nullopt);
  EXPECT_EQ(IniGet("", "s", "k"), std::nullopt);
  EXPECT_EQ(IniGet("[s]\nk=\n", "s", "k"), "");
}

TEST(IniRead, ShiftJisTrailBytesAreNeverCaseFolded) {
  // 0x82 0x61 is a full-width 'Ａ' in Shift-JIS; its trail byte is an ASCII 'a'.
  EXPECT_TRUE(IniNamesEqual("x\x82\x61", "X\x82\x61"));
  EXPECT_FALSE(IniNamesEqual("\x82\x61", "\x82\x41"));
  std::string ini = "[Section]\r\n" + kKey + "= 250\r\n";
  EXPECT_EQ(IniGet(ini, "section", kKey), "250");
}

TEST(IniWrite, CreatesSectionAndKeyWithCrlf) {
  EXPECT_EQ(IniSet("", "Section", kKey, " 300"), "[Section]\r\n" + kKey + "= 300\r\n");
}

TEST(IniWrite, ReplacesTheFirstValueAndKeepsEveryOtherLine) {
  std::string before = "; my notes\n[Other]\nk=1\n\n[SECTION]\nfoo = bar\n" + kKey + "=100\n" + kKey +
                       "=999\n\n[Last]\nz=\"q\"\n";
  std::string after = IniSet(before, "Section", kKey, " 300");
  EXPECT_EQ(after, "; my notes\r\n[Other]\r\nk=1\r\n\r\n[SECTION]\r\nfoo = bar\r\n" + kKey + "= 300\r\n" +
                       kKey + "=999\r\n\r\n[Last]\r\nz=\"q\"\r\n");
  EXPECT_EQ(IniGet(after, "Section", kKey), "300");
  EXPECT_EQ(IniGet(after, "Last", "z"), "q");
}

TEST(IniWrite, AddsAMissingKeyAtTheEndOfItsSectionBeforeBlankLines) {
  std::string after = IniSet("[Section]\r\nfoo=1\r\n\r\n[Next]\r\nbar=2", "Section", "k", "v");
  EXPECT_EQ(after, "[Section]\r\nfoo=1\r\nk=v\r\n\r\n[Next]\r\nbar=2\r\n");
  std::string appended = IniSet("[Other]\r\na=1", "Section", "k", "v");
  EXPECT_EQ(appended, "[Other]\r\na=1\r\n[Section]\r\nk=v\r\n");
}

}  // namespace
}  // namespace kal
