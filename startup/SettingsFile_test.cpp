#include "startup/SettingsFile.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/memory/MemoryPlatform.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixFiles.h"

namespace kal {
namespace {

const std::string kPath = "C:\\Kalvessa\\Kalvessa.ini";

// Text converted by the C library, independently of the code under test.
std::string Iconv(const char* to, const char* from, std::string_view in) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "(no iconv " + std::string(from) + " -> " + to + ")";
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  char* dst = out.data();
  std::size_t left = in.size(), room = out.size();
  const std::size_t rc = ::iconv(cd, &src, &left, &dst, &room);
  ::iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return "(iconv failed)";
  out.resize(out.size() - room);
  return out;
}

TEST(SettingsFile, UnicodeFilesAreReadAndWrittenInTheirOwnEncoding) {
  // The key as iconv spells code page 932's bytes, other lines with text no
  // ANSI code page holds, the section name in another case.
  const std::string key = Iconv("UTF-8", "CP932", kSettingsKey);
  const std::string before =
      "; メモ ü € 😀\r\n[Other]\r\n" + key + "=1\r\n[section]\r\n" + key + "= 250\r\nx=y\r\n";
  const std::string after =
      "; メモ ü € 😀\r\n[Other]\r\n" + key + "=1\r\n[section]\r\n" + key + "= 300\r\nx=y\r\n";
  struct Case {
    const char* encoding;
    std::string mark;
  };
  for (const Case& c :
       {Case{"UTF-16LE", "\xFF\xFE"}, Case{"UTF-16BE", "\xFE\xFF"}, Case{"UTF-8", "\xEF\xBB\xBF"}}) {
    MemoryPlatform p;
    p.files[kPath] = c.mark + Iconv(c.encoding, "UTF-8", before);
    EXPECT_EQ(ReadIniString(p, kSettingsSection, kSettingsKey, kPath), "250") << c.encoding;
    EXPECT_TRUE(StoreIniString(p, kSettingsSection, kSettingsKey, " 300", kPath)) << c.encoding;
    EXPECT_EQ(p.files[kPath], c.mark + Iconv(c.encoding, "UTF-8", after)) << c.encoding;

    // Only the mark: the section and key are added in the same encoding.
    p.files[kPath] = c.mark;
    EXPECT_TRUE(StoreIniString(p, kSettingsSection, kSettingsKey, "7", kPath)) << c.encoding;
    EXPECT_EQ(p.files[kPath], c.mark + Iconv(c.encoding, "UTF-8", "[Section]\r\n" + key + "=7\r\n"))
        << c.encoding;
  }
}

TEST(SettingsFile, AUnicodeFileThatCannotTakeTheTextIsLeftAlone) {
  MemoryPlatform p;
  p.appPath = "C:\\Kalvessa";
  const std::string whole = "\xFF\xFE" + Iconv("UTF-16LE", "UTF-8", "[Section]\r\nk=1\r\n");
  struct Case {
    std::string content, value;
  };
  // Half a UTF-16 unit at the end; a value with no spelling in Unicode here.
  for (const Case& c : {Case{whole + "\x0A", " 300"}, Case{whole, "\x82\x52"}}) {
    p.files[SettingsPath(p)] = c.content;
    std::string report = WriteSetting(p, c.value);
    EXPECT_NE(report.find(SettingsPath(p)), std::string::npos) << report;
    EXPECT_EQ(p.files[SettingsPath(p)], c.content);
  }
}

TEST(SettingsFile, ASaveNeverMakesAFileItsReaderWouldRefuse) {
  static_assert(static_cast<std::size_t>(PosixFiles::kMaxReadBytes) == kMaxSettingsFileBytes);
  // A file of exactly the largest size read, holding "250" without the
  // blank: " 250" makes it one byte larger.
  const std::string head = "[Section]\r\n" + std::string(kSettingsKey) + "=250\r\n;";
  const std::string full = head + std::string(kMaxSettingsFileBytes - head.size() - 2, 'x') + "\r\n";
  ASSERT_EQ(full.size(), kMaxSettingsFileBytes);
  struct Case {
    std::string value;
    bool stored;
  };
  for (const Case& c : {Case{" 250", false}, Case{" 2500", false}, Case{"251", true}, Case{"25", true}}) {
    MemoryPlatform p;
    p.appPath = "C:\\Kalvessa";
    p.userSettingsDirectory = "C:\\Users\\u\\AppData\\Roaming\\Kalvessa";  // a file to fall back to
    const SettingsFiles files = SettingsPaths(p);
    p.files[files.beside] = full;
    const std::string report = WriteSetting(p, c.value);
    EXPECT_EQ(report.empty(), c.stored) << c.value << ": " << report;
    EXPECT_EQ(p.files.count(files.perUser), 0u) << c.value << ": passed over to the per-user file";
    if (c.stored) {
      EXPECT_EQ(ReadSetting(p), c.value);
      EXPECT_LE(p.files[files.beside].size(), kMaxSettingsFileBytes);
    } else {
      EXPECT_EQ(p.files[files.beside], full) << c.value;
      const std::string size = std::to_string(kMaxSettingsFileBytes + c.value.size() - 3);
      for (const std::string& part : {files.beside, size, std::to_string(kMaxSettingsFileBytes)})
        EXPECT_NE(report.find(part), std::string::npos) << part << " not in: " << report;
    }
  }
}

TEST(SettingsFile, AFileTooLargeOrNotRegularIsNeverRewritten) {
  char tmpl[] = "/tmp/kal-settings-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string d = tmpl;
  const std::string big = "[Section]\r\n" + std::string(2 << 20, ';') + "\r\n";
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(d + "/big.ini", big));
  ASSERT_EQ(::symlink("null", (d + "/link.ini").c_str()), 0);
  const bool haveDevice = ::mknod((d + "/null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
  PosixFileSystem files;  // the settings code over the real file system
  EXPECT_FALSE(SaveIniString(files, kSettingsSection, kSettingsKey, " 300", d + "/big.ini").empty());
  EXPECT_EQ(PosixFiles::ReadFile(d + "/big.ini"), std::nullopt);
  EXPECT_EQ(std::filesystem::file_size(d + "/big.ini"), big.size());
  if (haveDevice) {
    EXPECT_FALSE(SaveIniString(files, kSettingsSection, kSettingsKey, " 300", d + "/link.ini").empty());
    EXPECT_TRUE(std::filesystem::is_character_file(d + "/null"));
  }
  std::filesystem::remove_all(d);
  if (!haveDevice) GTEST_SKIP() << "no device node could be made (not root): the device case did not run";
}

}  // namespace
}  // namespace kal
