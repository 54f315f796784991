#include "platform/posix/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kal {

bool HoldInstanceLock(const std::string& display) {
  std::string name = display;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  std::string path;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
    path = std::string(runtime) + "/kalvessa-" + name + ".lock";
  } else {
    // /tmp is shared: the user's id keeps users apart, O_NOFOLLOW keeps a
    // planted link from choosing the file.
    path = "/tmp/kalvessa-" + std::to_string(::getuid()) + "-" + name + ".lock";
  }
  // Never closed: the system releases the lock when the process ends.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return true;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool heldElsewhere = errno == EWOULDBLOCK;
    ::close(fd);
    return !heldElsewhere;
  }
  return true;
}

}  // namespace kal
