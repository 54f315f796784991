#include "platform/x11/X11Errors.h"

#include <unistd.h>

#include <cstdio>

namespace kal::x11 {
namespace {

bool g_trapping = false;
int g_trapped = Success;

int OnError(Display* display, XErrorEvent* e) {
  if (g_trapping) {
    if (g_trapped == Success) g_trapped = e->error_code;
    return 0;
  }
  // A drawing request that reached the server after its window was destroyed
  // (another client's window, drawn into until its DestroyNotify arrives)
  // fails with BadDrawable: as gone as BadWindow.
  if (e->error_code == BadWindow || e->error_code == BadDrawable) return 0;
  char text[160] = "";
  XGetErrorText(display, e->error_code, text, sizeof text);
  std::fprintf(stderr, "Kalvessa: X error %s (request %d.%d, resource 0x%lx)\n", text, e->request_code,
               e->minor_code, e->resourceid);
  return 0;
}

[[noreturn]] int OnIoError(Display*) {
  static const char msg[] = "Kalvessa: lost the connection to the X server\n";
  ssize_t ignored = ::write(STDERR_FILENO, msg, sizeof msg - 1);
  (void)ignored;
  ::_exit(1);
}

}  // namespace

void InstallErrorHandlers() {
  XSetErrorHandler(OnError);
  XSetIOErrorHandler(OnIoError);
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);  // earlier requests' errors belong to the normal handler
  g_trapping = true;
  g_trapped = Success;
}

int ErrorTrap::Finish() {
  if (!finished_) {
    XSync(display_, False);
    g_trapping = false;
    finished_ = true;
  }
  return g_trapped;
}

ErrorTrap::~ErrorTrap() { Finish(); }

}  // namespace kal::x11
