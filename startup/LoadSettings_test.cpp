#include <gtest/gtest.h>

#include "platform/memory/MemoryPlatform.h"
#include "startup/SettingsFile.h"
#include "startup/Sorvin_B.h"

namespace kal {
namespace {

const std::string kKey(kSettingsKey);
const std::string kPath = "C:\\Program Files\\Kalvessa\\Kalvessa.ini";

struct Loaded {
  std::int16_t count;
  std::string text;
};

Loaded LoadWith(const std::optional<std::string>& fileContent) {
  MemoryPlatform p;
  if (fileContent) p.files[kPath] = *fileContent;
  Sorvin_B b(p);
  b.LoadSettings();
  return {b.ParticleCount, b.SettingText};
}

std::string FileWithValue(const std::string& v) { return "[Section]\r\n" + kKey + "=" + v + "\r\n"; }

TEST(LoadSettings, MissingFileSectionKeyOrEmptyValueMean120) {
  Loaded none = LoadWith(std::nullopt);
  EXPECT_EQ(none.count, 120);
  EXPECT_EQ(none.text, "");
  EXPECT_EQ(LoadWith("[Other]\r\n" + kKey + "=300\r\n").count, 120);
  EXPECT_EQ(LoadWith("[Section]\r\nother=300\r\n").count, 120);
  EXPECT_EQ(LoadWith(FileWithValue("")).count, 120);
  EXPECT_EQ(LoadWith(FileWithValue("   ")).count, 120);
}

TEST(LoadSettings, WholeNumbersWithOrWithoutTheLeadingBlank) {
  EXPECT_EQ(LoadWith(FileWithValue("250")).count, 250);
  Loaded spaced = LoadWith(FileWithValue(" 250"));
  EXPECT_EQ(spaced.count, 250);
  EXPECT_EQ(spaced.text, "250");  // the reader trims blanks like the profile functions
  EXPECT_EQ(LoadWith(FileWithValue("\" 250\"")).count, 250);
  EXPECT_EQ(LoadWith(FileWithValue("\" 250\"")).text, " 250");
}

TEST(LoadSettings, FractionsFloorAndNothingIsClamped) {
  EXPECT_EQ(LoadWith(FileWithValue("250.7")).count, 250);
  EXPECT_EQ(LoadWith(FileWithValue("120.9")).count, 120);
  EXPECT_EQ(LoadWith(FileWithValue("-2.5")).count, -3);
  EXPECT_EQ(LoadWith(FileWithValue("1000")).count, 1000);
  EXPECT_EQ(LoadWith(FileWithValue("32767")).count, 32767);
  EXPECT_EQ(LoadWith(FileWithValue("50")).count, 50);
}

TEST(LoadSettings, TextThatIsNoNumberOrDoesNotFitLeavesZero) {
  for (const char* bad : {"abc", "40000", "-32769", "12abc", "1e9"}) {
    Loaded l = LoadWith(FileWithValue(bad));
    EXPECT_EQ(l.count, 0) << bad;
    EXPECT_EQ(l.text, bad);
  }
}

TEST(LoadSettings, DriveRootReadsAndWritesTheFileInThatRoot) {
  MemoryPlatform p;
  p.appPath = "D:\\";
  EXPECT_EQ(SettingsPath(p), "D:\\\\Kalvessa.ini");
  // The doubled separator still names the file in the root.
  p.files["D:\\Kalvessa.ini"] = FileWithValue("333");
  Sorvin_B b(p);
  b.LoadSettings();
  EXPECT_EQ(b.ParticleCount, 333);
  WriteIniString(p, kSettingsSection, kSettingsKey, " 400", SettingsPath(p));
  EXPECT_EQ(p.files.at("D:\\Kalvessa.ini"), FileWithValue(" 400"));
  EXPECT_EQ(p.files.size(), 1u);
}

TEST(WriteIniString, KeepsOtherContentAndNeverClobbersWhatItCannotRead) {
  MemoryPlatform p;
  p.files[kPath] = "; mine\n[Section]\nx=1\n";
  EXPECT_EQ(WriteIniString(p, "Section", kKey, " 300", kPath), "");
  EXPECT_EQ(p.files[kPath], "; mine\r\n[Section]\r\nx=1\r\n" + kKey + "= 300\r\n");
  EXPECT_EQ(ReadIniString(p, "Section", kKey, kPath), "300");

  // Exists but unreadable: left alone rather than rewritten from nothing.
  p.unreadableFiles.push_back(kPath);
  WriteIniString(p, "Section", kKey, " 400", kPath);
  EXPECT_EQ(p.files[kPath], "; mine\r\n[Section]\r\nx=1\r\n" + kKey + "= 300\r\n");

  // A write that fails is not reported and changes nothing.
  MemoryPlatform q;
  q.failWrites = true;
  EXPECT_EQ(WriteIniString(q, "Section", kKey, " 300", kPath), "");
  EXPECT_TRUE(q.files.empty());
}

TEST(ReadIniString, ValuesAreCutAt255BytesAndNamesAtTheirNul) {
  MemoryPlatform p;
  std::string longValue(300, '7');
  p.files[kPath] = "[Section]\r\nk=" + longValue + "\r\n";
  EXPECT_EQ(ReadIniString(p, "Section", "k", kPath), std::string(255, '7'));
  EXPECT_EQ(ReadIniString(p, std::string("Section\0junk", 12), "k", kPath).size(), 255u);
  EXPECT_EQ(ReadIniString(p, "Section", "k", "C:\\nowhere.ini"), "");
}

}  // namespace
}  // namespace kal
