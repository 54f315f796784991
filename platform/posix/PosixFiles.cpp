#include "platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
    path = target.front() == '/' ? target : DirectoryOf(path) + "/" + target;
  }
  return path;  // a loop of links: let the write fail on it
}

}  // namespace

std::optional<std::string> PosixFiles::ReadFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  std::string bytes;
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
  }
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

namespace {
int g_lastWriteError = 0;  // errno of the last failed WriteFileAtomic
}  // namespace

std::string PosixFiles::LastWriteError() {
  return g_lastWriteError != 0 ? std::strerror(g_lastWriteError) : "";
}

bool PosixFiles::WriteFileAtomic(const std::string& requested, std::string_view bytes) {
  // The reason the caller may tell the user, taken before clean-up changes errno.
  auto failed = [](int error) {
    g_lastWriteError = error;
    return false;
  };
  if (requested.empty() || requested.back() == '/') return failed(EISDIR);
  const std::string path = FollowLinks(requested);
  const std::string dir = DirectoryOf(path);
  if (!MakeDirectories(dir, 0700)) return failed(errno != 0 ? errno : ENOTDIR);

  // The temporary name is unique to this process and attempt; O_EXCL refuses
  // to reuse anything already there. Mode 0666 lets the umask decide, as for
  // any new file; an existing file keeps its own mode.
  static unsigned attempt = 0;
  std::string temp;
  int raw = -1;
  for (int tries = 0; tries < 100 && raw < 0; ++tries) {
    temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++attempt);
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) return failed(errno);
  }
  if (raw < 0) return failed(EEXIST);
  Fd fd(raw);
  struct stat old {};
  errno = 0;
  bool ok = WriteAll(fd.get(), bytes);
  if (ok && ::stat(path.c_str(), &old) == 0) ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
  ok = ok && ::fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int error = errno != 0 ? errno : EIO;
    ::unlink(temp.c_str());
    return failed(error);
  }
  g_lastWriteError = 0;
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
