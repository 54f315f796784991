// kal-x11-covers: where covers for the other monitors land, for the X11
// saver under sway's XWayland, openbox, and no window manager. It makes the
// saver's windows the way the X11 backend does: a full-screen window on the
// primary monitor (managed, with _NET_WM_STATE_FULLSCREEN and _ABOVE set
// before it is mapped, where a window manager runs; override-redirect, with
// the keyboard grabbed, where none does) and one cover per other monitor,
//   managed   as the backend makes them today: a full-screen managed window
//             moved to its monitor (where a window manager runs)
//   override  an override-redirect window at its monitor's rectangle, that
//             no window manager places (and the keyboard stays the saver's)
//   follow    override-redirect covers, but for the monitors other than the
//             one the window manager put the saver window on (found from its
//             place once mapped), not the primary
//   all-override  the saver window too is override-redirect and grabs the
//             keyboard, as without a window manager
// The saver window is red, covers green, so screenshots tell them apart.
// Prints each window's place once they are mapped, then the pointer's
// motions (window, position in it, on the root) and key and button presses,
// as lines; a key press ends it (exit 0), as does --timeout (exit 3).
//
//   kal-x11-covers managed|override|follow|all-override [--timeout SECONDS]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rect {
  int x, y, w, h;
};

struct Win {
  Window id;
  std::string name;
  Rect want;
};

std::vector<Rect> Monitors(Display* d, Window root) {
  std::vector<Rect> out;
  int count = 0;
  XRRMonitorInfo* list = XRRGetMonitors(d, root, True, &count);
  // The primary first, as the saver takes it.
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = 0; k < count; ++k) {
      if ((list[k].primary != 0) == (pass == 0))
        out.push_back({list[k].x, list[k].y, list[k].width, list[k].height});
    }
  }
  if (list != nullptr) XRRFreeMonitors(list);
  if (out.empty())
    out.push_back({0, 0, DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d))});
  return out;
}

Window SupportingWm(Display* d, Window w, Atom check) {
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  Window named = 0;
  if (XGetWindowProperty(d, w, check, 0, 1, False, XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
      data != nullptr && type == XA_WINDOW && format == 32 && n == 1)
    named = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  return named;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

bool WindowManagerRunning(Display* d, Window root) {
  const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
  const Window wm = SupportingWm(d, root, check);
  if (wm == 0) return false;
  auto* old = XSetErrorHandler(IgnoreErrors);
  const Window self = SupportingWm(d, wm, check);
  XSync(d, False);
  XSetErrorHandler(old);
  return self == wm;
}

Window MakeWindow(Display* d, Window root, const Rect& r, unsigned long colour, bool overrideRedirect,
                  bool fullScreenState) {
  XSetWindowAttributes a{};
  a.background_pixel = colour;
  a.override_redirect = overrideRedirect ? True : False;
  a.event_mask = KeyPressMask | ButtonPressMask | PointerMotionMask | EnterWindowMask | StructureNotifyMask;
  const Window w = XCreateWindow(d, root, r.x, r.y, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h), 0,
                                 CopyFromParent, InputOutput, CopyFromParent,
                                 CWBackPixel | CWOverrideRedirect | CWEventMask, &a);
  XSizeHints size{};
  size.flags = USPosition | USSize;
  size.x = r.x;
  size.y = r.y;
  size.width = r.w;
  size.height = r.h;
  XSetWMNormalHints(d, w, &size);
  XStoreName(d, w, "Kalvessa_m");
  if (fullScreenState) {
    const Atom state = XInternAtom(d, "_NET_WM_STATE", False);
    Atom values[] = {XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False),
                     XInternAtom(d, "_NET_WM_STATE_ABOVE", False)};
    XChangeProperty(d, w, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(values), 2);
  }
  return w;
}

Rect PlaceOf(Display* d, Window root, Window w) {
  XWindowAttributes a{};
  XGetWindowAttributes(d, w, &a);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(d, w, root, 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (mode != "managed" && mode != "override" && mode != "follow" && mode != "all-override") {
    std::fprintf(stderr, "usage: %s managed|override|follow|all-override [--timeout SECONDS]\n", argv[0]);
    return 2;
  }
  int timeout = 60;
  if (argc >= 4 && std::string(argv[2]) == "--timeout") timeout = std::atoi(argv[3]);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    std::fprintf(stderr, "kal-x11-covers: no X display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(d);
  const bool managed = WindowManagerRunning(d, root);
  const std::vector<Rect> monitors = Monitors(d, root);
  std::printf("window-manager %d monitors %zu covers %s\n", managed ? 1 : 0, monitors.size(), mode.c_str());

  std::vector<Win> wins;
  // The saver window, as the backend makes it.
  const bool saverOverride = !managed || mode == "all-override";
  wins.push_back(
      {MakeWindow(d, root, monitors[0], 0xFF0000, saverOverride, !saverOverride), "saver", monitors[0]});
  XMapRaised(d, wins[0].id);
  XSync(d, False);
  std::size_t saverMonitor = 0;
  if (mode == "follow" && !saverOverride) {
    // Where the window manager put it: the monitor holding its centre, once
    // it has been placed (a ConfigureNotify, or a second at most).
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < until) {
      pollfd fd{ConnectionNumber(d), POLLIN, 0};
      poll(&fd, 1, 50);
      while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
      }
    }
    const Rect p = PlaceOf(d, root, wins[0].id);
    for (std::size_t k = 0; k < monitors.size(); ++k) {
      const Rect& m = monitors[k];
      const int cx = p.x + p.w / 2, cy = p.y + p.h / 2;
      if (cx >= m.x && cx < m.x + m.w && cy >= m.y && cy < m.y + m.h) saverMonitor = k;
    }
    wins[0].want = monitors[saverMonitor];
    std::printf("saver-monitor %zu\n", saverMonitor);
  }
  for (std::size_t k = 0; k < monitors.size(); ++k) {
    if (k == saverMonitor) continue;
    const Rect& m = monitors[k];
    const bool coverOverride = mode != "managed" || !managed;
    Window w = MakeWindow(d, root, coverOverride ? m : monitors[0], 0x00FF00, coverOverride, !coverOverride);
    if (!coverOverride)
      XMoveResizeWindow(d, w, m.x, m.y, static_cast<unsigned>(m.w), static_cast<unsigned>(m.h));
    XMapRaised(d, w);
    wins.push_back({w, "cover" + std::to_string(k), m});
  }
  XSync(d, False);
  if (saverOverride) {
    // Nothing gives an unmanaged window the keyboard: the saver takes it.
    for (int attempt = 0; attempt < 100; ++attempt) {
      if (XGrabKeyboard(d, wins[0].id, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess) {
        std::printf("keyboard grabbed\n");
        break;
      }
      poll(nullptr, 0, 10);
    }
  }

  const auto start = std::chrono::steady_clock::now();
  bool placesShown = false;
  for (;;) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (elapsed > std::chrono::seconds(timeout)) {
      std::printf("exit reason=timeout\n");
      return 3;
    }
    if (!placesShown && elapsed > std::chrono::seconds(1)) {
      placesShown = true;
      for (const Win& w : wins) {
        const Rect p = PlaceOf(d, root, w.id);
        std::printf("place %s want=%dx%d+%d+%d is=%dx%d+%d+%d\n", w.name.c_str(), w.want.w, w.want.h,
                    w.want.x, w.want.y, p.w, p.h, p.x, p.y);
      }
    }
    while (XPending(d) > 0) {
      XEvent e;
      XNextEvent(d, &e);
      std::string name = "?";
      for (const Win& w : wins) {
        if (w.id == e.xany.window) name = w.name;
      }
      if (e.type == MotionNotify) {
        std::printf("motion window=%s x=%d y=%d root=%d,%d\n", name.c_str(), e.xmotion.x, e.xmotion.y,
                    e.xmotion.x_root, e.xmotion.y_root);
      } else if (e.type == EnterNotify) {
        std::printf("enter window=%s x=%d y=%d root=%d,%d\n", name.c_str(), e.xcrossing.x, e.xcrossing.y,
                    e.xcrossing.x_root, e.xcrossing.y_root);
      } else if (e.type == ButtonPress) {
        std::printf("button window=%s button=%u\n", name.c_str(), e.xbutton.button);
      } else if (e.type == KeyPress) {
        std::printf("key window=%s keycode=%u\n", name.c_str(), e.xkey.keycode);
        std::printf("exit reason=key\n");
        XCloseDisplay(d);
        return 0;
      }
    }
    pollfd fd{ConnectionNumber(d), POLLIN, 0};
    poll(&fd, 1, 100);
  }
}
