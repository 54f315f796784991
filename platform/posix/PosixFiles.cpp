#include "platform/posix/PosixFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kal {
namespace {

// Closes a descriptor when the scope ends.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Close(); }
  int get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Where a write to `path` really lands: the final target of a symbolic link
// (relative links resolve against the link's directory).
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size() - 1);
    if (n <= 0) return path;
    std::string target(buf.data(), static_cast<std::size_t>(n));
    if (target.front() != '/') target.insert(0, DirectoryOf(path) + "/");
    path = std::move(target);
  }
  return path;  // a loop of links: let the write fail on it
}

}  // namespace

namespace {

std::string g_lastError;  // why the last ReadFile or WriteFileAtomic failed

// Records why an operation failed; false for the caller to return.
bool Failed(std::string reason) {
  g_lastError = std::move(reason);
  return false;
}
bool FailedErrno(int error) { return Failed(std::strerror(error != 0 ? error : EIO)); }

// The reason a file of this type is neither read nor replaced.
std::string NotRegular(mode_t mode) {
  return S_ISDIR(mode) ? std::strerror(EISDIR) : std::string("not a regular file");
}

// Reads at most PosixFiles::kMaxReadBytes of a regular file; false when it cannot.
bool ReadRegularFile(const std::string& path, std::string& bytes) {
  // Only a regular file is opened: opening a device can act on the device,
  // and reading a FIFO would wait for a writer that never comes. The checks
  // are made again on the open descriptor, in case the name changed hands.
  struct stat st {};
  if (path.empty()) return FailedErrno(ENOENT);
  if (::stat(path.c_str(), &st) != 0) return FailedErrno(errno);
  if (!S_ISREG(st.st_mode)) return Failed(NotRegular(st.st_mode));
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return FailedErrno(errno);
  if (::fstat(fd.get(), &st) != 0) return FailedErrno(errno);
  if (!S_ISREG(st.st_mode)) return Failed(NotRegular(st.st_mode));
  if (st.st_size > PosixFiles::kMaxReadBytes) return FailedErrno(EFBIG);
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailedErrno(errno);
    }
    if (n == 0) return true;
    bytes.append(buf, static_cast<std::size_t>(n));
    // It grew while being read.
    if (bytes.size() > static_cast<std::size_t>(PosixFiles::kMaxReadBytes)) return FailedErrno(EFBIG);
  }
}

}  // namespace

std::optional<std::string> PosixFiles::ReadFile(const std::string& path) {
  std::string bytes;
  if (!ReadRegularFile(path, bytes)) return std::nullopt;
  return bytes;
}

bool PosixFiles::Exists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool PosixFiles::MakeDirectories(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = DirectoryOf(path);
  if (parent != path && !MakeDirectories(parent, mode)) return false;
  if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string PosixFiles::LastWriteError() { return g_lastError; }

namespace {

constexpr std::string_view kTempInfix = ".tmp-";

// The pid in "<pid>-<n>" (the rest of a temporary's name after the infix), or 0.
pid_t WriterOf(std::string_view rest) {
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) return 0;
  auto digits = [](std::string_view t) {
    return t.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) return 0;
  pid_t pid = 0;
  auto [end, error] = std::from_chars(rest.data(), rest.data() + dash, pid);
  return error == std::errc() && end == rest.data() + dash ? pid : 0;
}

// Removes "<name>.tmp-<pid>-<n>" files beside the target whose writer is
// gone: a save killed mid-write leaves one, and nothing else ever would. A
// writer that still runs (or that this process may not signal) keeps its file.
void RemoveStaleTemporaries(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  const std::string prefix = name + std::string(kTempInfix);
  while (dirent* e = ::readdir(d)) {
    std::string_view entry = e->d_name;
    if (!entry.starts_with(prefix)) continue;
    const pid_t pid = WriterOf(entry.substr(prefix.size()));
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      ::unlinkat(::dirfd(d), e->d_name, 0);
  }
  ::closedir(d);
}

}  // namespace

bool PosixFiles::WriteFileAtomic(const std::string& requested, std::string_view bytes) {
  if (requested.empty() || requested.back() == '/') return FailedErrno(EISDIR);
  const std::string path = FollowLinks(requested);
  const std::string dir = DirectoryOf(path);
  if (!MakeDirectories(dir, 0700)) return FailedErrno(errno != 0 ? errno : ENOTDIR);

  // Only a regular file is replaced: a rename would put a file where a
  // directory, a FIFO or a device was.
  struct stat old {};
  const bool existed = ::lstat(path.c_str(), &old) == 0;
  if (!existed && errno != ENOENT) return FailedErrno(errno);
  if (existed && !S_ISREG(old.st_mode)) return Failed(NotRegular(old.st_mode));
  // A file its owner may not write has been frozen by a user or an
  // administrator. Its mode decides: access() would say yes to root.
  if (existed && (old.st_mode & S_IWUSR) == 0) return Failed(PosixFiles::kReadOnlyReason);
  const mode_t mode = existed ? old.st_mode & 07777 : 0666;

  RemoveStaleTemporaries(dir, path.substr(path.find_last_of('/') + 1));

  // The temporary name is unique to this process and attempt; O_EXCL refuses
  // to reuse anything already there. It is never readable by more users than
  // the file it replaces: created with that file's mode (the umask can only
  // take bits away) and set to exactly that mode before a byte is written.
  // A new file gets 0666 less the umask, as any new file.
  static unsigned attempt = 0;
  std::string temp;
  int raw = -1;
  for (int tries = 0; tries < 100 && raw < 0; ++tries) {
    temp = path + std::string(kTempInfix) + std::to_string(::getpid()) + "-" + std::to_string(++attempt);
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (raw < 0 && errno != EEXIST) return FailedErrno(errno);
  }
  if (raw < 0) return FailedErrno(EEXIST);
  Fd fd(raw);
  errno = 0;
  // The replacement keeps the old file's owner and group where this user may
  // give them (root saving a user's file leaves it the user's), then its mode
  // (a change of owner may clear bits).
  if (existed && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) errno = 0;
  bool ok = !existed || ::fchmod(fd.get(), mode) == 0;
  ok = ok && WriteAll(fd.get(), bytes);
  ok = ok && ::fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int error = errno;
    ::unlink(temp.c_str());
    return FailedErrno(error);
  }
  g_lastError.clear();
  // Make the rename itself durable. A directory that cannot be opened or
  // flushed (some file systems) does not undo a finished replacement.
  Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() >= 0) ::fsync(dirFd.get());
  return true;
}

std::optional<long long> PosixFiles::Modified(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

std::string PosixFiles::ExecutableDirectory() {
  std::vector<char> buf(PATH_MAX + 1);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0) return ".";
    if (static_cast<std::size_t>(n) < buf.size()) {
      std::string exe(buf.data(), static_cast<std::size_t>(n));
      // A deleted executable reads back as "/path/name (deleted)": the directory is still right.
      return DirectoryOf(exe);
    }
    buf.resize(buf.size() * 2);
  }
}

std::string PosixFiles::SettingsDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/kalvessa";
  std::string home;
  if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (home == "/") home.clear();  // "/" + "/.config" would start with two slashes
  return home + "/.config/kalvessa";
}

}  // namespace kal
