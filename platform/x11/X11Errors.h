// What happens to X protocol errors and to a lost server connection.
#pragma once

#include <X11/Xlib.h>

namespace kal::x11 {

// Installs the process-wide handlers: protocol errors about windows that no
// longer exist (other programs' windows come and go: BadWindow, BadDrawable)
// are ignored, others are logged to stderr; a lost connection ends the
// process at once with code 1.
void InstallErrorHandlers();

// Catches the protocol errors of the requests made while it lives, instead of
// the handler above. Finish() waits for the server and tells the first error
// code seen (Success = none). Not nestable.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  ~ErrorTrap();
  int Finish();

 private:
  Display* display_;
  bool finished_ = false;
};

}  // namespace kal::x11
