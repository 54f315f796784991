// xprobe preview-host W H SECONDS [--resize W2 H2] -- PROGRAM ARGS...
//
// Plays the host of the preview protocol: shows a magenta W x H window (a
// colour the preview never shows), starts PROGRAM with the host's id in its
// arguments, and reports on stdout, one "key value" a line:
//   host 0xID / host_geometry WxH+X+Y (on the screen) / pid N
//   child 0xID, child_name NAME, child_geometry WxH+X+Y (in the host),
//   child_count N and shown_ms T once a child of the host is viewable and no
//   magenta is left on the host's part of the screen (within SECONDS)
//   resized_ms T after --resize, once the child covers the new size
//   ready (the host now waits for a line on stdin: "destroy" or end of input)
//   exit_ms T and exit_code C: the time from the host's destruction to the
//   program's end (within SECONDS), or exit_ms timeout
// If the program ends before it shows anything: exited_early C. Exit code 0
// when everything reported came to pass, 1 otherwise, 2 on usage errors.
#include "tests/tools/PreviewHost.h"

#include <X11/Xutil.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace xprobe {
namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned long kMagenta = 0xFF00FF;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Substitute(std::string arg, Window host) {
  char dec[32], hex[32];
  std::snprintf(dec, sizeof dec, "%lu", host);
  std::snprintf(hex, sizeof hex, "0x%lx", host);
  for (auto [token, value] : {std::pair{"{x}", hex}, std::pair{"{}", dec}}) {
    for (std::size_t at; (at = arg.find(token)) != std::string::npos;)
      arg.replace(at, std::strlen(token), value);
  }
  return arg;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
  bool viewable = false;
};

std::optional<Geometry> GeometryOf(Display* d, Window w, Window relativeTo) {
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, w, &a)) return std::nullopt;
  Geometry g;
  Window child = 0;
  XTranslateCoordinates(d, w, relativeTo, 0, 0, &g.x, &g.y, &child);
  g.width = a.width;
  g.height = a.height;
  g.viewable = a.map_state == IsViewable;
  return g;
}

std::vector<Window> ChildrenOf(Display* d, Window w) {
  Window r = 0, p = 0, *kids = nullptr;
  unsigned n = 0;
  std::vector<Window> out;
  if (XQueryTree(d, w, &r, &p, &kids, &n) && kids) out.assign(kids, kids + n);
  if (kids) XFree(kids);
  return out;
}

// No magenta pixel is left where the host shows on the screen (the part of
// it that lies on the screen).
bool Covered(Display* d, const Geometry& host) {
  const int screenW = DisplayWidth(d, DefaultScreen(d)), screenH = DisplayHeight(d, DefaultScreen(d));
  const int x0 = std::max(0, host.x), y0 = std::max(0, host.y);
  const int x1 = std::min(screenW, host.x + host.width), y1 = std::min(screenH, host.y + host.height);
  if (x0 >= x1 || y0 >= y1) return false;
  XImage* img = XGetImage(d, DefaultRootWindow(d), x0, y0, static_cast<unsigned>(x1 - x0),
                          static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap);
  if (img == nullptr) return false;
  bool covered = true;
  for (int y = 0; y < img->height && covered; ++y) {
    for (int x = 0; x < img->width; ++x) {
      if ((XGetPixel(img, x, y) & 0xFFFFFF) == kMagenta) {
        covered = false;
        break;
      }
    }
  }
  XDestroyImage(img);
  return covered;
}

// The program's exit status once it has ended, without waiting.
std::optional<int> Ended(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) != pid) return std::nullopt;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

template <class Done>
bool PollFor(double seconds, Done done) {
  const auto end =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

}  // namespace

int PreviewHost(Display* d, int argc, char** argv) {
  // argv[0..]: W H SECONDS [--resize W2 H2] -- PROGRAM ARGS...
  if (argc < 5) return 2;
  const int width = std::atoi(argv[0]), height = std::atoi(argv[1]);
  const double seconds = std::atof(argv[2]);
  int next = 3, resizeW = 0, resizeH = 0;
  if (std::strcmp(argv[next], "--resize") == 0 && next + 2 < argc) {
    resizeW = std::atoi(argv[next + 1]);
    resizeH = std::atoi(argv[next + 2]);
    next += 3;
  }
  if (width <= 0 || height <= 0 || seconds <= 0 || next >= argc || std::strcmp(argv[next], "--") != 0 ||
      next + 1 >= argc) {
    return 2;
  }
  char** program = argv + next + 1;

  const Window root = DefaultRootWindow(d);
  Window host = XCreateSimpleWindow(d, root, 20, 20, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, 0, kMagenta);
  XStoreName(d, host, "xprobe preview host");
  XSelectInput(d, host, StructureNotifyMask);
  XMapWindow(d, host);
  for (XEvent e;;) {
    XNextEvent(d, &e);
    if (e.type == MapNotify && e.xmap.window == host) break;
  }
  XSync(d, False);
  Geometry hostAt = GeometryOf(d, host, root).value_or(Geometry{});
  std::printf("host 0x%lx\nhost_geometry %dx%d+%d+%d\n", host, hostAt.width, hostAt.height, hostAt.x,
              hostAt.y);

  std::vector<std::string> args;
  for (char** a = program; *a != nullptr; ++a) args.push_back(Substitute(*a, host));
  std::vector<char*> execArgs;
  for (std::string& a : args) execArgs.push_back(a.data());
  execArgs.push_back(nullptr);

  const auto start = Clock::now();
  pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    // The program may outlive us: it must not hold our output open.
    dup2(STDERR_FILENO, STDOUT_FILENO);
    execvp(execArgs[0], execArgs.data());
    std::perror("xprobe: exec");
    _exit(127);
  }
  std::printf("pid %d\n", static_cast<int>(pid));
  std::fflush(stdout);

  std::optional<int> early;
  Window child = 0;
  const bool shown = PollFor(seconds, [&] {
    if ((early = Ended(pid))) return true;
    std::vector<Window> kids = ChildrenOf(d, host);
    if (kids.empty()) return false;
    auto g = GeometryOf(d, kids.front(), host);
    if (!g || !g->viewable || !Covered(d, hostAt)) return false;
    child = kids.front();
    return true;
  });
  if (early) {
    std::printf("exited_early %d\n", *early);
    return 1;
  }
  if (!shown) {
    std::printf("shown_ms timeout\n");
    return 1;
  }
  const double shownMs = MsSince(start);
  Geometry g = GeometryOf(d, child, host).value_or(Geometry{});
  char* name = nullptr;
  XFetchName(d, child, &name);
  std::printf("child 0x%lx\nchild_name %s\nchild_geometry %dx%d+%d+%d\nchild_count %zu\nshown_ms %.1f\n",
              child, name ? name : "", g.width, g.height, g.x, g.y, ChildrenOf(d, host).size(), shownMs);
  if (name) XFree(name);

  int rc = 0;
  if (resizeW > 0 && resizeH > 0) {
    const auto resizeStart = Clock::now();
    XResizeWindow(d, host, static_cast<unsigned>(resizeW), static_cast<unsigned>(resizeH));
    XSync(d, False);
    hostAt = GeometryOf(d, host, root).value_or(Geometry{});
    const bool followed = PollFor(seconds, [&] {
      auto c = GeometryOf(d, child, host);
      return c && c->width == resizeW && c->height == resizeH && Covered(d, hostAt);
    });
    if (followed) {
      std::printf("resized_ms %.1f\n", MsSince(resizeStart));
    } else {
      std::printf("resized_ms timeout\n");
      rc = 1;
    }
  }
  std::printf("ready\n");
  std::fflush(stdout);

  // The test looks at the screen meanwhile, then tells the host to go.
  std::string line;
  while (std::getline(std::cin, line) && line != "destroy") {
  }
  const auto destroyed = Clock::now();
  XDestroyWindow(d, host);
  XSync(d, False);
  std::optional<int> code;
  if (PollFor(seconds, [&] { return (code = Ended(pid)).has_value(); })) {
    std::printf("exit_ms %.1f\nexit_code %d\n", MsSince(destroyed), *code);
  } else {
    std::printf("exit_ms timeout\n");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    rc = 1;
  }
  return rc;
}

}  // namespace xprobe
