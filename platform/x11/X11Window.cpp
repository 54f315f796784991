#include "platform/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/posix/KeySymbols.h"
#include "platform/x11/X11Errors.h"
#include "platform/x11/X11Icons.h"
#include "platform/x11/X11WindowSystem.h"

namespace kal::x11 {
namespace {

constexpr int kMaxSide = 32767;  // X coordinates are 16-bit

// The window's shift state as the logic knows it: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftState(unsigned state) {
  return ((state & ShiftMask) ? 1 : 0) | ((state & ControlMask) ? 2 : 0) | ((state & Mod1Mask) ? 4 : 0);
}

// Buttons held during a move, numbered as the logic knows them: 1 left, 2 right, 4 middle.
int ButtonState(unsigned state) {
  return ((state & Button1Mask) ? 1 : 0) | ((state & Button3Mask) ? 2 : 0) | ((state & Button2Mask) ? 4 : 0);
}

// A button as the logic knows it: 1 left, 2 right, 4 middle; 0 for the
// wheel's steps (buttons 4 to 7), which are not clicks.
int LogicButton(unsigned x) { return x == Button1 ? 1 : x == Button3 ? 2 : x == Button2 ? 4 : 0; }

void SetSizeHints(::Display* d, Window w, int x, int y, int width, int height) {
  XSizeHints hints{};
  // Without a "user position" a window manager may place the window where it likes.
  hints.flags = USPosition | USSize;
  hints.x = x;
  hints.y = y;
  hints.width = width;
  hints.height = height;
  XSetWMNormalHints(d, w, &hints);
}

}  // namespace

X11Window::X11Window(X11WindowSystem& platform, const WindowDesc& desc, WindowHandler& handler)
    : platform_(&platform), display_(platform.display()), handler_(handler), fullScreen_(desc.fullScreen) {
  const int screen = platform.screen();
  const auto& atoms = platform.atoms();
  managed_ = platform.WindowManagerRunning();
  // Without a window manager nothing keeps a window on top or gives it the
  // keyboard: the full-screen window places itself and grabs the keys.
  // Under XWayland the window manager puts every full-screen window on the
  // focused output, so the covers of the other outputs would never land
  // there: the saver's windows place themselves as without a manager.
  overrideRedirect_ = fullScreen_ && (!managed_ || platform.OnXWayland());

  int width = fullScreen_ ? DisplayWidth(display_, screen) : 320;
  int height = fullScreen_ ? DisplayHeight(display_, screen) : 240;
  XSetWindowAttributes attrs{};
  // The picture box covers the whole client area, and its background is black.
  attrs.background_pixel = BlackPixel(display_, screen);
  attrs.border_pixel = BlackPixel(display_, screen);
  attrs.override_redirect = overrideRedirect_ ? True : False;
  attrs.event_mask = KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                     EnterWindowMask | ExposureMask | StructureNotifyMask;
  window_ = XCreateWindow(display_, platform.root(), 0, 0, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, DefaultDepth(display_, screen), InputOutput,
                          DefaultVisual(display_, screen),
                          CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWEventMask, &attrs);

  // Caption: WM_NAME in the locale-independent encodings (Latin-1 or compound
  // text), _NET_WM_NAME in UTF-8.
  XSizeHints size{};
  size.flags = USPosition | USSize;
  size.width = width;
  size.height = height;
  XWMHints wm{};
  wm.flags = InputHint | StateHint;
  wm.input = True;
  wm.initial_state = NormalState;
  std::string resName = platform.programName();
  char resClass[] = "Kalvessa";
  XClassHint cls{resName.data(), resClass};
  Xutf8SetWMProperties(display_, window_, desc.caption.c_str(), desc.caption.c_str(), nullptr, 0, &size, &wm,
                       &cls);
  XChangeProperty(display_, window_, atoms.netWmName, atoms.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(desc.caption.data()),
                  static_cast<int>(desc.caption.size()));
  Atom protocols[] = {atoms.wmDeleteWindow};
  XSetWMProtocols(display_, window_, protocols, 1);
  long pid = static_cast<long>(::getpid());
  XChangeProperty(display_, window_, atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pid), 1);
  if (desc.owner > 0 && desc.owner <= 0xFFFFFFFFLL) {
    // A window manager keeps it above its owner and shows the two as one.
    owner_ = static_cast<Window>(desc.owner);
    XSetTransientForHint(display_, window_, owner_);
  }
  if (desc.border && !fullScreen_) SetIconFromFile(display_, window_, platform.art().programIcon);
  if (!desc.border || fullScreen_) {
    // Motif hints, understood by every common window manager: no decorations.
    long motif[5] = {2 /* decorations field valid */, 0, 0 /* none */, 0, 0};
    XChangeProperty(display_, window_, atoms.motifWmHints, atoms.motifWmHints, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motif), 5);
  }
  if (fullScreen_) {
    SetFullScreenState();
    long bypass = 1;  // a compositor need not redirect a full-screen saver
    XChangeProperty(display_, window_, atoms.netWmBypassCompositor, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&bypass), 1);
    topmost_ = true;
  }

  if (desc.scaleToDisplay) canvas_.SetScale(platform.displayScale());
  canvas_.Resize(width, height, Rgb(0, 0, 0));
  presenter_ = std::make_unique<Presenter>(display_, window_, DefaultVisual(display_, screen),
                                           DefaultDepth(display_, screen), platform.shmAvailable());
  presenter_->Resize(canvas_.shown());
  ApplyCursor(platform.cursorHidden());
  platform.Register(this);
}

X11Window::X11Window(X11WindowSystem& platform, Window foreign, const XWindowAttributes& attrs,
                     WindowHandler& handler)
    : platform_(&platform),
      display_(platform.display()),
      handler_(handler),
      window_(foreign),
      fullScreen_(false),
      mapped_(true),  // its owner shows it; drawing into a hidden window is simply lost
      adopted_(true) {
  canvas_.Resize(std::clamp(attrs.width, 1, kMaxSide), std::clamp(attrs.height, 1, kMaxSide), Rgb(0, 0, 0));
  presenter_ =
      std::make_unique<Presenter>(display_, window_, attrs.visual, attrs.depth, platform.shmAvailable());
  presenter_->Resize(canvas_.shown());
  // The first push clears the whole window: whatever its owner left there goes.
  exposed_.push_back(PixelRect{0, 0, canvas_.shown().width(), canvas_.shown().height()});
  platform.Register(this);
}

X11Window::~X11Window() {
  *alive_ = false;
  DestroyNative();
}

void X11Window::DestroyNative() {
  if (platform_ == nullptr || window_ == 0) return;
  platform_->Unregister(this);
  presenter_.reset();
  if (handCursor_ != 0) XFreeCursor(display_, handCursor_);
  handCursor_ = 0;
  // An adopted window stays its owner's; its events, unregistered, reach nobody.
  if (!nativeGone_ && !adopted_) XDestroyWindow(display_, window_);
  XFlush(display_);
  window_ = 0;
}

void X11Window::Orphan() {
  // The connection is about to close and takes the window with it.
  presenter_.reset();
  platform_ = nullptr;
  window_ = 0;
}

void X11Window::Move(int left, int top, int width, int height) {
  if (window_ == 0 || adopted_) return;
  width = std::clamp(width, 1, kMaxSide);
  height = std::clamp(height, 1, kMaxSide);
  left = std::clamp(left, -kMaxSide, kMaxSide);
  top = std::clamp(top, -kMaxSide, kMaxSide);
  SetSizeHints(display_, window_, left, top, width, height);
  XMoveResizeWindow(display_, window_, left, top, static_cast<unsigned>(width),
                    static_cast<unsigned>(height));
  ResizeCanvas(width, height);
}

void X11Window::ResizeCanvas(int width, int height) {
  if (width == canvas_.shown().width() && height == canvas_.shown().height()) return;
  canvas_.Resize(width, height, Rgb(0, 0, 0));
  exposed_.clear();
  // Another client's window keeps whatever its bit gravity kept: clear it all.
  if (adopted_) exposed_.push_back(PixelRect{0, 0, canvas_.shown().width(), canvas_.shown().height()});
  presenter_->Resize(canvas_.shown());
  if (mapped_) handler_.OnPaint(*this);
}

bool X11Window::EmbedInto(Handle parent) {
  if (window_ == 0 || adopted_ || parent <= 0 || parent > 0xFFFFFFFFLL) return false;
  const auto host = static_cast<Window>(parent);
  {
    // BadWindow here means the handle names no window (or it just went away).
    ErrorTrap trap(display_);
    XReparentWindow(display_, window_, host, 0, 0);
    if (trap.Finish() != Success) return false;
  }
  // Its size and its end, in a call of its own: asking a foreign window for
  // events another client holds exclusively would fail the whole request.
  // Should this fail, the window still learns of the end through its own
  // destruction, which comes with the parent's.
  ErrorTrap trap(display_);
  XSelectInput(display_, host, StructureNotifyMask);
  trap.Finish();
  parent_ = host;
  return true;
}

void X11Window::OnDestroyedElsewhere(bool ownWindow) {
  if (ownWindow) nativeGone_ = true;
  X11WindowSystem* platform = platform_;
  Unload();  // may delete this window
  platform->OnWindowClosedByUser();
}

void X11Window::SetNormalState() {
  if (window_ == 0 || adopted_) return;
  XWMHints* hints = XGetWMHints(display_, window_);
  XWMHints fresh{};
  XWMHints& h = hints ? *hints : fresh;
  h.flags |= StateHint;
  h.initial_state = NormalState;
  XSetWMHints(display_, window_, &h);
  if (hints) XFree(hints);
  if (mapped_) XMapWindow(display_, window_);  // de-iconifies
}

void X11Window::Show() {
  if (window_ == 0) return;
  if (!mapped_) {
    XMapRaised(display_, window_);
    mapped_ = true;
    if (owner_ != 0 && !managed_) {
      // Without a window manager the keys go to whatever lies under the
      // pointer: a window shown over its owner takes them, as a manager would
      // give them to it. The map is immediate then, so the window is viewable;
      // when it goes the keys follow the pointer again.
      ErrorTrap trap(display_);
      XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
      trap.Finish();
    }
  }
  XFlush(display_);
  if (overrideRedirect_) GrabKeyboard();
}

void X11Window::SetFullScreenState() {
  // Set before mapping: the window manager then maps it full screen and above the others.
  const auto& atoms = platform_->atoms();
  Atom state[] = {atoms.netWmStateFullscreen, atoms.netWmStateAbove};
  XChangeProperty(display_, window_, atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(state), 2);
}

void X11Window::GrabKeyboard() {
  // Mapping an override-redirect window is immediate, but another client may
  // hold a grab for a moment (a menu, a key still down in a launcher): retry briefly.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (XGrabKeyboard(display_, window_, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void X11Window::SetWmState(bool add, Atom state) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window_;
  e.xclient.message_type = platform_->atoms().netWmState;
  e.xclient.format = 32;
  e.xclient.data.l[0] = add ? 1 : 0;
  e.xclient.data.l[1] = static_cast<long>(state);
  e.xclient.data.l[3] = 1;  // from a normal application
  XSendEvent(display_, platform_->root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

void X11Window::SetTopmost() {
  if (window_ == 0 || adopted_) return;
  const auto& atoms = platform_->atoms();
  if (managed_ && !overrideRedirect_) {
    if (mapped_) {
      SetWmState(true, atoms.netWmStateAbove);
    } else if (!topmost_) {
      XChangeProperty(display_, window_, atoms.netWmState, XA_ATOM, 32, PropModeAppend,
                      reinterpret_cast<const unsigned char*>(&atoms.netWmStateAbove), 1);
    }
  } else {
    XRaiseWindow(display_, window_);
  }
  topmost_ = true;
  XFlush(display_);
}

void X11Window::Unload() {
  if (unloading_ || window_ == 0) return;
  unloading_ = true;  // no further events reach the handler
  std::shared_ptr<bool> alive = alive_;
  handler_.OnUnload();
  if (!*alive) return;  // the handler let go of this window; its destructor cleaned up
  DestroyNative();
}

void X11Window::ApplyCursor(bool hidden) {
  if (window_ == 0 || adopted_) return;
  if (hidden) {
    XDefineCursor(display_, window_, platform_->invisibleCursor());
  } else if (hand_ && HandCursor() != 0) {
    XDefineCursor(display_, window_, HandCursor());
  } else {
    XUndefineCursor(display_, window_);
  }
}

Cursor X11Window::HandCursor() {
  if (handCursor_ == 0) handCursor_ = MakeCursorFromFile(display_, platform_->art().handPointer);
  return handCursor_;
}

void X11Window::SetHandPointer(bool hand) {
  if (hand == hand_) return;
  hand_ = hand;
  ApplyCursor(platform_->cursorHidden());
  XFlush(display_);
}

std::pair<int, int> X11Window::OuterSize(int clientWidth, int clientHeight) {
  // The window is the client area: a window manager's frame lies around it.
  return {clientWidth * canvas_.scale(), clientHeight * canvas_.scale()};
}

void X11Window::Push() {
  if (window_ == 0 || unloading_ || !mapped_) return;
  canvas_.Sync();
  presenter_->Push(canvas_.shown(), exposed_);
}

void X11Window::Dispatch(const XEvent& event) {
  if (!loaded()) return;
  switch (event.type) {
    case Expose: {
      // No persistent image: what the server repainted is black, in the
      // picture box as on the screen.
      const XExposeEvent& e = event.xexpose;
      Canvas& shown = canvas_.shown();
      int x0 = std::max(0, e.x), y0 = std::max(0, e.y);
      int x1 = std::min(shown.width(), e.x + e.width), y1 = std::min(shown.height(), e.y + e.height);
      for (int y = y0; y < y1; ++y) {
        std::fill_n(shown.data() + static_cast<std::ptrdiff_t>(y) * shown.width() + x0, std::max(0, x1 - x0),
                    0u);
      }
      if (x0 < x1 && y0 < y1) {
        exposed_.push_back(PixelRect{x0, y0, x1, y1});
        handler_.OnPaint(*this);
      }
      return;
    }
    case ConfigureNotify: {
      const XConfigureEvent& e = event.xconfigure;
      if (parent_ != 0 && e.window == parent_) {
        // The window it was placed into changed size: cover it still.
        XResizeWindow(display_, window_, static_cast<unsigned>(std::clamp(e.width, 1, kMaxSide)),
                      static_cast<unsigned>(std::clamp(e.height, 1, kMaxSide)));
        return;
      }
      // The window manager may give the window another size than asked (full screen).
      ResizeCanvas(e.width, e.height);
      return;
    }
    case UnmapNotify: {
      // Another program hid the saver (an unmap, an iconify): it would run on
      // unseen and deaf to input, and the screen it hides would show. Put it
      // back, full screen and above the rest; the user's input still ends it.
      const XUnmapEvent& u = event.xunmap;
      if (fullScreen_ && parent_ == 0 && u.window == window_ && mapped_) {
        SetFullScreenState();  // a window manager drops the state of a withdrawn window
        XMapRaised(display_, window_);
        XFlush(display_);
        if (overrideRedirect_) GrabKeyboard();
      }
      return;
    }
    case DestroyNotify: {
      const XDestroyWindowEvent& d = event.xdestroywindow;
      // Children die before their parent: usually the own window comes first.
      if (d.window == window_ || (parent_ != 0 && d.window == parent_))
        OnDestroyedElsewhere(d.window == window_);
      return;
    }
    case KeyPress: {
      XKeyEvent key = event.xkey;
      KeySym ks = XLookupKeysym(&key, 0);
      handler_.OnKeyDown(KeyCodeOfKeysym(static_cast<std::uint32_t>(ks)), ShiftState(key.state));
      return;
    }
    case ButtonPress: {
      const XButtonEvent& b = event.xbutton;
      const int button = LogicButton(b.button);
      if (button == 0) return;
      handler_.OnMouseDown(button, ShiftState(b.state), canvas_.ToDesigned(b.x), canvas_.ToDesigned(b.y));
      return;
    }
    case ButtonRelease: {
      // The server keeps the pointer for the window that got the press until
      // the release, wherever the pointer is: the same rule as the desktop.
      const XButtonEvent& b = event.xbutton;
      const int button = LogicButton(b.button);
      if (button == 0) return;
      handler_.OnMouseUp(button, ShiftState(b.state), canvas_.ToDesigned(b.x), canvas_.ToDesigned(b.y));
      return;
    }
    case MotionNotify: {
      const XMotionEvent& m = event.xmotion;
      entered_ = true;
      handler_.OnMouseMove(ButtonState(m.state), ShiftState(m.state), canvas_.ToDesigned(m.x),
                           canvas_.ToDesigned(m.y));
      return;
    }
    case EnterNotify: {
      // A window that appears under the pointer gets only this, no motion.
      // The other desktop sends one move at the pointer's position here, and
      // the logic counts on it being the first move: give it the same.
      const XCrossingEvent& c = event.xcrossing;
      if (entered_ || c.mode != NotifyNormal) return;
      entered_ = true;
      handler_.OnMouseMove(ButtonState(c.state), ShiftState(c.state), canvas_.ToDesigned(c.x),
                           canvas_.ToDesigned(c.y));
      return;
    }
    case ClientMessage: {
      const XClientMessageEvent& c = event.xclient;
      if (c.message_type == platform_->atoms().wmProtocols && c.format == 32 &&
          static_cast<Atom>(c.data.l[0]) == platform_->atoms().wmDeleteWindow) {
        X11WindowSystem* platform = platform_;
        handler_.OnCloseRequest(*this);  // may delete this window
        platform->OnWindowClosedByUser();
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace kal::x11
