#include "platform/x11/X11WindowSystem.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/dpms.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/DisplayScale.h"
#include "platform/RefreshPace.h"
#include "platform/x11/X11Errors.h"
#include "platform/x11/X11Window.h"

namespace kal::x11 {
namespace {

// The monotonic clock to the last timer tick (a few milliseconds): DoEvents
// runs after every frame, and it only needs to know whether a millisecond or a
// refresh has passed. It never runs ahead of Clock::now(), so a push still
// waits at least a full refresh; the pacer's own waits use the precise clock.
TimePoint ReadCoarseClock() {
  timespec ts{};
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &ts) != 0) return Clock::now();
  return TimePoint(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(ts.tv_sec) +
                                                               std::chrono::nanoseconds(ts.tv_nsec)));
}

// How far the coarse clock may lag the precise one: its resolution, a timer tick.
Clock::duration CoarseClockLag() {
  timespec res{};
  if (clock_getres(CLOCK_MONOTONIC_COARSE, &res) != 0) return std::chrono::milliseconds(10);
  return std::chrono::seconds(res.tv_sec) + std::chrono::nanoseconds(res.tv_nsec);
}

// How often the display's power state is asked: a round trip to the server.
// The state changes seldom, and a rest looks again a second later.
constexpr auto kPowerLookInterval = std::chrono::seconds(1);

// The desktop's unit for window sizes is the twip (1/1440 inch); at the usual
// 96 dots per inch a pixel is 15 twips.
constexpr float kTwipsPerInch = 1440.0f;
constexpr float kDefaultDpi = 96.0f;

// The dots per inch the user's desktop asked fonts and layouts to use (the
// Xft.dpi resource), or 0 when none is set.
float ResourceDpi(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (resources == nullptr) return 0;
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(resources);
  if (db == nullptr) return 0;
  char* type = nullptr;
  XrmValue value{};
  float dpi = 0;
  if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
    dpi = std::strtof(value.addr, nullptr);
  }
  XrmDestroyDatabase(db);
  return dpi > 0 && dpi < 10000 ? dpi : 0;
}

// The window property as bytes, or nothing. Errors about windows that vanished
// meanwhile are ignored by the error handler.
std::optional<std::string> ReadTextProperty(Display* d, Window w, Atom property, Atom type) {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actualType, &format, &count, &after, &data) !=
      Success) {
    return std::nullopt;
  }
  std::optional<std::string> text;
  if (data != nullptr && actualType == type && format == 8) {
    text = std::string(reinterpret_cast<char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  return text;
}

// WM_NAME in UTF-8, whatever encoding the window's owner used.
std::optional<std::string> ReadWmName(Display* d, Window w) {
  XTextProperty prop{};
  if (!XGetWMName(d, w, &prop) || prop.value == nullptr) return std::nullopt;
  std::optional<std::string> name;
  char** list = nullptr;
  int count = 0;
  if (Xutf8TextPropertyToTextList(d, &prop, &list, &count) >= Success && list != nullptr) {
    if (count > 0 && list[0] != nullptr) name = std::string(list[0]);
    XFreeStringList(list);
  }
  XFree(prop.value);
  return name;
}

}  // namespace

std::unique_ptr<X11WindowSystem> X11WindowSystem::Open(const WindowArt& art) {
  InstallErrorHandlers();
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  return std::unique_ptr<X11WindowSystem>(new X11WindowSystem(display, art));
}

X11WindowSystem::X11WindowSystem(Display* display, const WindowArt& art)
    : display_(display),
      screen_(DefaultScreen(display)),
      root_(RootWindow(display, DefaultScreen(display))),
      art_(art) {
  const char* names[] = {"WM_PROTOCOLS",
                         "WM_DELETE_WINDOW",
                         "_NET_WM_NAME",
                         "UTF8_STRING",
                         "_NET_WM_STATE",
                         "_NET_WM_STATE_FULLSCREEN",
                         "_NET_WM_STATE_ABOVE",
                         "_NET_SUPPORTING_WM_CHECK",
                         "_MOTIF_WM_HINTS",
                         "_NET_WM_PID",
                         "_NET_WM_BYPASS_COMPOSITOR"};
  Atom a[std::size(names)] = {};
  XInternAtoms(display_, const_cast<char**>(names), static_cast<int>(std::size(names)), False, a);
  atoms_ = Atoms{a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10]};
  int major = 0, minor = 0;
  Bool pixmaps = False;
  shmAvailable_ = XShmQueryVersion(display_, &major, &minor, &pixmaps) == True;
  int dpmsEvent = 0, dpmsError = 0;
  dpms_ = DPMSQueryExtension(display_, &dpmsEvent, &dpmsError) && DPMSCapable(display_);
  coarseLag_ = CoarseClockLag();
  WatchDisplayLayout();
}

void X11WindowSystem::WatchDisplayLayout() {
  int errorBase = 0, major = 0, minor = 0;
  if (XRRQueryExtension(display_, &randrEventBase_, &errorBase) &&
      XRRQueryVersion(display_, &major, &minor)) {
    randrMonitors_ = major > 1 || (major == 1 && minor >= 5);
    XRRSelectInput(display_, root_,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  } else {
    randrEventBase_ = -1;
  }
  // The root's new size, for servers without XRandR. Added to what this
  // connection already asks of the root: a mask set here replaces the old one.
  XWindowAttributes attrs{};
  if (XGetWindowAttributes(display_, root_, &attrs))
    XSelectInput(display_, root_, attrs.your_event_mask | StructureNotifyMask);
}

X11WindowSystem::~X11WindowSystem() {
  // Windows still alive (held by objects that outlive the platform) lose
  // their connection here; closing it destroys them on the server.
  for (X11Window* w : windows_) w->Orphan();
  windows_.clear();
  if (invisibleCursor_) XFreeCursor(display_, invisibleCursor_);
  XCloseDisplay(display_);
}

void X11WindowSystem::HandleEvent(XEvent& event) {
  if (event.type == MappingNotify) {
    XRefreshKeyboardMapping(&event.xmapping);
    return;
  }
  if (randrEventBase_ >= 0 &&
      (event.type == randrEventBase_ + RRScreenChangeNotify || event.type == randrEventBase_ + RRNotify)) {
    XRRUpdateConfiguration(&event);  // keeps DisplayWidth and DisplayHeight right
    NotifyDisplayChange();
    return;
  }
  // Also for a window placed into the root, below.
  if (event.type == ConfigureNotify && event.xconfigure.window == root_) NotifyDisplayChange();
  for (X11Window* w : windows_) {
    // A window placed into a foreign one also hears about that window.
    if (w->xid() == event.xany.window || (w->parentXid() != 0 && w->parentXid() == event.xany.window)) {
      w->Dispatch(event);  // may unload or delete windows: stop looking
      return;
    }
  }
}

// ---- the loop's primitives ----

TimePoint X11WindowSystem::CoarseNow() { return ReadCoarseClock(); }

bool X11WindowSystem::AnyLoaded() {
  return std::any_of(windows_.begin(), windows_.end(), [](const X11Window* w) { return w->loaded(); });
}

bool X11WindowSystem::AnyChanges() {
  return std::any_of(windows_.begin(), windows_.end(), [](const X11Window* w) { return w->HasChanges(); });
}

void X11WindowSystem::PushChanges() {
  ++pushCount_;
  for (X11Window* w : windows_) w->Push();
  Flush();
}

bool X11WindowSystem::ReadAndDispatch() {
  XEventsQueued(display_, QueuedAfterFlush);  // flushes, reads what has arrived
  return DispatchQueued();
}

bool X11WindowSystem::DispatchQueued() {
  // Handlers may call DoEvents themselves: each event is taken off the queue
  // before it is handled, so nested calls simply go on with the next one.
  // XQLength reads the queue's length without taking the display lock: this
  // runs after every frame, and only this thread uses the connection.
  bool any = false;
  while (XQLength(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    any = true;
    HandleEvent(event);
  }
  return any;
}

bool X11WindowSystem::InputQueued() { return XEventsQueued(display_, QueuedAlready) > 0; }

void X11WindowSystem::Flush() {
  // XFlush also looks for replies (two reads of the socket) even when nothing
  // was queued: skip it when no request was made since the last one.
  const unsigned long next = NextRequest(display_);
  if (next == flushedBefore_) return;
  XFlush(display_);
  flushedBefore_ = next;
}

bool X11WindowSystem::SleepUntil(std::optional<TimePoint> wake) {
  Flush();
  // The flush may have read events: they are input already.
  if (XEventsQueued(display_, QueuedAlready) > 0) return true;
  pollfd fd{ConnectionNumber(display_), POLLIN, 0};
  timespec timeout{};
  timespec* limit = nullptr;
  if (wake) {
    auto left = *wake - Clock::now();
    if (left < Clock::duration::zero()) left = Clock::duration::zero();  // still look once
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
    timeout.tv_nsec = static_cast<long>(ns % 1000000000);
    limit = &timeout;
  }
  // EINTR: the caller looks again. Readable: read it, so the queue says
  // whether it was a whole event.
  if (::ppoll(&fd, 1, limit, nullptr) <= 0 || (fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) return false;
  return XEventsQueued(display_, QueuedAfterReading) > 0;
}

// ---- whether anyone can see ----

bool X11WindowSystem::Presenting() {
  if (!dpms_) return true;
  // Between looks this costs a reading of the coarse clock. Within a tick of
  // the next look that clock may lag, and the precise one decides: a rest's
  // one-second sleep, timed by the precise clock, then always finds it due.
  if (ReadCoarseClock() + coarseLag_ < nextPowerLook_) return !poweredDown_;
  const TimePoint now = Clock::now();
  if (now < nextPowerLook_) return !poweredDown_;
  nextPowerLook_ = now + kPowerLookInterval;
  poweredDown_ = DisplayPoweredDown();
  return !poweredDown_;
}

bool X11WindowSystem::DisplayPoweredDown() {
  // Polled: Xorg 21.1 reports DPMS 1.2 but answers its DPMSSelectInput with
  // BadRequest, so there are no notices to follow.
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  if (!DPMSInfo(display_, &level, &enabled)) return false;
  return enabled && (level == DPMSModeStandby || level == DPMSModeSuspend || level == DPMSModeOff);
}

// ---- screen ----

ScreenMetrics X11WindowSystem::Screen() {
  ScreenMetrics m;
  const PixelRect primary = Monitors().front();
  m.widthPx = primary.right - primary.left;
  m.heightPx = primary.bottom - primary.top;
  float dpi = ResourceDpi(display_);
  float twips = kTwipsPerInch / (dpi > 0 ? dpi : kDefaultDpi);
  m.twipsPerPixelX = twips;
  m.twipsPerPixelY = twips;
  return m;
}

std::vector<PixelRect> X11WindowSystem::Monitors() {
  std::vector<PixelRect> out;
  if (randrMonitors_) {
    int count = 0;
    if (XRRMonitorInfo* list = XRRGetMonitors(display_, root_, True, &count)) {
      // The primary first, then the others in the server's order.
      for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < count; ++k) {
          const XRRMonitorInfo& m = list[k];
          if (m.width > 0 && m.height > 0 && (m.primary != 0) == (pass == 0))
            out.push_back(PixelRect{m.x, m.y, m.x + m.width, m.y + m.height});
        }
      }
      XRRFreeMonitors(list);
    }
  }
  // A server joining several screens with Xinerama (Xephyr +xinerama) may
  // tell XRandR about its first screen only: then Xinerama knows better. It
  // has no primary: XRandR's, else its first screen by custom.
  std::vector<PixelRect> heads;
  int count = 0;
  if (XineramaIsActive(display_)) {
    if (XineramaScreenInfo* list = XineramaQueryScreens(display_, &count)) {
      for (int k = 0; k < count; ++k) {
        const XineramaScreenInfo& m = list[k];
        if (m.width > 0 && m.height > 0)
          heads.push_back(PixelRect{m.x_org, m.y_org, m.x_org + m.width, m.y_org + m.height});
      }
      XFree(list);
    }
  }
  if (heads.size() > out.size()) {
    const std::optional<PixelRect> primary = out.empty() ? std::nullopt : std::optional(out.front());
    out.clear();
    for (int pass = 0; pass < 2; ++pass) {
      for (const PixelRect& head : heads) {
        const bool isPrimary = primary ? head == *primary : &head == &heads.front();
        if (isPrimary == (pass == 0)) out.push_back(head);
      }
    }
  }
  if (out.empty())
    out.push_back(PixelRect{0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)});
  return out;
}

void X11WindowSystem::NotifyDisplayChange() {
  // A handler may make or unload windows: tell the ones of now that still are.
  const std::vector<X11Window*> told = windows_;
  for (X11Window* w : told) {
    if (std::find(windows_.begin(), windows_.end(), w) != windows_.end()) w->DisplayChanged();
  }
}

int X11WindowSystem::displayScale() { return ScaleForDpi(ResourceDpi(display_)); }

// ---- windows ----

Handle X11WindowSystem::FindTopLevelWindow(std::string_view caption) {
  auto matches = [&](Window w) {
    if (auto name = ReadTextProperty(display_, w, atoms_.netWmName, atoms_.utf8String);
        name && *name == caption) {
      return true;
    }
    auto name = ReadWmName(display_, w);
    return name && *name == caption;
  };
  auto children = [&](Window parent) {
    Window rootOut = 0, parentOut = 0;
    Window* list = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(display_, parent, &rootOut, &parentOut, &list, &count) && list != nullptr) {
      out.assign(list, list + count);
    }
    if (list != nullptr) XFree(list);
    return out;
  };
  // Top-level windows are the root's children; a window manager puts each
  // client window into a frame of its own, one level further down.
  const std::vector<Window> top = children(root_);
  for (Window w : top) {
    if (matches(w)) return static_cast<Handle>(w);
  }
  for (Window frame : top) {
    for (Window w : children(frame)) {
      if (matches(w)) return static_cast<Handle>(w);
    }
  }
  return 0;
}

std::unique_ptr<PlatformWindow> X11WindowSystem::MakeWindow(const WindowDesc& desc, WindowHandler& handler) {
  return std::make_unique<X11Window>(*this, desc, handler);
}

std::unique_ptr<PlatformWindow> X11WindowSystem::AdoptWindow(Handle window, WindowHandler& handler) {
  if (window <= 0 || window > 0xFFFFFFFFLL) return nullptr;
  const auto w = static_cast<Window>(window);
  // Its size, its repaints and its end, added to what this connection asks
  // of it already (the root's layout changes); then the size, so no resize
  // falls between the two. Nothing that only one client may select (a foreign
  // window's button presses are its owner's: BadAccess).
  ErrorTrap trap(display_);
  XWindowAttributes attrs{};
  bool read = XGetWindowAttributes(display_, w, &attrs) != 0;
  if (read) XSelectInput(display_, w, attrs.your_event_mask | StructureNotifyMask | ExposureMask);
  read = read && XGetWindowAttributes(display_, w, &attrs) != 0;
  // BadWindow: the handle names no window, or it has just gone.
  if (trap.Finish() != Success || !read || attrs.c_class == InputOnly) return nullptr;
  return std::make_unique<X11Window>(*this, w, attrs, handler);
}

bool X11WindowSystem::GetWindowRect(Handle window, PixelRect& out) {
  if (window <= 0 || window > 0xFFFFFFFFLL) return false;
  const auto w = static_cast<Window>(window);
  ErrorTrap trap(display_);
  XWindowAttributes attrs{};
  int x = 0, y = 0;
  Window child = 0;
  bool ok = XGetWindowAttributes(display_, w, &attrs) != 0 &&
            XTranslateCoordinates(display_, w, root_, 0, 0, &x, &y, &child) != 0;
  if (trap.Finish() != Success || !ok) return false;
  out = PixelRect{x, y, x + attrs.width, y + attrs.height};
  return true;
}

void X11WindowSystem::PostCloseRequest(Handle window) {
  // X's close request is the WM_DELETE_WINDOW message a window manager sends.
  if (window <= 0 || window > 0xFFFFFFFFLL) return;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = static_cast<Window>(window);
  e.xclient.message_type = atoms_.wmProtocols;
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(atoms_.wmDeleteWindow);
  e.xclient.data.l[1] = CurrentTime;
  ErrorTrap trap(display_);
  XSendEvent(display_, static_cast<Window>(window), False, NoEventMask, &e);
  trap.Finish();
}

bool X11WindowSystem::WindowManagerRunning() {
  // EWMH: the root names a window of the manager, and that window names itself
  // (a stale property left by a manager that has died names nothing live).
  auto check = [&](Window w) -> Window {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window named = 0;
    if (XGetWindowProperty(display_, w, atoms_.netSupportingWmCheck, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && type == XA_WINDOW && format == 32 && count == 1) {
      named = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data != nullptr) XFree(data);
    return named;
  };
  Window wm = check(root_);
  if (wm == 0) return false;
  ErrorTrap trap(display_);
  Window self = check(wm);
  return trap.Finish() == Success && self == wm;
}

bool X11WindowSystem::OnXWayland() {
  if (xwayland_) return *xwayland_;
  // Newer Xwayland servers carry an extension of that name; Debian 12's
  // (22.1) does not, but names its RandR outputs XWAYLAND0, XWAYLAND1, ...
  int opcode = 0, event = 0, error = 0;
  bool found = XQueryExtension(display_, "XWAYLAND", &opcode, &event, &error) == True;
  if (!found && randrEventBase_ >= 0) {
    if (XRRScreenResources* res = XRRGetScreenResourcesCurrent(display_, root_)) {
      for (int k = 0; k < res->noutput && !found; ++k) {
        if (XRROutputInfo* info = XRRGetOutputInfo(display_, res, res->outputs[k])) {
          found = info->name != nullptr && std::string_view(info->name).starts_with("XWAYLAND");
          XRRFreeOutputInfo(info);
        }
      }
      XRRFreeScreenResources(res);
    }
  }
  xwayland_ = found;
  return found;
}

void X11WindowSystem::Register(X11Window* window) { windows_.push_back(window); }

void X11WindowSystem::Unregister(X11Window* window) { std::erase(windows_, window); }

void X11WindowSystem::OnWindowClosedByUser() {
  // The window manager's close button ends a program whose last window it closed.
  if (!AnyLoaded() && process_ != nullptr) process_->EndProcess(0);
}

// ---- OS services ----

int X11WindowSystem::ShowCursor(bool show) {
  cursorCount_ += show ? 1 : -1;
  for (X11Window* w : windows_) w->ApplyCursor(cursorHidden());
  XFlush(display_);
  return cursorCount_;
}

Cursor X11WindowSystem::invisibleCursor() {
  if (invisibleCursor_ == 0) {
    char bits[1] = {0};
    Pixmap blank = XCreateBitmapFromData(display_, root_, bits, 1, 1);
    XColor black{};
    invisibleCursor_ = XCreatePixmapCursor(display_, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display_, blank);
  }
  return invisibleCursor_;
}

}  // namespace kal::x11
