// The X11 backend against a real X server (run under Xvfb by backend.sh):
// what the screen really shows, which input reaches the handlers, and the
// pacing promises (push only what changed, at most once a refresh; wait
// without spinning; wake on input).
// GoogleTest first: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
// clang-format on

#include <chrono>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include "platform/linux/WindowSystems.h"
#include "platform/x11/X11Window.h"
#include "platform/x11/X11WindowSystem.h"
#include "tests/support/FeatureProbe.h"

namespace kal::x11 {
namespace {

using namespace std::chrono_literals;

constexpr Color kYellow = Rgb(250, 250, 0);

struct Move {
  int button;
  float x, y;
};

class Recorder : public WindowHandler {
 public:
  void OnUnload() override {
    ++unloads;
    if (onUnload) onUnload();
  }
  void OnKeyDown(int keyCode, int shift) override {
    keys.push_back(keyCode);
    shifts.push_back(shift);
    if (onKey) onKey();
  }
  void OnMouseDown(int button, int, float, float) override { buttons.push_back(button); }
  void OnMouseMove(int button, int, float x, float y) override { moves.push_back({button, x, y}); }

  int unloads = 0;
  std::vector<int> keys, shifts, buttons;
  std::vector<Move> moves;
  std::function<void()> onUnload, onKey;
};

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

class X11BackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = X11WindowSystem::Open(WindowArt{});
    ASSERT_NE(platform_, nullptr) << "no X display: run under Xvfb (backend.sh)";
    peer_ = XOpenDisplay(nullptr);  // another client, as other programs are
    ASSERT_NE(peer_, nullptr);
  }
  void TearDown() override {
    if (peer_) XCloseDisplay(peer_);
  }

  std::unique_ptr<PlatformWindow> MakeShown(Recorder& r, int x, int y, int w, int h,
                                            std::string caption = "t") {
    WindowDesc desc;
    desc.caption = std::move(caption);
    desc.border = false;
    auto win = platform_->MakeWindow(desc, r);
    win->Move(x, y, w, h);
    win->Show();
    WaitViewable(static_cast<Window>(win->handle()));
    return win;
  }

  void WaitViewable(Window w) {
    Pump([&] {
      XWindowAttributes a{};
      return XGetWindowAttributes(peer_, w, &a) && a.map_state == IsViewable;
    });
    Pump([] { return false; }, 100ms);  // its first Expose arrives and is handled
  }

  // Delivers events until the condition holds (true) or the time is up (false).
  bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
    auto end = Clock::now() + limit;
    while (Clock::now() < end) {
      XSync(platform_->display(), False);
      platform_->DoEvents();
      if (done()) return true;
      std::this_thread::sleep_for(2ms);
    }
    return false;
  }

  // Pushes what is pending (the next refresh is at most ~17 ms away).
  void Present() {
    platform_->WaitUntil(Clock::now() + 40ms);
    XSync(platform_->display(), False);
  }

  // The pixel the server shows at (x, y) of the window, as 0xRRGGBB.
  unsigned long ScreenPixel(Handle window, int x, int y) {
    XImage* img = XGetImage(peer_, static_cast<Window>(window), x, y, 1, 1, AllPlanes, ZPixmap);
    if (img == nullptr) return 0xFFFFFFFF;
    unsigned long px = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    return px & 0xFFFFFF;
  }

  void SendKey(Window w, unsigned state = 0) {
    XEvent e{};
    e.xkey.type = KeyPress;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(peer_);
    e.xkey.state = state;
    e.xkey.keycode = XKeysymToKeycode(peer_, XK_a);
    e.xkey.same_screen = True;
    XSendEvent(peer_, w, False, KeyPressMask, &e);
    XFlush(peer_);
  }

  void SendButton(Window w, unsigned button) {
    XEvent e{};
    e.xbutton.type = ButtonPress;
    e.xbutton.window = w;
    e.xbutton.root = DefaultRootWindow(peer_);
    e.xbutton.button = button;
    e.xbutton.x = 5;
    e.xbutton.y = 6;
    e.xbutton.same_screen = True;
    XSendEvent(peer_, w, False, ButtonPressMask, &e);
    XFlush(peer_);
  }

  std::unique_ptr<X11WindowSystem> platform_;
  Display* peer_ = nullptr;
};

TEST_F(X11BackendTest, PushesOnlyTheChangedTilesAndTheyReachTheScreen) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 640, 480);
  auto* x11 = static_cast<X11Window*>(win.get());
  Present();
  const std::size_t rects0 = x11->presenter()->rectanglesSent();
  const std::size_t pixels0 = x11->presenter()->pixelsSent();

  // Two dots at opposite corners: their bounding box would be the whole window.
  win->Display().Circle(20, 20, 1, kYellow);
  win->Display().Circle(600, 440, 1, kYellow);
  Present();
  // The first dot lies in one 8x8 tile; the second straddles four (two runs of two).
  EXPECT_EQ(x11->presenter()->rectanglesSent() - rects0, 3u);
  EXPECT_EQ(x11->presenter()->pixelsSent() - pixels0, 64u + 2 * 128) << "more than the dots' tiles were sent";

  EXPECT_EQ(ScreenPixel(win->handle(), 20, 20), 0xFAFA00u);
  EXPECT_EQ(ScreenPixel(win->handle(), 21, 20), 0xFAFA00u);  // the dot is the Canvas's plus of five
  EXPECT_EQ(ScreenPixel(win->handle(), 21, 21), 0x000000u);
  EXPECT_EQ(ScreenPixel(win->handle(), 600, 440), 0xFAFA00u);
  EXPECT_EQ(ScreenPixel(win->handle(), 300, 240), 0x000000u);

  // Nothing changed: nothing is sent.
  const std::size_t rects1 = x11->presenter()->rectanglesSent();
  Present();
  EXPECT_EQ(x11->presenter()->rectanglesSent(), rects1);
}

TEST_F(X11BackendTest, TheCanvasDrawsIntoTheSharedImageAndKeepsItsPictureOnResize) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 300, 200);
  auto* x11 = static_cast<X11Window*>(win.get());
  ASSERT_TRUE(x11->presenter()->usingShm()) << "Xvfb offers MIT-SHM";
  EXPECT_TRUE(x11->presenter()->canvasInSegment()) << "each push would copy the changes first";
  win->Display().Circle(30, 30, 1, kYellow);
  Present();
  EXPECT_EQ(ScreenPixel(win->handle(), 30, 30), 0xFAFA00u);

  // A new size means a new segment: the canvas moves with it and still shows.
  win->Move(0, 0, 400, 250);
  Pump([] { return false; }, 100ms);
  EXPECT_TRUE(x11->presenter()->canvasInSegment());
  win->Display().Circle(350, 220, 1, kYellow);
  Present();
  EXPECT_EQ(ScreenPixel(win->handle(), 350, 220), 0xFAFA00u);
  EXPECT_EQ(ScreenPixel(win->handle(), 351, 221), 0x000000u);
}

TEST_F(X11BackendTest, PushesAtMostOncePerDisplayRefresh) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 320, 240);
  const std::size_t pushes0 = platform_->pushCount();
  // A loop that draws and yields as fast as it can, as the saver's frames do.
  auto start = Clock::now();
  int frames = 0;
  while (Clock::now() - start < 500ms) {
    win->Display().Circle(static_cast<float>(frames % 300), 100, 1, kYellow);
    platform_->DoEvents();
    ++frames;
  }
  const std::size_t pushes = platform_->pushCount() - pushes0;
  EXPECT_GT(frames, 1000);
  EXPECT_LE(pushes, 32u) << frames << " frames";  // 500 ms at 60 Hz: 30, plus rounding
  EXPECT_GE(pushes, 10u) << "changes must still reach the screen while the loop runs";
}

TEST_F(X11BackendTest, WaitUntilSleepsWithoutSpinningAndWakesOnInput) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 200, 200);
  win->Display().Circle(50, 50, 1, kYellow);  // pending changes must not make it spin either

  double cpu0 = CpuSeconds();
  auto t0 = Clock::now();
  platform_->WaitUntil(t0 + 300ms);
  auto slept = Clock::now() - t0;
  double cpu = CpuSeconds() - cpu0;
  EXPECT_GE(slept, 295ms);
  EXPECT_LT(cpu, 0.03) << "the wait used CPU: it spins";
  EXPECT_EQ(ScreenPixel(win->handle(), 50, 50), 0xFAFA00u) << "the wait did not push what was drawn";

  // Input from another client ends the wait long before its deadline.
  std::thread sender([&] {
    std::this_thread::sleep_for(100ms);
    SendKey(static_cast<Window>(win->handle()), ShiftMask | ControlMask);
  });
  t0 = Clock::now();
  platform_->WaitUntil(t0 + 5s);
  auto waited = Clock::now() - t0;
  sender.join();
  EXPECT_LT(waited, 2s);
  Pump([&] { return !r.keys.empty(); });
  ASSERT_EQ(r.keys.size(), 1u);
  EXPECT_EQ(r.keys[0], 'A');
  EXPECT_EQ(r.shifts[0], 1 | 2);

  // A deadline already past returns at once.
  t0 = Clock::now();
  platform_->WaitUntil(t0 - 1s);
  EXPECT_LT(Clock::now() - t0, 50ms);
}

TEST_F(X11BackendTest, ExposedAreaBecomesBlackAgain) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 400, 300);
  for (int x = 10; x < 390; x += 4) win->Display().Circle(static_cast<float>(x), 150, 1, kYellow);
  Present();
  ASSERT_EQ(ScreenPixel(win->handle(), 102, 150), 0xFAFA00u);

  // Another program's window covers part of ours for a moment.
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = WhitePixel(peer_, DefaultScreen(peer_));
  Window cover = XCreateWindow(peer_, DefaultRootWindow(peer_), 50, 100, 100, 100, 0, CopyFromParent,
                               InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
  XMapRaised(peer_, cover);
  XSync(peer_, False);
  XDestroyWindow(peer_, cover);
  XSync(peer_, False);
  Pump([] { return false; }, 200ms);
  Present();

  auto* canvas = &static_cast<CanvasSurface&>(win->Display()).canvas();
  EXPECT_EQ(canvas->At(102, 150), Rgb(0, 0, 0)) << "no persistent image: the exposed part is black";
  EXPECT_EQ(canvas->At(202, 150), kYellow) << "outside the exposed part the picture stays";
  EXPECT_EQ(ScreenPixel(win->handle(), 102, 150), 0x000000u);
  EXPECT_EQ(ScreenPixel(win->handle(), 202, 150), 0xFAFA00u);
}

TEST_F(X11BackendTest, FirstArrivalUnderTheRestingPointerIsOneMove) {
  Window root = DefaultRootWindow(peer_);
  XWarpPointer(peer_, None, root, 0, 0, 0, 0, 130, 90);
  XSync(peer_, False);
  Recorder r;
  auto win = MakeShown(r, 100, 50, 200, 150);
  Pump([&] { return !r.moves.empty(); });
  Pump([] { return false; }, 200ms);
  ASSERT_EQ(r.moves.size(), 1u) << "a window appearing under the pointer gets exactly one move";
  EXPECT_EQ(r.moves[0].x, 30.0f);
  EXPECT_EQ(r.moves[0].y, 40.0f);

  // Real motion follows as moves; leaving and entering again is no move by itself.
  XWarpPointer(peer_, None, root, 0, 0, 0, 0, 140, 95);
  XSync(peer_, False);
  Pump([&] { return r.moves.size() >= 2; });
  ASSERT_EQ(r.moves.size(), 2u);
  EXPECT_EQ(r.moves[1].x, 40.0f);
  EXPECT_EQ(r.moves[1].y, 45.0f);
  XWarpPointer(peer_, None, root, 0, 0, 0, 0, 10, 10);  // out of the window
  XSync(peer_, False);
  Pump([] { return false; }, 100ms);
  const std::size_t before = r.moves.size();
  XWarpPointer(peer_, None, root, 0, 0, 0, 0, 150, 100);  // back in: motion inside it
  XSync(peer_, False);
  Pump([&] { return r.moves.size() > before; });
  EXPECT_EQ(r.moves.back().x, 50.0f);
}

TEST_F(X11BackendTest, ButtonsAreNumberedLeftRightMiddleAndTheWheelIsNoClick) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 100, 100);
  auto w = static_cast<Window>(win->handle());
  for (unsigned b : {1u, 3u, 2u, 4u, 5u, 6u, 7u}) SendButton(w, b);
  Pump([&] { return r.buttons.size() >= 3; });
  Pump([] { return false; }, 100ms);
  EXPECT_EQ(r.buttons, (std::vector<int>{1, 2, 4}));
}

TEST_F(X11BackendTest, HandlersMayYieldAgainAndEveryEventArrivesOnce) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 100, 100);
  int depth = 0, maxDepth = 0;
  r.onKey = [&] {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    platform_->DoEvents();  // the saver's handlers run inside its yield
    --depth;
  };
  for (int i = 0; i < 5; ++i) SendKey(static_cast<Window>(win->handle()));
  Pump([&] { return r.keys.size() >= 5; });
  Pump([] { return false; }, 100ms);
  EXPECT_EQ(r.keys.size(), 5u);
  EXPECT_GE(maxDepth, 1);
}

TEST_F(X11BackendTest, UnloadRunsTheHandlerOnceEvenWhenItReleasesTheWindow) {
  Recorder r;
  std::unique_ptr<PlatformWindow> slot = MakeShown(r, 0, 0, 100, 100);
  const Handle h = slot->handle();
  PixelRect rect;
  ASSERT_TRUE(platform_->GetWindowRect(h, rect));
  r.onUnload = [&] { slot.reset(); };  // the unload handler lets go of the window
  slot->Unload();
  EXPECT_EQ(r.unloads, 1);
  EXPECT_EQ(slot, nullptr);
  XSync(platform_->display(), False);
  EXPECT_FALSE(platform_->GetWindowRect(h, rect)) << "the native window must be gone";

  // A window kept by its owner: unloaded once, no handler afterwards.
  Recorder r2;
  auto kept = MakeShown(r2, 0, 0, 100, 100);
  kept->Unload();
  kept->Unload();
  EXPECT_EQ(r2.unloads, 1);
  SendKey(static_cast<Window>(h));
  Pump([] { return false; }, 100ms);
  EXPECT_TRUE(r2.keys.empty());
}

TEST_F(X11BackendTest, FindsTopLevelWindowsByEitherNameAndMeasuresThem) {
  const std::string caption = "Kalvessaの設定";
  Recorder r;
  auto win = MakeShown(r, 30, 40, 200, 100, caption);
  EXPECT_EQ(platform_->FindTopLevelWindow(caption), win->handle());
  EXPECT_EQ(platform_->FindTopLevelWindow("Kalvessaの"), 0);
  EXPECT_EQ(platform_->FindTopLevelWindow("Kalvessa_m"), 0);
  PixelRect rect;
  ASSERT_TRUE(platform_->GetWindowRect(win->handle(), rect));
  EXPECT_EQ(rect, (PixelRect{30, 40, 230, 140}));

  // Another program that only sets WM_NAME (compound text), or only _NET_WM_NAME.
  Window wmOnly = XCreateSimpleWindow(peer_, DefaultRootWindow(peer_), 0, 0, 10, 10, 0, 0, 0);
  Xutf8SetWMProperties(peer_, wmOnly, "ほかの窓", nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  XDeleteProperty(peer_, wmOnly, XInternAtom(peer_, "_NET_WM_NAME", False));
  Window netOnly = XCreateSimpleWindow(peer_, DefaultRootWindow(peer_), 0, 0, 10, 10, 0, 0, 0);
  const std::string net = "Ünïcode only";
  XChangeProperty(peer_, netOnly, XInternAtom(peer_, "_NET_WM_NAME", False),
                  XInternAtom(peer_, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(net.data()), static_cast<int>(net.size()));
  XSync(peer_, False);
  EXPECT_EQ(platform_->FindTopLevelWindow("ほかの窓"), static_cast<Handle>(wmOnly));
  EXPECT_EQ(platform_->FindTopLevelWindow(net), static_cast<Handle>(netOnly));
  XDestroyWindow(peer_, wmOnly);
  XDestroyWindow(peer_, netOnly);
  XSync(peer_, False);
  EXPECT_EQ(platform_->FindTopLevelWindow("ほかの窓"), 0);

  EXPECT_FALSE(platform_->GetWindowRect(0, rect));
  EXPECT_FALSE(platform_->GetWindowRect(static_cast<Handle>(wmOnly), rect));
  EXPECT_FALSE(platform_->GetWindowRect(-5, rect));
  EXPECT_FALSE(platform_->GetWindowRect(0x7FFFFFFF, rect));
}

TEST_F(X11BackendTest, CursorCountHidesThePointerOverEveryWindowWhileNegative) {
  int base = 0, err = 0;
  ASSERT_TRUE(XFixesQueryExtension(peer_, &base, &err));
  auto cursorVisible = [&] {
    XSync(platform_->display(), False);
    XFixesCursorImage* img = XFixesGetCursorImage(peer_);
    bool visible = false;
    for (int i = 0; img && i < img->width * img->height; ++i) visible |= ((img->pixels[i] >> 24) & 0xFF) != 0;
    if (img) XFree(img);
    return visible;
  };
  Window root = DefaultRootWindow(peer_);
  XWarpPointer(peer_, None, root, 0, 0, 0, 0, 50, 50);
  XSync(peer_, False);

  EXPECT_EQ(platform_->ShowCursor(false), -1);
  Recorder r;
  auto win = MakeShown(r, 0, 0, 200, 200);  // made while hidden: hidden over it too
  EXPECT_FALSE(cursorVisible());
  EXPECT_EQ(platform_->ShowCursor(false), -2);
  EXPECT_EQ(platform_->ShowCursor(true), -1);
  EXPECT_FALSE(cursorVisible());
  EXPECT_EQ(platform_->ShowCursor(true), 0);
  EXPECT_TRUE(cursorVisible());
  EXPECT_EQ(platform_->ShowCursor(true), 1);
  EXPECT_TRUE(cursorVisible());
}

TEST_F(X11BackendTest, ScreenIsTheDefaultScreenInPixelsAndTwipsFollowXftDpi) {
  ScreenMetrics m = platform_->Screen();
  EXPECT_EQ(m.widthPx, DisplayWidth(peer_, DefaultScreen(peer_)));
  EXPECT_EQ(m.heightPx, DisplayHeight(peer_, DefaultScreen(peer_)));

  // The desktop's resource database asks for 120 dpi: 12 twips a pixel.
  Window root = DefaultRootWindow(peer_);
  Atom rm = XInternAtom(peer_, "RESOURCE_MANAGER", False);
  const std::string res = "Xft.antialias:\t1\nXft.dpi:\t120\n";
  XChangeProperty(peer_, root, rm, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(res.data()), static_cast<int>(res.size()));
  XSync(peer_, False);
  auto withDpi = X11WindowSystem::Open(WindowArt{});  // the database is read when connecting
  XDeleteProperty(peer_, root, rm);
  XSync(peer_, False);
  ASSERT_NE(withDpi, nullptr);
  EXPECT_FLOAT_EQ(withDpi->Screen().twipsPerPixelX, 12.0f);
  EXPECT_FLOAT_EQ(withDpi->Screen().twipsPerPixelY, 12.0f);
  withDpi.reset();
  auto without = X11WindowSystem::Open(WindowArt{});
  EXPECT_FLOAT_EQ(without->Screen().twipsPerPixelX, 15.0f);
}

TEST_F(X11BackendTest, AWindowMayOutliveItsPlatform) {
  Recorder r;
  auto win = MakeShown(r, 0, 0, 50, 50);
  platform_.reset();  // closes the connection; the server destroys the window
  win->Display().Circle(10, 10, 1, kYellow);
  win.reset();
  EXPECT_EQ(r.unloads, 0);
}

TEST_F(X11BackendTest, AClosedLastWindowEndsTheProgramOnlyWhenNothingElseIsLoaded) {
  // The window manager's close request unloads the window; with another
  // window still loaded the program goes on.
  Recorder a, b;
  auto first = MakeShown(a, 0, 0, 50, 50);
  auto second = MakeShown(b, 60, 0, 50, 50);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = static_cast<Window>(first->handle());
  e.xclient.message_type = XInternAtom(peer_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(peer_, "WM_DELETE_WINDOW", False));
  XSendEvent(peer_, e.xclient.window, False, NoEventMask, &e);
  XFlush(peer_);
  Pump([&] { return a.unloads == 1; });
  EXPECT_EQ(a.unloads, 1);
  EXPECT_EQ(b.unloads, 0);
}

// The X11 row of the Linux table, as the program opens it: what the window
// system and the shared Linux services declare is what they answer here.
TEST(X11Features, TheBackendAnswersAsItsChecklistSays) {
  const linux_desktop::WindowSystemEntry* row =
      linux_desktop::FindWindowSystem(linux_desktop::WindowSystems(), "x11");
  ASSERT_NE(row, nullptr);
  std::string error;
  std::unique_ptr<linux_desktop::LinuxPlatform> platform = row->open("/s", WindowArt{}, error);
  ASSERT_NE(platform, nullptr) << error;
  EXPECT_EQ(test::FeatureMismatches(*platform), std::vector<std::string>{});
  EXPECT_FALSE(platform->Has(Feature::kPasswordServices));
  EXPECT_FALSE(platform->Has(Feature::kMessageBoxes));
}

}  // namespace
}  // namespace kal::x11
