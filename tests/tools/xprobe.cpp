// xprobe: asks a running X server what the integration tests need to know.
//
//   xprobe cursor                  "visible" or "hidden" (the cursor image now on screen)
//   xprobe cursor-hotspot          "X Y": the hot spot of the cursor image now on screen
//   xprobe window CAPTION          id, geometry, override-redirect, _NET_WM_STATE and map
//                                  state of the top-level window with that caption; exit 1 if none
//   xprobe count CAPTION           how many top-level windows have that caption
//   xprobe wait CAPTION SECONDS    waits until such a window is viewable; exit 1 on timeout
//   xprobe gone CAPTION SECONDS    waits until no such window exists; exit 1 on timeout
//   xprobe pointer                 "X Y" of the pointer on the root window
//   xprobe screen                  "WIDTHxHEIGHT" of the default screen
//   xprobe wm                      "yes" when an EWMH window manager runs, else "no"
//   xprobe wm-ready SECONDS        waits until a window manager manages new windows (a test
//                                  window gets reparented into a frame); exit 1 on timeout
//   xprobe hold CAPTION SECONDS    shows a window with that caption (WM_NAME and
//                                  _NET_WM_NAME) for SECONDS, as another program would
//   xprobe close CAPTION           asks that window to close (WM_DELETE_WINDOW), as a
//                                  window manager's close button does; exit 1 if none
//   xprobe close-id ID             the same for the window with that id
//   xprobe owned ID SECONDS        waits until a viewable window is transient for the window
//                                  ID (WM_TRANSIENT_FOR) and describes it as `window` does,
//                                  its caption (_NET_WM_NAME) first; exit 1 on timeout
//   xprobe launch CAPTION SECONDS -- PROGRAM ARGS...
//                                  starts the program and measures the time until its window
//                                  is viewable and all of it shows black on the screen; prints
//                                  "pid N", "viewable_ms T" and "first_black_ms T" (the program
//                                  keeps running)
//   xprobe preview-host W H SECONDS [--resize W2 H2] -- PROGRAM ARGS...
//                                  hosts a preview: see PreviewHost.cpp
//
// Captions are matched against _NET_WM_NAME (UTF-8) and WM_NAME, on the root's
// children and one level below them (window-manager frames).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/tools/PreviewHost.h"

namespace {

Display* g_display = nullptr;

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }  // windows vanish while we look

Atom Intern(const char* name) { return XInternAtom(g_display, name, False); }

std::optional<std::string> Utf8Property(Window w, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<std::string> out;
  if (XGetWindowProperty(g_display, w, property, 0, 4096, False, Intern("UTF8_STRING"), &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr && format == 8) {
    out = std::string(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return out;
}

std::optional<std::string> WmName(Window w) {
  XTextProperty prop{};
  if (!XGetWMName(g_display, w, &prop) || prop.value == nullptr) return std::nullopt;
  std::optional<std::string> out;
  char** list = nullptr;
  int n = 0;
  if (Xutf8TextPropertyToTextList(g_display, &prop, &list, &n) >= Success && list != nullptr) {
    if (n > 0) out = list[0];
    XFreeStringList(list);
  }
  XFree(prop.value);
  return out;
}

bool HasCaption(Window w, const std::string& caption) {
  auto net = Utf8Property(w, Intern("_NET_WM_NAME"));
  if (net && *net == caption) return true;
  auto name = WmName(w);
  return name && *name == caption;
}

std::vector<Window> Children(Window parent) {
  Window r = 0, p = 0, *list = nullptr;
  unsigned n = 0;
  std::vector<Window> out;
  if (XQueryTree(g_display, parent, &r, &p, &list, &n) && list) out.assign(list, list + n);
  if (list) XFree(list);
  return out;
}

std::vector<Window> FindAll(const std::string& caption) {
  std::vector<Window> found;
  for (Window top : Children(DefaultRootWindow(g_display))) {
    if (HasCaption(top, caption)) {
      found.push_back(top);
      continue;
    }
    for (Window inner : Children(top)) {
      if (HasCaption(inner, caption)) found.push_back(inner);
    }
  }
  return found;
}

struct Info {
  Window id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool overrideRedirect = false;
  int mapState = IsUnmapped;
  std::vector<std::string> states;
};

std::optional<Info> Describe(Window w) {
  XWindowAttributes a{};
  if (!XGetWindowAttributes(g_display, w, &a)) return std::nullopt;
  Info info;
  info.id = w;
  Window child = 0;
  XTranslateCoordinates(g_display, w, DefaultRootWindow(g_display), 0, 0, &info.x, &info.y, &child);
  info.width = a.width;
  info.height = a.height;
  info.overrideRedirect = a.override_redirect;
  info.mapState = a.map_state;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(g_display, w, Intern("_NET_WM_STATE"), 0, 64, False, XA_ATOM, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32) {
    auto* atoms = reinterpret_cast<Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      if (char* name = XGetAtomName(g_display, atoms[i])) {
        info.states.emplace_back(name);
        XFree(name);
      }
    }
  }
  if (data) XFree(data);
  return info;
}

std::optional<Info> FindViewable(const std::string& caption) {
  for (Window w : FindAll(caption)) {
    auto info = Describe(w);
    if (info && info->mapState == IsViewable) return info;
  }
  return std::nullopt;
}

double Seconds(const char* text) {
  char* end = nullptr;
  double s = std::strtod(text, &end);
  return end != text && s > 0 ? s : 10.0;
}

XFixesCursorImage* CursorImage() {
  int eventBase = 0, errorBase = 0;
  if (!XFixesQueryExtension(g_display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "xprobe: no XFIXES extension\n");
    return nullptr;
  }
  return XFixesGetCursorImage(g_display);
}

int CursorHotspot() {
  XFixesCursorImage* img = CursorImage();
  if (img == nullptr) return 2;
  std::printf("%d %d\n", img->xhot, img->yhot);
  XFree(img);
  return 0;
}

int CursorState() {
  XFixesCursorImage* img = CursorImage();
  if (img == nullptr) return 2;
  bool visible = false;
  for (int i = 0; i < img->width * img->height; ++i) {
    if (((img->pixels[i] >> 24) & 0xFF) != 0) {
      visible = true;
      break;
    }
  }
  XFree(img);
  std::puts(visible ? "visible" : "hidden");
  return 0;
}

void Print(const Info& info) {
  std::printf("id 0x%lx\n", info.id);
  std::printf("geometry %dx%d+%d+%d\n", info.width, info.height, info.x, info.y);
  std::printf("override_redirect %d\n", info.overrideRedirect ? 1 : 0);
  std::printf("net_wm_state");
  for (const auto& st : info.states) std::printf(" %s", st.c_str());
  std::printf("\n");
  std::printf("map_state %s\n", info.mapState == IsViewable     ? "viewable"
                                : info.mapState == IsUnviewable ? "unviewable"
                                                                : "unmapped");
}

int WindowInfo(const std::string& caption) {
  auto all = FindAll(caption);
  if (all.empty()) return 1;
  // Prefer the viewable one when a hidden namesake exists too.
  std::optional<Info> info = FindViewable(caption);
  if (!info) info = Describe(all.front());
  if (!info) return 1;
  Print(*info);
  return 0;
}

template <class Done>
int Poll(double seconds, Done done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (done()) return 0;
    if (std::chrono::steady_clock::now() >= end) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

Window ParseId(const char* text) { return static_cast<Window>(std::strtoul(text, nullptr, 0)); }

// A viewable window (a child of the root or one level below, where window
// managers keep their clients) that is transient for the owner.
std::optional<Info> FindOwned(Window owner) {
  for (Window top : Children(DefaultRootWindow(g_display))) {
    std::vector<Window> candidates{top};
    for (Window inner : Children(top)) candidates.push_back(inner);
    for (Window w : candidates) {
      Window of = 0;
      if (!XGetTransientForHint(g_display, w, &of) || of != owner) continue;
      auto info = Describe(w);
      if (info && info->mapState == IsViewable) return info;
    }
  }
  return std::nullopt;
}

int Owned(Window owner, double seconds) {
  std::optional<Info> info;
  if (Poll(seconds, [&] { return (info = FindOwned(owner)).has_value(); }) != 0) return 1;
  auto caption = Utf8Property(info->id, Intern("_NET_WM_NAME"));
  std::printf("caption %s\n", caption ? caption->c_str() : "");
  Print(*info);
  return 0;
}

bool WmRunning() {
  Atom check = Intern("_NET_SUPPORTING_WM_CHECK");
  auto named = [&](Window w) -> Window {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window out = 0;
    if (XGetWindowProperty(g_display, w, check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        data && count == 1) {
      out = *reinterpret_cast<Window*>(data);
    }
    if (data) XFree(data);
    return out;
  };
  Window wm = named(DefaultRootWindow(g_display));
  return wm != 0 && named(wm) == wm;
}

// Everything the window shows on the screen is black.
bool ShowsBlack(const Info& info) {
  int sw = DisplayWidth(g_display, DefaultScreen(g_display));
  int sh = DisplayHeight(g_display, DefaultScreen(g_display));
  int x0 = std::max(0, info.x), y0 = std::max(0, info.y);
  int x1 = std::min(sw, info.x + info.width), y1 = std::min(sh, info.y + info.height);
  if (x0 >= x1 || y0 >= y1) return false;
  XImage* img = XGetImage(g_display, DefaultRootWindow(g_display), x0, y0, static_cast<unsigned>(x1 - x0),
                          static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap);
  if (img == nullptr) return false;
  bool black = true;
  for (int y = 0; y < img->height && black; ++y) {
    for (int x = 0; x < img->width; ++x) {
      if (XGetPixel(img, x, y) != 0) {
        black = false;
        break;
      }
    }
  }
  XDestroyImage(img);
  return black;
}

int Launch(const std::string& caption, double seconds, char** argv) {
  XSync(g_display, False);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    // The program outlives us: it must not hold our output open (a shell
    // reading it would wait for the program's end).
    dup2(STDERR_FILENO, STDOUT_FILENO);
    execvp(argv[0], argv);
    std::perror("xprobe: exec");
    _exit(127);
  }
  std::printf("pid %d\n", static_cast<int>(pid));
  std::fflush(stdout);
  auto end = start + std::chrono::duration<double>(seconds);
  auto since = [&] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  };
  bool viewable = false;
  while (std::chrono::steady_clock::now() < end) {
    auto info = FindViewable(caption);
    if (info && !viewable) {
      viewable = true;
      std::printf("viewable_ms %.1f\n", since());
    }
    // Reading the screen back takes a while itself: the time is taken before it.
    double ms = since();
    if (info && ShowsBlack(*info)) {
      std::printf("first_black_ms %.1f\n", ms);
      return 0;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return 1;
}

// A manager that has only just started may not yet handle map requests (one
// sent while it starts up can be lost): map a test window until one is taken
// into a frame.
int WmReady(double seconds) {
  auto end =
      std::chrono::steady_clock::now() +
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
  Window root = DefaultRootWindow(g_display);
  while (std::chrono::steady_clock::now() < end) {
    if (!WmRunning()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    Window w = XCreateSimpleWindow(g_display, root, 0, 0, 10, 10, 0, 0, 0);
    XStoreName(g_display, w, "xprobe wm-ready");
    XMapWindow(g_display, w);
    XSync(g_display, False);
    auto attempt = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    bool framed = false;
    while (!framed && std::chrono::steady_clock::now() < std::min(attempt, end)) {
      Window r = 0, parent = 0, *kids = nullptr;
      unsigned n = 0;
      if (XQueryTree(g_display, w, &r, &parent, &kids, &n)) framed = parent != root;
      if (kids) XFree(kids);
      if (!framed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XDestroyWindow(g_display, w);
    XSync(g_display, False);
    if (framed) return 0;
  }
  return 1;
}

int Hold(const std::string& caption, double seconds) {
  Window w = XCreateSimpleWindow(g_display, DefaultRootWindow(g_display), 10, 10, 200, 100, 0, 0,
                                 WhitePixel(g_display, DefaultScreen(g_display)));
  Xutf8SetWMProperties(g_display, w, caption.c_str(), caption.c_str(), nullptr, 0, nullptr, nullptr, nullptr);
  XChangeProperty(g_display, w, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(caption.data()), static_cast<int>(caption.size()));
  XMapWindow(g_display, w);
  XSync(g_display, False);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  return 0;
}

int CloseWindow(Window w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = Intern("WM_PROTOCOLS");
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(Intern("WM_DELETE_WINDOW"));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(g_display, w, False, NoEventMask, &e);
  XSync(g_display, False);
  return 0;
}

int Close(const std::string& caption) {
  auto all = FindAll(caption);
  if (all.empty()) return 1;
  return CloseWindow(all.front());
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: xprobe cursor | cursor-hotspot | window CAPTION | count CAPTION | wait CAPTION SECONDS |\n"
      "       gone CAPTION SECONDS | pointer | screen | wm | wm-ready SECONDS | hold CAPTION "
      "SECONDS | close CAPTION |\n"
      "       close-id ID | owned ID SECONDS |\n"
      "       launch CAPTION SECONDS -- PROGRAM ARGS... |\n"
      "       preview-host W H SECONDS [--resize W2 H2] -- PROGRAM ARGS...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  g_display = XOpenDisplay(nullptr);
  if (g_display == nullptr) {
    std::fprintf(stderr, "xprobe: cannot open display\n");
    return 2;
  }
  XSetErrorHandler(IgnoreErrors);
  const std::string cmd = argv[1];
  int rc = 2;
  if (cmd == "cursor") {
    rc = CursorState();
  } else if (cmd == "cursor-hotspot") {
    rc = CursorHotspot();
  } else if (cmd == "window" && argc == 3) {
    rc = WindowInfo(argv[2]);
  } else if (cmd == "count" && argc == 3) {
    std::printf("%zu\n", FindAll(argv[2]).size());
    rc = 0;
  } else if (cmd == "wait" && argc == 4) {
    rc = Poll(Seconds(argv[3]), [&] { return FindViewable(argv[2]).has_value(); });
  } else if (cmd == "gone" && argc == 4) {
    rc = Poll(Seconds(argv[3]), [&] { return FindAll(argv[2]).empty(); });
  } else if (cmd == "pointer") {
    Window r = 0, c = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(g_display, DefaultRootWindow(g_display), &r, &c, &x, &y, &wx, &wy, &mask);
    std::printf("%d %d\n", x, y);
    rc = 0;
  } else if (cmd == "screen") {
    std::printf("%dx%d\n", DisplayWidth(g_display, DefaultScreen(g_display)),
                DisplayHeight(g_display, DefaultScreen(g_display)));
    rc = 0;
  } else if (cmd == "wm") {
    std::puts(WmRunning() ? "yes" : "no");
    rc = 0;
  } else if (cmd == "wm-ready" && argc == 3) {
    rc = WmReady(Seconds(argv[2]));
  } else if (cmd == "hold" && argc == 4) {
    rc = Hold(argv[2], Seconds(argv[3]));
  } else if (cmd == "close" && argc == 3) {
    rc = Close(argv[2]);
  } else if (cmd == "close-id" && argc == 3) {
    rc = CloseWindow(ParseId(argv[2]));
  } else if (cmd == "owned" && argc == 4) {
    rc = Owned(ParseId(argv[2]), Seconds(argv[3]));
  } else if (cmd == "launch" && argc >= 6 && std::strcmp(argv[4], "--") == 0) {
    rc = Launch(argv[2], Seconds(argv[3]), argv + 5);
  } else if (cmd == "preview-host") {
    rc = xprobe::PreviewHost(g_display, argc - 2, argv + 2);
    if (rc == 2) Usage();
  } else {
    rc = Usage();
  }
  XCloseDisplay(g_display);
  return rc;
}
