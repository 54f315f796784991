// The desktop services a Linux session has whatever its window system: the
// desktop's "open" and the one-instance lock (platform/posix/Features.h).
#pragma once

#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace kal {

class PosixDesktop final : public DesktopServices {
 public:
  // lockKeys: the keys of every display of the session (SessionLockKeys),
  // all of which the instance lock takes.
  explicit PosixDesktop(std::vector<std::string> lockKeys) : lockKeys_(std::move(lockKeys)) {}

  bool HoldInstanceLock() override;
  void OpenDocument(Handle owner, const std::string& address) override;

 private:
  std::vector<std::string> lockKeys_;
};

}  // namespace kal
