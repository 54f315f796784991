// The operating system's desktop services: the screen-saver services, the
// desktop's "open", message boxes and the one-instance lock. Each belongs to a
// feature (platform/Features.h) and answers "not here" unless it is declared.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Types.h"

namespace kal {

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  // kInstanceLock: takes the one lock a saver or settings dialog holds for its
  // process's life on this desktop; false when another process holds it. The
  // caption check alone leaves a moment between looking and creating the window.
  virtual bool HoldInstanceLock() { return false; }

  // kOsVersion: which platform of the system this is; nullopt when the
  // system does not say.
  virtual std::optional<OsVersion> GetVersion() { return std::nullopt; }

  // kPasswordServices: the system's dialog that changes the screen-saver
  // password, owned by the window.
  virtual void PwdChangePassword(Handle /*owner*/) {}
  // kPasswordServices: the system's screen-saver password check: true when
  // the saver may end; nullopt when the service cannot be called.
  virtual std::optional<bool> VerifyScreenSavePwd(Handle /*owner*/) { return std::nullopt; }

  // kScreenSaverFlags: tells the system whether a screen saver runs (0: none
  // runs any more; anything else: one runs). Nothing is stored in the user's profile.
  virtual void SetScreenSaverRunning(std::int32_t /*running*/) {}
  // kScreenSaverFlags: marks screen saving as enabled, without storing it.
  virtual void SetScreenSavingActive() {}

  // kMessageBoxes: a message the user must see, in the system's message box,
  // owned by the window. Returns once the user has closed it; false when not shown.
  virtual bool ShowMessage(Handle /*owner*/, const std::string& /*caption*/, const std::string& /*text*/) {
    return false;
  }
  // kOpenDocument: the desktop's "open" of a document or web address, shown normally.
  virtual void OpenDocument(Handle /*owner*/, const std::string& /*address*/) {}
};

}  // namespace kal
