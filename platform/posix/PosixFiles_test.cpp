#include "platform/posix/PosixFiles.h"

#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/Arguments.h"

namespace kal {
namespace {

// A fresh directory under /tmp, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/kal-posix-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() { Remove(path_); }
  const std::string& path() const { return path_; }

  static std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
      while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      ::closedir(d);
    }
    return names;
  }

 private:
  static void Remove(const std::string& p) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
      ::chmod(p.c_str(), 0700);
      for (const auto& n : List(p)) Remove(p + "/" + n);
      ::rmdir(p.c_str());
    } else {
      ::unlink(p.c_str());
    }
  }
  std::string path_;
};

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(PosixFilesTest, WritesThenReadsBytesUnchanged) {
  TempDir dir;
  std::string path = dir.path() + "/Kalvessa.ini";
  std::string bytes("[Section]\r\n\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94= 300\r\n\0tail", 35);
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, bytes));
  EXPECT_EQ(PosixFiles::ReadFile(path), bytes);
  // Only the file itself is left: no temporary beside it.
  EXPECT_EQ(TempDir::List(dir.path()), std::vector<std::string>{"Kalvessa.ini"});
}

TEST(PosixFilesTest, ReplacesExistingContentAndKeepsItsMode) {
  TempDir dir;
  std::string path = dir.path() + "/f.ini";
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, std::string(100000, 'x')));
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, "short"));
  EXPECT_EQ(PosixFiles::ReadFile(path), "short");
  EXPECT_EQ(ModeOf(path), 0640u);
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, ""));
  EXPECT_EQ(PosixFiles::ReadFile(path), "");
}

TEST(PosixFilesTest, NewFileGetsModeFromUmask) {
  TempDir dir;
  mode_t old = ::umask(022);
  bool ok = PosixFiles::WriteFileAtomic(dir.path() + "/n", "1");
  ::umask(old);
  ASSERT_TRUE(ok);
  EXPECT_EQ(ModeOf(dir.path() + "/n"), 0644u);
}

TEST(PosixFilesTest, CreatesMissingParentDirectoriesPrivately) {
  TempDir dir;
  std::string path = dir.path() + "/a/b/kalvessa/Kalvessa.ini";
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, "v"));
  EXPECT_EQ(PosixFiles::ReadFile(path), "v");
  EXPECT_EQ(ModeOf(dir.path() + "/a/b/kalvessa"), 0700u);
}

TEST(PosixFilesTest, WritesThroughASymbolicLinkToItsTarget) {
  TempDir dir;
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(dir.path() + "/real.ini", "old"));
  ASSERT_EQ(::symlink("real.ini", (dir.path() + "/link.ini").c_str()), 0);
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(dir.path() + "/link.ini", "new"));
  EXPECT_EQ(PosixFiles::ReadFile(dir.path() + "/real.ini"), "new");
  struct stat st {};
  ASSERT_EQ(::lstat((dir.path() + "/link.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(PosixFilesTest, FailsCleanlyWhereNothingCanBeWritten) {
  TempDir dir;
  // A parent that is a regular file: no directory can be made there.
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(dir.path() + "/file", "x"));
  EXPECT_FALSE(PosixFiles::WriteFileAtomic(dir.path() + "/file/sub/Kalvessa.ini", "v"));
  // The target is a directory: the rename is refused and the temporary removed.
  ::mkdir((dir.path() + "/isdir").c_str(), 0700);
  EXPECT_FALSE(PosixFiles::WriteFileAtomic(dir.path() + "/isdir", "v"));
  EXPECT_TRUE(TempDir::List(dir.path()).size() == 2u) << "a temporary was left behind";
  // Paths that name no file at all.
  EXPECT_FALSE(PosixFiles::WriteFileAtomic("", "v"));
  EXPECT_FALSE(PosixFiles::WriteFileAtomic(dir.path() + "/", "v"));
  EXPECT_FALSE(PosixFiles::WriteFileAtomic("/proc/kalvessa-test/x.ini", "v"));
}

TEST(PosixFilesTest, ReadOnlyDirectoryRefusesTheWrite) {
  TempDir dir;
  std::string ro = dir.path() + "/ro";
  ASSERT_EQ(::mkdir(ro.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(ro.c_str(), 0555), 0);
  // Root writes anywhere: try as an unprivileged user in a child process.
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    bool wrote = PosixFiles::WriteFileAtomic(ro + "/Kalvessa.ini", "v");
    bool wroteBelow = PosixFiles::WriteFileAtomic(ro + "/sub/Kalvessa.ini", "v");
    ::_exit(wrote || wroteBelow ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: a write succeeded, 3: could not drop privileges";
  EXPECT_TRUE(TempDir::List(ro).empty());
}

// Runs fn in a child process with at most 256 MiB of address space and 10
// seconds: its exit status (4: it threw), or -signal when it was killed
// (SIGALRM: it hung).
int InChild(const std::function<int()>& fn) {
  pid_t pid = ::fork();
  if (pid == 0) {
    rlimit space{256u << 20, 256u << 20};
    ::setrlimit(RLIMIT_AS, &space);
    ::alarm(10);
    int code = 4;
    try {
      code = fn();
    } catch (...) {  // out of memory: nothing of the child may reach the test
    }
    ::_exit(code);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// A character device like /dev/null inside the test's folder (root only).
bool MakeNullDevice(const std::string& path) {
  return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
}

TEST(PosixFilesTest, ReadFileTakesOnlyRegularFilesUpTo1MiBAndNeverBlocks) {
  TempDir dir;
  const std::string d = dir.path();
  ASSERT_EQ(::mkfifo((d + "/fifo").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("fifo", (d + "/link-to-fifo").c_str()), 0);
  ASSERT_EQ(::symlink("/dev/zero", (d + "/link-to-zero").c_str()), 0);
  for (auto [name, size] : {std::pair{"1MiB", 1 << 20}, {"1MiB+1", (1 << 20) + 1}}) {
    ASSERT_TRUE(PosixFiles::WriteFileAtomic(d + "/" + name, ""));
    ASSERT_EQ(::truncate((d + "/" + name).c_str(), size), 0);
  }
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(d + "/3GB", ""));
  ASSERT_EQ(::truncate((d + "/3GB").c_str(), 3LL << 30), 0);  // sparse: no disk used

  // 0: nothing read, 1: read, negative: the child was killed (hung or out of memory).
  struct Case {
    const char* name;
    int expected;
  };
  for (const Case& c : {Case{"fifo", 0}, Case{"link-to-fifo", 0}, Case{"link-to-zero", 0}, Case{"1MiB", 1},
                        Case{"1MiB+1", 0}, Case{"3GB", 0}}) {
    const std::string path = d + "/" + c.name;
    int got = InChild([&] {
      std::optional<std::string> bytes = PosixFiles::ReadFile(path);
      if (!bytes) return PosixFiles::LastWriteError().empty() ? 2 : 0;  // a refusal gives a reason
      return bytes->size() == (1u << 20) ? 1 : 3;
    });
    EXPECT_EQ(got, c.expected) << c.name << " (2: no reason, 3: wrong size, 4: threw, -14: blocked)";
  }
}

TEST(PosixFilesTest, WriteReplacesOnlyRegularFilesAndNeverWhatALinkPointsAtOtherwise) {
  TempDir dir;
  const std::string d = dir.path();
  ASSERT_EQ(::mkfifo((d + "/fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir((d + "/folder").c_str(), 0700), 0);
  const bool haveDevice = MakeNullDevice(d + "/null");
  for (const char* target : {"fifo", "folder", "null"})
    ASSERT_EQ(::symlink(target, (d + "/link-to-" + target).c_str()), 0);

  struct Case {
    std::string written, kept;  // the path written and what must stay as it was
    mode_t type;
  };
  std::vector<Case> cases = {
      {"fifo", "fifo", S_IFIFO}, {"link-to-fifo", "fifo", S_IFIFO}, {"link-to-folder", "folder", S_IFDIR}};
  if (haveDevice) {
    cases.push_back({"null", "null", S_IFCHR});
    cases.push_back({"link-to-null", "null", S_IFCHR});
  }
  for (const Case& c : cases) {
    EXPECT_FALSE(PosixFiles::WriteFileAtomic(d + "/" + c.written, "[Section]\r\n")) << c.written;
    EXPECT_FALSE(PosixFiles::LastWriteError().empty()) << c.written;
    struct stat st {};
    ASSERT_EQ(::lstat((d + "/" + c.kept).c_str(), &st), 0) << c.written;
    EXPECT_EQ(st.st_mode & S_IFMT, c.type) << c.written << " replaced " << c.kept;
  }
  EXPECT_EQ(TempDir::List(d).size(), haveDevice ? 6u : 5u) << "a temporary was left behind";
  if (!haveDevice) GTEST_SKIP() << "no device node could be made (not root): the device cases did not run";
}

TEST(PosixFilesTest, AFileItsOwnerMayNotWriteIsNeverReplacedAndAReplacedOneKeepsModeAndOwner) {
  TempDir dir;
  const std::string d = dir.path();
  const bool root = ::geteuid() == 0;  // root may write every file: only the mode tells read-only
  struct Case {
    std::string name;
    mode_t mode;
    bool replaced;
    uid_t owner;  // another user's file (root only)
  };
  std::vector<Case> cases = {
      {"r", 0444, false, 0},        {"rx", 0555, false, 0}, {"others-write", 0466, false, 0},
      {"nothing", 0000, false, 0},  {"rw", 0600, true, 0},  {"rw-r", 0640, true, 0},
      {"write-only", 0200, true, 0}};
  if (root) {
    cases.push_back({"theirs", 0640, true, 65534});
    cases.push_back({"theirs-r", 0444, false, 65534});
  }
  for (const Case& c : cases) {
    const std::string path = d + "/" + c.name;
    ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, "old"));
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    if (c.owner != 0) {
      ASSERT_EQ(::chown(path.c_str(), c.owner, c.owner), 0);
    }
  }
  ASSERT_EQ(::symlink("r", (d + "/link-to-r").c_str()), 0);
  cases.push_back({"link-to-r", 0444, false, 0});
  for (const Case& c : cases) {
    const std::string path = d + "/" + c.name;
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    EXPECT_EQ(PosixFiles::WriteFileAtomic(path, "new"), c.replaced) << c.name;
    if (!c.replaced) {
      EXPECT_EQ(PosixFiles::LastWriteError(), PosixFiles::kReadOnlyReason) << c.name;
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, c.mode) << c.name;
    EXPECT_EQ(after.st_uid, before.st_uid) << c.name;
    EXPECT_EQ(after.st_gid, before.st_gid) << c.name;
  }
  for (const Case& c : cases) {
    const std::string path = d + "/" + c.name;
    ::chmod(path.c_str(), 0600);  // readable for the look at its bytes
    EXPECT_EQ(PosixFiles::ReadFile(path), c.replaced ? "new" : "old") << c.name;
  }
  EXPECT_EQ(TempDir::List(d).size(), cases.size()) << "a temporary was left behind";
}

// Runs a save in a child process that the system kills at its first write
// (file size limit 1 byte), as a crash mid-save would: its temporary stays.
pid_t KilledMidSave(const std::string& path) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_DFL);
    rlimit one{1, 1};
    ::setrlimit(RLIMIT_FSIZE, &one);
    PosixFiles::WriteFileAtomic(path, std::string(4096, 'x'));
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ ? pid : -1;
}

TEST(PosixFilesTest, TheTemporaryFileHasTheFinalModeFromTheStart) {
  struct Case {
    mode_t existing, mask;
  };
  for (const Case& c : {Case{0600, 022}, Case{0640, 0}, Case{0666, 0}}) {
    TempDir dir;
    const std::string path = dir.path() + "/Kalvessa.ini";
    ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, "old"));
    ASSERT_EQ(::chmod(path.c_str(), c.existing), 0);
    mode_t old = ::umask(c.mask);
    pid_t dead = KilledMidSave(path);
    ::umask(old);
    ASSERT_GT(dead, 0) << "the save was not killed at its first write";
    std::vector<std::string> names = TempDir::List(dir.path());
    std::erase(names, "Kalvessa.ini");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(ModeOf(dir.path() + "/" + names[0]), c.existing) << std::oct << c.existing;
    EXPECT_EQ(PosixFiles::ReadFile(path), "old");
  }
}

TEST(PosixFilesTest, ASaveRemovesTheTemporariesOfDeadWritersOnly) {
  TempDir dir;
  const std::string d = dir.path();
  const std::string path = d + "/Kalvessa.ini";
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, "old"));
  pid_t dead = KilledMidSave(path);
  ASSERT_GT(dead, 0);
  const std::string deadId = std::to_string(dead);
  const std::string live = std::to_string(::getppid());
  const std::vector<std::string> kept = {"Kalvessa.ini",
                                         "Kalvessa.ini.tmp-" + live + "-1",  // a writer still running
                                         "Kalvessa.ini.tmp-" + deadId,
                                         "Kalvessa.ini.tmp-" + deadId + "-1x",
                                         "Kalvessa.ini.tmp-x" + deadId + "-1",
                                         "Kalvessa.ini.bak-" + deadId + "-1",
                                         "Other.ini.tmp-" + deadId + "-1"};
  for (const std::string& n : kept) {
    if (n == "Kalvessa.ini") continue;
    ASSERT_TRUE(PosixFiles::WriteFileAtomic(d + "/" + n, "x"));
  }
  ASSERT_TRUE(PosixFiles::WriteFileAtomic(d + "/Kalvessa.ini.tmp-" + deadId + "-77", "x"));
  ASSERT_EQ(TempDir::List(d).size(), kept.size() + 2);

  ASSERT_TRUE(PosixFiles::WriteFileAtomic(path, "new"));
  std::vector<std::string> left = TempDir::List(d);
  std::sort(left.begin(), left.end());
  std::vector<std::string> want = kept;
  std::sort(want.begin(), want.end());
  EXPECT_EQ(left, want);
  EXPECT_EQ(PosixFiles::ReadFile(path), "new");
}

TEST(PosixFilesTest, ReadFileAnswersNothingForMissingFilesAndDirectories) {
  TempDir dir;
  EXPECT_EQ(PosixFiles::ReadFile(dir.path() + "/missing"), std::nullopt);
  EXPECT_EQ(PosixFiles::ReadFile(dir.path()), std::nullopt);
  EXPECT_EQ(PosixFiles::ReadFile(""), std::nullopt);
}

TEST(PosixFilesTest, ExistsAlsoForWhatCannotBeRead) {
  TempDir dir;
  EXPECT_FALSE(PosixFiles::Exists(dir.path() + "/none"));
  EXPECT_FALSE(PosixFiles::Exists(""));
  EXPECT_TRUE(PosixFiles::Exists(dir.path()));
  ASSERT_EQ(::symlink("none", (dir.path() + "/dangling").c_str()), 0);
  EXPECT_TRUE(PosixFiles::Exists(dir.path() + "/dangling"));
  EXPECT_EQ(PosixFiles::ReadFile(dir.path() + "/dangling"), std::nullopt);
}

TEST(PosixFilesTest, ExecutableDirectoryHoldsThisTestProgram) {
  std::string dir = PosixFiles::ExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_NE(dir.back(), '/');
  std::string self = program_invocation_name;
  std::string base = self.substr(self.find_last_of('/') + 1);
  EXPECT_EQ(::access((dir + "/" + base).c_str(), X_OK), 0) << dir << " / " << base;
}

TEST(PosixFilesTest, SettingsDirectoryFollowsXdgConfigHome) {
  ScopedEnv home("HOME", "/home/tester");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/conf");
    EXPECT_EQ(PosixFiles::SettingsDirectory(), "/srv/conf/kalvessa");
  }
  // Unset, empty and relative values are ignored: the default under the home.
  for (const char* v : {static_cast<const char*>(nullptr), "", "relative/conf", "./conf"}) {
    ScopedEnv xdg("XDG_CONFIG_HOME", v);
    EXPECT_EQ(PosixFiles::SettingsDirectory(), "/home/tester/.config/kalvessa") << (v ? v : "(unset)");
  }
}

TEST(PosixFilesTest, SettingsDirectoryWithoutHomeUsesThePasswordDatabase) {
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  {
    ScopedEnv home("HOME", "/home/tester/");
    EXPECT_EQ(PosixFiles::SettingsDirectory(), "/home/tester/.config/kalvessa");
  }
  ScopedEnv home("HOME", nullptr);
  std::string dir = PosixFiles::SettingsDirectory();
  EXPECT_EQ(dir.front(), '/');
  EXPECT_EQ(dir.find("//"), std::string::npos) << dir;
  EXPECT_TRUE(dir.ends_with("/.config/kalvessa")) << dir;
}

TEST(ArgumentsTest, JoinsArgumentsAfterTheProgramNameWithSingleSpaces) {
  const char* none[] = {"kalvessa", nullptr};
  EXPECT_EQ(JoinArguments(1, none), "");
  const char* saver[] = {"kalvessa", "/s", nullptr};
  EXPECT_EQ(JoinArguments(2, saver), "/s");
  const char* preview[] = {"kalvessa", "/p", "4194305", nullptr};
  EXPECT_EQ(JoinArguments(3, preview), "/p 4194305");
  // An argument holding a blank stays as it is; an empty one still adds its separator.
  const char* odd[] = {"kalvessa", "/c  x", "", "y", nullptr};
  EXPECT_EQ(JoinArguments(4, odd), "/c  x  y");
}

}  // namespace
}  // namespace kal
