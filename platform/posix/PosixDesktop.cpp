#include "platform/posix/PosixDesktop.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/InstanceLock.h"

extern char** environ;

namespace kal {

bool PosixDesktop::HoldInstanceLock() {
  // Per display, as the caption check is; every display of the session, so
  // a saver on one and a dialog on the other keep each other out.
  return HoldInstanceLocks(lockKeys_);
}

void PosixDesktop::OpenDocument(Handle, const std::string& address) {
  // The desktop's opener, with the address as one argument and no shell. A
  // short-lived middle process lets it run on without becoming our zombie.
  pid_t middle = ::fork();
  if (middle < 0) return;
  if (middle == 0) {
    ::setsid();
    const char* argv[] = {"xdg-open", address.c_str(), nullptr};
    pid_t opener = 0;
    int rc = ::posix_spawnp(&opener, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ);
    ::_exit(rc == 0 ? 0 : 127);
  }
  int status = 0;
  ::waitpid(middle, &status, 0);
}

}  // namespace kal
