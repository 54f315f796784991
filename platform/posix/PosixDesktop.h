// The desktop services a Linux session has whatever its window system: the
// desktop's "open" and the one-instance lock (platform/posix/Features.h).
#pragma once

#include <string>

#include "platform/Desktop.h"

namespace kal {

class PosixDesktop final : public DesktopServices {
 public:
  // display: the window system's name for the desktop, which names the lock.
  explicit PosixDesktop(std::string display) : display_(std::move(display)) {}

  bool HoldInstanceLock() override;
  void OpenDocument(Handle owner, const std::string& address) override;

 private:
  std::string display_;
};

}  // namespace kal
