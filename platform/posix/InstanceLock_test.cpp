#include "platform/posix/InstanceLock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/posix/PosixFiles.h"

namespace kal {
namespace {

std::string TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/kal-lock-XXXXXX";
  return ::mkdtemp(tmpl.data()) != nullptr ? tmpl : std::string();
}

// The exit status of fn run in a child process (-1 when it did not exit).
int InChild(const std::function<int()>& fn) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(fn());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(InstanceLock, OneKeyPerDisplayWhateverItsSpelling) {
  LockEnvironment env;
  env.hostName = "Kal-Box";
  env.runtimeDir = "/run/user/1000";
  using K = DisplayKind;
  struct Display {
    K kind;
    std::vector<std::string> spellings;  // one display each
  };
  const std::string longHost(1000, 'h');
  const std::vector<Display> displays = {
      {K::kX11,
       {":0", ":0.0", ":00", "unix:0", "unix:0.1", "localhost:0", "LOCALHOST:0.0", "127.0.0.1:0", "::1:0",
        "[::1]:0", "kal-box:0", "KAL-BOX:0.0", "unix/:0", "tcp/localhost:0", "host/unix:0",
        "/tmp/.X11-unix/X0", "//tmp/.X11-unix/./X0.1"}},
      {K::kX11, {":1", "unix:1.0", "/tmp/.X11-unix/X1"}},
      {K::kX11, {"other:0", "OTHER:0.0", "tcp/other:0"}},
      {K::kX11, {"other:10", "other:10.0"}},
      {K::kX11, {"other.example:10"}},
      {K::kX11,
       {"/private/tmp/com.apple.launchd.AbC/org.xquartz:0",
        "/private/tmp/com.apple.launchd.AbC/org.xquartz:0.0"}},
      {K::kX11, {"/var/run/x-socket"}},
      {K::kX11, {longHost + ":0"}},
      {K::kX11, {longHost + ":1"}},
      {K::kWayland,
       {"wayland-1", "/run/user/1000/wayland-1", "/run/user/1000//wayland-1", "/run/user/1000/./wayland-1"}},
      {K::kWayland, {"", "wayland-0", "/run/user/1000/wayland-0"}},
      {K::kWayland, {"/run/user/1001/wayland-1"}},
  };
  // Addresses that name no display: each a key of its own.
  const std::vector<std::string> malformed = {"",
                                              "garbage",
                                              ":",
                                              ":x",
                                              ":0.",
                                              ":0.x",
                                              ":-1",
                                              "host::0",
                                              ":0 ",
                                              "../../etc",
                                              "%3A0",
                                              "x11-local-0",
                                              ":18446744073709551616",
                                              "\n",
                                              std::string("\0:0", 3)};

  auto safe = [](const std::string& key) {
    return !key.empty() && key.size() <= kMaxLockKey && key != "." && key != ".." &&
           key.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_%~") ==
               std::string::npos;
  };
  std::map<std::string, std::string> owner;  // key -> the first address that gave it
  for (const Display& d : displays) {
    const std::string key = DisplayLockKey(d.kind, d.spellings.front(), env);
    EXPECT_TRUE(safe(key)) << key;
    for (const std::string& s : d.spellings)
      EXPECT_EQ(DisplayLockKey(d.kind, s, env), key) << "'" << s << "'";
    EXPECT_TRUE(owner.emplace(key, d.spellings.front()).second)
        << "'" << d.spellings.front() << "' and '" << owner[key] << "' share " << key;
  }
  for (const std::string& m : malformed) {
    const std::string key = DisplayLockKey(K::kX11, m, env);
    EXPECT_TRUE(safe(key)) << key;
    EXPECT_TRUE(owner.emplace(key, m).second) << "'" << m << "' and '" << owner[key] << "' share " << key;
  }
  EXPECT_EQ(DisplayLockKey(K::kX11, ":0", env), "x11-local-0");
  // A socket name with no runtime folder to find it in names no socket.
  LockEnvironment noRuntime = env;
  noRuntime.runtimeDir = "relative";
  const std::string unresolved = DisplayLockKey(K::kWayland, "wayland-1", noRuntime);
  EXPECT_TRUE(safe(unresolved)) << unresolved;
  EXPECT_EQ(owner.count(unresolved), 0u) << unresolved << " is " << owner[unresolved] << "'s";
}

TEST(InstanceLock, LocksLiveOnlyInFoldersNobodyElseCanWrite) {
  struct Case {
    LockEnvironment env;
    std::vector<LockPlace> places;
  };
  const std::vector<Case> cases = {
      {{"/run/user/1000/", "", "", "/home/u", "Box", 1000},
       {{"/run/user/1000", false, ""},
        {"/tmp/kalvessa-1000", true, ""},
        {"/home/u/.cache/kalvessa", true, "@box"}}},
      {{"run", "/var/tmp//", "/c", "", "", 0},
       {{"/var/tmp/kalvessa-0", true, ""}, {"/c/kalvessa", true, ""}}},
      {{"", "tmp", "cache", "home", "h", 5}, {{"/tmp/kalvessa-5", true, ""}}},
  };
  for (const Case& c : cases) {
    const std::vector<LockPlace> got = LockPlaces(c.env);
    ASSERT_EQ(got.size(), c.places.size()) << c.env.runtimeDir;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].directory, c.places[i].directory);
      EXPECT_EQ(got[i].create, c.places[i].create) << got[i].directory;
      EXPECT_EQ(got[i].suffix, c.places[i].suffix) << got[i].directory;
    }
  }
  EXPECT_EQ(LockFileName("x11-local-0", {"/c/kalvessa", true, "@box"}), "kalvessa-x11-local-0@box.lock");

  // Real folders: only a folder of this user's that nobody else may write holds locks.
  const std::string d = TempDir();
  ASSERT_FALSE(d.empty());
  auto folder = [&](const std::string& name, mode_t mode) {
    const std::string p = d + "/" + name;
    EXPECT_EQ(::mkdir(p.c_str(), 0700), 0) << p;
    EXPECT_EQ(::chmod(p.c_str(), mode), 0) << p;  // past the umask
    return p;
  };
  const std::string own = folder("own", 0700);
  ASSERT_EQ(::symlink(own.c_str(), (d + "/link").c_str()), 0);
  std::ofstream(d + "/file") << "x";
  const bool root = ::geteuid() == 0;
  if (root) {
    EXPECT_EQ(::chown(folder("theirs", 0700).c_str(), 65534, 65534), 0);
  }
  folder("group", 0770);
  folder("world", 01777);
  folder("others", 0702);
  struct Folder {
    std::string name;
    bool create;
    std::string refusal;  // "" when it is safe
  };
  std::vector<Folder> folders = {{"own", false, ""},
                                 {"made/here", true, ""},
                                 {"missing", false, "No such file or directory"},
                                 {"link", false, "a symbolic link"},
                                 {"link", true, "a symbolic link"},
                                 {"file", false, "not a folder"},
                                 {"group", false, "writable by others (mode 0770)"},
                                 {"world", false, "writable by others (mode 1777)"},
                                 {"others", false, "writable by others (mode 0702)"}};
  if (root) folders.push_back({"theirs", false, "belongs to another user (uid 65534)"});
  for (const Folder& f : folders) {
    EXPECT_EQ(UnsafeLockFolder({d + "/" + f.name, f.create, ""}), f.refusal) << f.name;
  }
  struct stat st {};
  ASSERT_EQ(::stat((d + "/made/here").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  std::filesystem::remove_all(d);
  if (!root) GTEST_SKIP() << "not root: a folder of another user's could not be made";
}

// A child that takes locks takes them in its own runtime folder.
void OnlyRuntime(const std::string& runtime) { ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1); }

// A process takes the lock of the display it shows on and of every display
// its environment names, so the two sides of one desktop (a Wayland saver,
// an X11 dialog through XWayland) meet on a key whichever starts first.
TEST(InstanceLock, EveryDisplayOfTheSessionIsLocked) {
  LockEnvironment env;
  env.runtimeDir = "/run/user/1000";
  using K = DisplayKind;
  const std::string w1 = DisplayLockKey(K::kWayland, "wayland-1", env),
                    w0 = DisplayLockKey(K::kWayland, "wayland-0", env);
  const struct {
    const char* what;
    K kind;
    const char* address;
    const char* waylandDisplay;
    const char* display;
    std::vector<std::string> keys;
  } cases[] = {
      {"X11 alone", K::kX11, ":0", nullptr, ":0", {"x11-local-0"}},
      {"X11 through XWayland", K::kX11, ":0", "wayland-1", ":0.0", {"x11-local-0", w1}},
      {"Wayland alone", K::kWayland, "wayland-1", "wayland-1", nullptr, {w1}},
      {"Wayland with XWayland",
       K::kWayland,
       "wayland-1",
       "/run/user/1000/wayland-1",
       "unix:0",
       {w1, "x11-local-0"}},
      {"Wayland's default socket", K::kWayland, "", nullptr, "", {w0}},
      {"X11 chosen though Wayland is named",
       K::kX11,
       "localhost:2",
       "wayland-1",
       nullptr,
       {"x11-local-2", w1}},
  };
  for (const auto& c : cases) {
    auto getenv = [&](const char* name) -> const char* {
      if (std::string_view(name) == "WAYLAND_DISPLAY") return c.waylandDisplay;
      if (std::string_view(name) == "DISPLAY") return c.display;
      return nullptr;
    };
    EXPECT_EQ(SessionLockKeys(c.kind, c.address, getenv, env), c.keys) << c.what;
  }
}

TEST(InstanceLock, TakesEveryKeyOrNone) {
  const std::string d = TempDir();
  ASSERT_FALSE(d.empty());
  const std::string runtime = d + "/runtime";
  ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);

  // The holder keeps "b" until told to go.
  int go[2], ready[2];
  ASSERT_EQ(::pipe(go), 0);
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    OnlyRuntime(runtime);
    const char ok = HoldInstanceLocks({"b"}) ? 'y' : 'n';
    (void)!::write(ready[1], &ok, 1);
    char c;
    (void)!::read(go[0], &c, 1);
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, 'y');

  auto takes = [&](std::vector<std::string> keys) {
    return InChild([&] {
      OnlyRuntime(runtime);
      return HoldInstanceLocks(keys) ? 0 : 1;
    });
  };
  EXPECT_EQ(takes({"b"}), 1) << "a second process took a held key";
  // "a" and "b" in either order: nothing, and "a" (taken first) is not kept.
  for (const std::vector<std::string>& keys : {std::vector<std::string>{"b", "a"}, {"a", "b"}}) {
    EXPECT_EQ(InChild([&] {
                OnlyRuntime(runtime);
                if (HoldInstanceLocks(keys)) return 1;
                // Still running: "a" must be free for another process.
                const pid_t other = ::fork();
                if (other == 0) ::_exit(HoldInstanceLocks({"a"}) ? 0 : 1);
                int status = 0;
                ::waitpid(other, &status, 0);
                return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 2;
              }),
              0)
        << keys.front() << "," << keys.back() << " (1: taken beside a held key, 2: a part was kept)";
  }
  // Keys this process holds already count as taken.
  EXPECT_EQ(
      InChild([&] {
        OnlyRuntime(runtime);
        return HoldInstanceLocks({"c", "d"}) && HoldInstanceLocks({"d", "c"}) && HoldInstanceLocks({"c"}) ? 0
                                                                                                          : 1;
      }),
      0);
  (void)!::write(go[1], "x", 1);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(takes({"a", "b"}), 0) << "the holder's end did not free its lock";

  // No safe place at all: the saver runs unlocked, and says so once.
  const std::string open = d + "/open", said = d + "/said";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
  ASSERT_EQ(::symlink(runtime.c_str(), (open + "/kalvessa-" + std::to_string(::geteuid())).c_str()), 0);
  EXPECT_EQ(InChild([&] {
              const int err = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
              ::dup2(err, 2);
              ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
              ::setenv("TMPDIR", open.c_str(), 1);
              ::setenv("XDG_CACHE_HOME", (d + "/said").c_str(), 1);  // a file
              return HoldInstanceLocks({"x"}) && HoldInstanceLocks({"x"}) ? 0 : 1;
            }),
            0);
  const std::string text = PosixFiles::ReadFile(said).value_or("(nothing)");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  for (const std::string& part : std::vector<std::string>{
           "running without it", open + ": writable by others (mode 0777)",
           open + "/kalvessa-" + std::to_string(::geteuid()) + ": a symbolic link", said + "/kalvessa: "}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << " not in: " << text;
  }
  std::filesystem::remove_all(d);
}

}  // namespace
}  // namespace kal
