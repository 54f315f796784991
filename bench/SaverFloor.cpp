// kal-floor: the least a client can do to put the saver's picture on an X
// server, for comparing the running saver's CPU with. A measurement tool, not
// part of the program.
//
// Before it connects it runs the saver's own engine on an off-screen Canvas
// for the whole run and records, for each push (100 frames at 6000 frames a
// second, 60 pushes a second), only the pixels whose value changed and the
// rectangles to send. Then it replays the record: per push the stores of the
// changed pixels into a shared-memory image, one XShmPutImage clipped to the
// rectangles, and a sleep to the next push on an absolute schedule. No engine,
// no dirty tracking, no event reading: what is left is the picture itself.
//
//   kal-floor [--particles N] [--seconds S] [--clip tiles|pixels|WxH] [--idle]
//
//   --clip tiles   the saver's own 8 x 8 tile runs (default: the same server work)
//   --clip pixels  runs of changed pixels only (the least the server can copy)
//   --clip WxH     runs of W x H blocks holding changed pixels
//   --idle         the 60 wake-ups a second alone: nothing stored or sent
//
// It prints what it replays (pixels and rectangles a second) on stderr and
// ends after S seconds of pushes (default 30).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/Random.h"
#include "saver/FramePacer.h"
#include "saver/Swarm.h"
#include "saver/SwarmDriver.h"

namespace {

using namespace kal;

// The saver's pace: a push after each of the pacer's batches.
constexpr int kPushesPerSecond = kPacerBatchesPerSecond;
constexpr int kFramesPerPush = kDesignFramesPerSecond / kPushesPerSecond;
constexpr long kPushNs = 1'000'000'000L / kPushesPerSecond;

struct Options {
  int particles = 501;
  int seconds = 30;
  int blockW = 0, blockH = 0;  // 0: the saver's own tile runs
  bool idle = false;
  int checkW = 0, checkH = 0;  // --check: the record at this size, no display
};

// One push of the record: the changed pixels (index, value) and the clip.
struct Push {
  std::size_t firstStore, stores;
  std::size_t firstRect, rects;
  XRectangle box;
};

struct Record {
  std::vector<std::uint32_t> index, value;
  std::vector<XRectangle> rects;
  std::vector<Push> pushes;
  std::vector<std::uint32_t> picture;  // the engine's canvas after the last push
};

[[noreturn]] void Usage() {
  std::fprintf(
      stderr,
      "usage: kal-floor [--particles N] [--seconds S] [--clip tiles|pixels|WxH] [--idle] [--check WxH]\n");
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--particles" && hasValue) {
      o.particles = std::atoi(argv[++i]);
    } else if (a == "--seconds" && hasValue) {
      o.seconds = std::atoi(argv[++i]);
    } else if (a == "--clip" && hasValue) {
      const std::string v = argv[++i];
      if (v == "tiles") {
        o.blockW = o.blockH = 0;
      } else if (v == "pixels") {
        o.blockW = o.blockH = 1;
      } else if (std::sscanf(v.c_str(), "%dx%d", &o.blockW, &o.blockH) != 2 || o.blockW < 1 || o.blockH < 1) {
        Usage();
      }
    } else if (a == "--idle") {
      o.idle = true;
    } else if (a == "--check" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &o.checkW, &o.checkH) != 2 || o.checkW < 3 || o.checkH < 3) Usage();
    } else {
      Usage();
    }
  }
  if (o.particles < 1 || o.particles > 521 || o.seconds < 1) Usage();
  return o;
}

XRectangle Rect(int x, int y, int w, int h) {
  return XRectangle{static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(w),
                    static_cast<unsigned short>(h)};
}

// The blocks holding this push's changed pixels as runs along block rows, in
// YXBanded order (a block row is one band).
void AddBlockRuns(const Options& o, int width, int height, const std::uint32_t* changed, std::size_t count,
                  std::vector<XRectangle>& rects) {
  const int blocksX = (width + o.blockW - 1) / o.blockW;
  std::vector<std::uint32_t> blocks;
  blocks.reserve(count);
  for (std::size_t k = 0; k < count; ++k) {
    const int x = static_cast<int>(changed[k] % static_cast<std::uint32_t>(width));
    const int y = static_cast<int>(changed[k] / static_cast<std::uint32_t>(width));
    blocks.push_back(static_cast<std::uint32_t>((y / o.blockH) * blocksX + x / o.blockW));
  }
  std::sort(blocks.begin(), blocks.end());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  for (std::size_t k = 0; k < blocks.size();) {
    std::size_t end = k + 1;
    while (end < blocks.size() && blocks[end] == blocks[end - 1] + 1 &&
           blocks[end] % static_cast<std::uint32_t>(blocksX) != 0)
      ++end;
    const int bx = static_cast<int>(blocks[k] % static_cast<std::uint32_t>(blocksX));
    const int by = static_cast<int>(blocks[k] / static_cast<std::uint32_t>(blocksX));
    const int x = bx * o.blockW, y = by * o.blockH;
    const int right = std::min(width, (bx + static_cast<int>(end - k)) * o.blockW);
    const int bottom = std::min(height, y + o.blockH);
    rects.push_back(Rect(x, y, right - x, bottom - y));
    k = end;
  }
}

// Runs the engine push by push; `shown` is what the screen holds after the
// previous push, so a pixel redrawn in its old colour is not a change.
Record MakeRecord(const Options& o, int width, int height) {
  Canvas canvas(width, height);
  canvas.EnableDirtyTracking(true);
  Canvas shown(width, height);
  CanvasSurface surface(canvas);
  PcgRandom random;
  Swarm swarm(surface, random);
  Record r;
  const int pushes = o.seconds * kPushesPerSecond;
  r.pushes.reserve(static_cast<std::size_t>(pushes));
  // What one push of the saver sends: the pixels changed since the last.
  auto recordPush = [&] {
    Push push{r.index.size(), 0, r.rects.size(), 0, {}};
    canvas.TakeDirty([&](int x, int y, int w, int h) {
      if (o.blockW == 0) r.rects.push_back(Rect(x, y, w, h));
      for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
          const std::size_t at =
              static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(col);
          if (canvas.data()[at] == shown.data()[at]) continue;
          shown.data()[at] = canvas.data()[at];
          r.index.push_back(static_cast<std::uint32_t>(at));
          r.value.push_back(canvas.data()[at]);
        }
      }
    });
    push.stores = r.index.size() - push.firstStore;
    if (o.blockW > 0) AddBlockRuns(o, width, height, r.index.data() + push.firstStore, push.stores, r.rects);
    push.rects = r.rects.size() - push.firstRect;
    int left = width, top = height, right = 0, bottom = 0;
    for (std::size_t k = push.firstRect; k < r.rects.size(); ++k) {
      const XRectangle& c = r.rects[k];
      left = std::min(left, int{c.x}), top = std::min(top, int{c.y});
      right = std::max(right, c.x + c.width), bottom = std::max(bottom, c.y + c.height);
    }
    if (push.rects > 0) push.box = Rect(left, top, right - left, bottom - top);
    r.pushes.push_back(push);
  };
  CountedFrames frames(static_cast<long long>(pushes) * kFramesPerPush, [&](long long n) {
    if (n % kFramesPerPush == 0) recordPush();
  });
  RunSwarm(swarm, static_cast<std::int16_t>(o.particles - 1), static_cast<std::int16_t>(width),
           static_cast<std::int16_t>(height), frames);
  r.picture.assign(canvas.data(),
                   canvas.data() + static_cast<std::ptrdiff_t>(canvas.width()) * canvas.height());
  return r;
}

// The record is what is measured, so it must be the picture: replayed from
// black it gives the engine's canvas, every push's stores lie inside its
// clip, and each clip list is in the YXBanded order it is sent with.
int CheckRecord(const Options& o) {
  const int width = o.checkW, height = o.checkH;
  const Record r = MakeRecord(o, width, height);
  std::vector<std::uint32_t> replay(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  std::vector<int> clippedIn(replay.size(), -1);
  int faults = 0;
  for (std::size_t p = 0; p < r.pushes.size(); ++p) {
    const Push& push = r.pushes[p];
    for (std::size_t k = push.firstRect; k < push.firstRect + push.rects; ++k) {
      const XRectangle& c = r.rects[k];
      if (k > push.firstRect) {
        const XRectangle& b = r.rects[k - 1];
        const bool sameBand = c.y == b.y && c.height == b.height && c.x >= b.x + b.width;
        if (!sameBand && c.y < b.y + b.height) ++faults;
      }
      for (int y = c.y; y < c.y + c.height; ++y)
        for (int x = c.x; x < c.x + c.width; ++x)
          clippedIn[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)] = static_cast<int>(p);
    }
    for (std::size_t k = push.firstStore; k < push.firstStore + push.stores; ++k) {
      replay[r.index[k]] = r.value[k];
      if (clippedIn[r.index[k]] != static_cast<int>(p)) ++faults;
    }
  }
  if (replay != r.picture) ++faults;
  std::printf("kal-floor --check %dx%d: %zu pushes, %zu stores, %zu rectangles, %d faults\n", width, height,
              r.pushes.size(), r.index.size(), r.rects.size(), faults);
  return faults == 0 ? 0 : 1;
}

long long NowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

// Sleeps to the push after `due` on an absolute schedule; after a stall (the
// process stopped, as bench/saver_floor.sh does between its samples) the
// schedule starts afresh from now instead of racing to catch up, as the
// saver's pacer does.
long long SleepToNext(long long due) {
  due += kPushNs;
  const long long now = NowNs();
  if (now - due > 2 * kPushNs) due = now;
  const timespec t{static_cast<time_t>(due / 1'000'000'000LL), static_cast<long>(due % 1'000'000'000LL)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
  }
  return due;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  if (o.checkW > 0) return CheckRecord(o);
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    std::fprintf(stderr, "kal-floor: cannot open the display\n");
    return 1;
  }
  const int screen = DefaultScreen(d);
  const int width = DisplayWidth(d, screen), height = DisplayHeight(d, screen);
  if (!XShmQueryExtension(d) || DefaultDepth(d, screen) != 24) {
    std::fprintf(stderr, "kal-floor: needs MIT-SHM and a 24-bit screen\n");
    return 1;
  }
  const Record r = o.idle ? Record{} : MakeRecord(o, width, height);
  if (!o.idle) {
    const double s = o.seconds;
    std::fprintf(stderr, "kal-floor: %.0f changed pixels and %.0f rectangles a second\n",
                 double(r.index.size()) / s, double(r.rects.size()) / s);
  }

  XSetWindowAttributes attrs{};
  attrs.background_pixel = BlackPixel(d, screen);
  attrs.override_redirect = True;
  const Window w = XCreateWindow(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWBackPixel | CWOverrideRedirect, &attrs);
  XStoreName(d, w, "kal-floor");
  XMapRaised(d, w);
  const GC gc = XCreateGC(d, w, 0, nullptr);
  XShmSegmentInfo segment{};
  XImage* image = XShmCreateImage(d, DefaultVisual(d, screen), 24, ZPixmap, nullptr, &segment,
                                  static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (image == nullptr || image->bytes_per_line != width * 4) {
    std::fprintf(stderr, "kal-floor: no 32-bit shared-memory image\n");
    return 1;
  }
  segment.shmid =
      shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height),
             IPC_CREAT | 0600);
  segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
  segment.readOnly = False;
  XShmAttach(d, &segment);
  XSync(d, False);
  shmctl(segment.shmid, IPC_RMID, nullptr);
  auto* pixels = reinterpret_cast<std::uint32_t*>(image->data);
  std::memset(pixels, 0, static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height));

  long long due = NowNs();
  const long long pushes = static_cast<long long>(o.seconds) * kPushesPerSecond;
  for (long long p = 1; p <= pushes; ++p) {
    if (!o.idle) {
      const Push& push = r.pushes[static_cast<std::size_t>(p - 1)];
      for (std::size_t k = push.firstStore; k < push.firstStore + push.stores; ++k)
        pixels[r.index[k]] = r.value[k];
      if (push.rects > 0) {
        XSetClipRectangles(d, gc, 0, 0, const_cast<XRectangle*>(r.rects.data() + push.firstRect),
                           static_cast<int>(push.rects), YXBanded);
        XShmPutImage(d, w, gc, image, push.box.x, push.box.y, push.box.x, push.box.y, push.box.width,
                     push.box.height, False);
        XFlush(d);
      }
    }
    due = SleepToNext(due);
  }
  XShmDetach(d, &segment);
  XCloseDisplay(d);
  shmdt(segment.shmaddr);
  return 0;
}
