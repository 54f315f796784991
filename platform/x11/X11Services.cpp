// The X11 platform's desktop services for the settings dialog: the pointer,
// the desktop's "open", messages, text, and the file services beyond reading
// and writing.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/posix/FreeTypeText.h"
#include "platform/posix/PosixFiles.h"
#include "platform/x11/X11Platform.h"

extern char** environ;

namespace kal::x11 {

bool X11Platform::GetCursorPos(int& x, int& y) {
  Window rootOut = 0, child = 0;
  int wx = 0, wy = 0;
  unsigned mask = 0;
  return XQueryPointer(display(), root(), &rootOut, &child, &x, &y, &wx, &wy, &mask) == True;
}

void X11Platform::OpenDocument(Handle, const std::string& address) {
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

void X11Platform::ShowMessage(Handle, const std::string& caption, const std::string& text) {
  // X has no message box of its own: the message goes where a desktop
  // session keeps a program's words.
  WriteReport(caption + ": " + text);
}

forms::TextRenderer& X11Platform::Text() {
  if (!text_) text_ = std::make_unique<FreeTypeText>();
  return *text_;
}

std::optional<std::int64_t> X11Platform::FileModified(const std::string& path) {
  if (auto t = PosixFiles::Modified(path)) return static_cast<std::int64_t>(*t);
  return std::nullopt;
}

std::string X11Platform::LastFileError() { return PosixFiles::LastWriteError(); }

}  // namespace kal::x11
