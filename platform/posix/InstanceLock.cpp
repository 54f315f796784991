#include "platform/posix/InstanceLock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "platform/posix/PosixFiles.h"

namespace kal {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Any bytes as a file name: ASCII letters, digits, '.', '-' and '_' stay,
// every other byte becomes %XX, so different texts stay different.
std::string Escape(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '.' || b == '-' ||
        b == '_') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

// At most `limit` bytes: a longer name keeps its start and ends in "~" and a
// hash of the whole ('~' is in no escaped text, so no short name matches).
std::string Shorten(std::string s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : s) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char tail[18];
  std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
  s.resize(limit - (sizeof tail - 1));
  return s + tail;
}

std::optional<unsigned long> Number(std::string_view digits) {
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  unsigned long n = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

// "<display>" or "<display>.<screen>": the display's number.
std::optional<unsigned long> DisplayNumber(std::string_view s) {
  const std::size_t dot = s.find('.');
  if (dot != std::string_view::npos && !Number(s.substr(dot + 1))) return std::nullopt;
  return Number(s.substr(0, dot));
}

bool IsLocalHost(std::string host, const LockEnvironment& env) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  for (std::string_view local : {"", "unix", "localhost", "localhost.localdomain", "localhost6",
                                 "ip6-localhost", "::1", "0:0:0:0:0:0:0:1"}) {
    if (host == local) return true;
  }
  if (host.starts_with("127.") && host.find_first_not_of("0123456789.") == std::string::npos) return true;
  return !env.hostName.empty() && host == Lower(env.hostName);
}

// The path with its empty and "." parts left out ("//a/./b/" is "/a/b").
std::string CleanPath(std::string_view path) {
  std::string out;
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string_view::npos) j = path.size();
    const std::string_view part = path.substr(i, j - i);
    if (!part.empty() && part != ".") {
      out += '/';
      out += part;
    }
    i = j + 1;
  }
  return out.empty() ? "/" : out;
}

std::string LocalX11Key(unsigned long display) { return "x11-local-" + std::to_string(display); }

std::string X11Key(std::string_view address, const LockEnvironment& env) {
  std::string raw = "x11-raw-" + Escape(address);
  if (address.empty()) return raw;
  if (address.front() == '/') {
    // A path to the server's socket. The local servers' own sockets are the
    // local displays; any other path (launchd's "…/org.xquartz:0") is the
    // server, its screen left out.
    std::string path = CleanPath(address);
    constexpr std::string_view kLocalSockets = "/tmp/.X11-unix/X";
    if (path.starts_with(kLocalSockets)) {
      if (auto n = DisplayNumber(std::string_view(path).substr(kLocalSockets.size()))) return LocalX11Key(*n);
    }
    const std::size_t colon = path.rfind(':'), dot = path.rfind('.');
    if (colon != std::string::npos && dot != std::string::npos && dot > colon &&
        Number(std::string_view(path).substr(colon + 1, dot - colon - 1)) &&
        Number(std::string_view(path).substr(dot + 1))) {
      path.resize(dot);
    }
    return "x11-socket-" + Escape(path);
  }
  // [protocol/]host:display[.screen]
  const std::size_t slash = address.rfind('/');
  const std::string_view rest = slash == std::string_view::npos ? address : address.substr(slash + 1);
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) return raw;
  const std::optional<unsigned long> display = DisplayNumber(rest.substr(colon + 1));
  const std::string host = Lower(rest.substr(0, colon));
  // "host::0" is DECnet, which no server here speaks.
  if (!display || (!host.empty() && host.back() == ':')) return raw;
  if (IsLocalHost(host, env)) return LocalX11Key(*display);
  return "x11-host-" + Escape(host) + "-" + std::to_string(*display);
}

std::string WaylandKey(std::string_view address, const LockEnvironment& env) {
  const std::string name = address.empty() ? std::string("wayland-0") : std::string(address);
  std::string path;
  if (name.front() == '/') {
    path = name;
  } else if (!env.runtimeDir.empty() && env.runtimeDir.front() == '/') {
    path = env.runtimeDir + "/" + name;
  } else {
    return "wayland-raw-" + Escape(name);  // a name with no folder to find it in
  }
  return "wayland-" + Escape(CleanPath(path));
}

// An absolute folder from a variable, without trailing slashes; "" otherwise.
std::string AbsoluteFolder(const std::string& value) {
  if (value.empty() || value.front() != '/') return {};
  return CleanPath(value);
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// The folder open for locks in it (-1 and why when it must not hold them).
int OpenLockFolder(const LockPlace& place, std::string& why) {
  if (place.create) PosixFiles::MakeDirectories(place.directory, 0700);
  struct stat st {};
  if (::lstat(place.directory.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return -1;
  }
  if (S_ISLNK(st.st_mode)) {
    why = "a symbolic link";
    return -1;
  }
  // The checks are made on the open folder: the name may change hands
  // meanwhile, the folder that is open cannot.
  const int fd = ::open(place.directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    why = errno == ENOTDIR || errno == ELOOP ? "not a folder" : std::strerror(errno);
    return -1;
  }
  if (::fstat(fd, &st) != 0) {
    why = std::strerror(errno);
  } else if (!S_ISDIR(st.st_mode)) {
    why = "not a folder";
  } else if (st.st_uid != ::geteuid()) {
    why = "belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  } else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    why = "writable by others (mode " + ModeText(st.st_mode) + ")";
  } else {
    why.clear();
    return fd;
  }
  ::close(fd);
  return -1;
}

enum class Taken { kHeld, kBusy, kNoPlace };

// The key's lock in the first place that can safely hold it; the descriptor
// in fd. Why each place could not, appended to whyNot.
Taken TakeKey(const std::string& key, const std::vector<LockPlace>& places, int& fd, std::string& whyNot) {
  for (const LockPlace& place : places) {
    std::string why;
    const int dir = OpenLockFolder(place, why);
    if (dir >= 0) {
      const std::string name = LockFileName(key, place);
      fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC,
                    0600);
      why = fd < 0 ? std::strerror(errno) : "";
      ::close(dir);
      struct stat st {};
      if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
        why = name + " is not a file of this user's";
        ::close(fd);
        fd = -1;
      }
      while (fd >= 0) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return Taken::kHeld;
        if (errno == EINTR) continue;
        const int error = errno;
        ::close(fd);
        fd = -1;
        if (error == EWOULDBLOCK) return Taken::kBusy;
        why = std::string("cannot lock: ") + std::strerror(error);
      }
    }
    whyNot += (whyNot.empty() ? "" : "; ") + place.directory + ": " + why;
  }
  return Taken::kNoPlace;
}

std::map<std::string, int>& HeldLocks() {
  static std::map<std::string, int> held;  // key -> descriptor, never closed while held
  return held;
}

}  // namespace

LockEnvironment CurrentLockEnvironment() {
  auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  };
  LockEnvironment env;
  env.runtimeDir = variable("XDG_RUNTIME_DIR");
  env.tmpDir = variable("TMPDIR");
  env.cacheHome = variable("XDG_CACHE_HOME");
  env.home = variable("HOME");
  if (env.home.empty()) {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_dir != nullptr)
      env.home = pw->pw_dir;
  }
  char host[256] = "";
  if (::gethostname(host, sizeof host - 1) == 0) env.hostName = host;
  env.uid = ::geteuid();
  return env;
}

std::string DisplayLockKey(DisplayKind kind, std::string_view address, const LockEnvironment& env) {
  return Shorten(kind == DisplayKind::kX11 ? X11Key(address, env) : WaylandKey(address, env), kMaxLockKey);
}

std::vector<LockPlace> LockPlaces(const LockEnvironment& env) {
  std::vector<LockPlace> places;
  if (std::string runtime = AbsoluteFolder(env.runtimeDir); !runtime.empty())
    places.push_back({runtime, false, ""});
  std::string tmp = AbsoluteFolder(env.tmpDir);
  if (tmp.empty()) tmp = "/tmp";
  places.push_back({Join(tmp, "kalvessa-" + std::to_string(env.uid)), true, ""});
  std::string cache = AbsoluteFolder(env.cacheHome);
  if (std::string home = AbsoluteFolder(env.home); cache.empty() && !home.empty())
    cache = Join(home, ".cache");
  if (!cache.empty()) {
    // Homes are shared between machines, and so are their locks: the machine's
    // name keeps one machine's display 0 apart from another's.
    const std::string suffix = env.hostName.empty() ? "" : "@" + Shorten(Escape(Lower(env.hostName)), 64);
    places.push_back({Join(cache, "kalvessa"), true, suffix});
  }
  return places;
}

std::string LockFileName(const std::string& key, const LockPlace& place) {
  return "kalvessa-" + key + place.suffix + ".lock";
}

std::string UnsafeLockFolder(const LockPlace& place) {
  std::string why;
  const int fd = OpenLockFolder(place, why);
  if (fd >= 0) ::close(fd);
  return why;
}

bool HoldInstanceLocks(std::vector<std::string> keys) {
  // One order for every process: of two after the same keys, the one that
  // takes the first also gets the rest.
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  const std::vector<LockPlace> places = LockPlaces(CurrentLockEnvironment());
  std::map<std::string, int>& held = HeldLocks();
  std::vector<std::string> taken;
  std::string unlocked;
  for (const std::string& key : keys) {
    if (held.count(key) != 0) continue;
    int fd = -1;
    std::string whyNot;
    switch (TakeKey(key, places, fd, whyNot)) {
      case Taken::kHeld:
        held[key] = fd;
        taken.push_back(key);
        break;
      case Taken::kBusy:
        for (const std::string& k : taken) {
          ::close(held[k]);
          held.erase(k);
        }
        return false;
      case Taken::kNoPlace:
        if (!unlocked.empty()) unlocked += "; ";
        unlocked += key;
        unlocked += " (" + whyNot + ")";
        break;
    }
  }
  static bool told = false;
  if (!unlocked.empty() && !told) {
    told = true;
    std::fprintf(stderr, "Kalvessa: no safe folder for the instance lock of %s: running without it\n",
                 unlocked.c_str());
  }
  return true;
}

std::vector<std::string> SessionLockKeys(DisplayKind kind, std::string_view address,
                                         const std::function<const char*(const char*)>& getenv,
                                         const LockEnvironment& env) {
  std::vector<std::string> keys{DisplayLockKey(kind, address, env)};
  const struct {
    DisplayKind kind;
    const char* variable;
  } named[] = {{DisplayKind::kWayland, "WAYLAND_DISPLAY"}, {DisplayKind::kX11, "DISPLAY"}};
  for (const auto& n : named) {
    const char* value = getenv(n.variable);
    if (value == nullptr || value[0] == '\0') continue;
    std::string key = DisplayLockKey(n.kind, value, env);
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
  }
  return keys;
}

}  // namespace kal
