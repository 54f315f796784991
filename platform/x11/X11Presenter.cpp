#include "platform/x11/X11Presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11Errors.h"

namespace kal::x11 {
namespace {

// A shared-memory batch whose completion never arrives (it should) is given up
// after this long: XSync then guarantees the server is done with the pixels.
constexpr auto kCompletionPatience = std::chrono::milliseconds(250);

int ShiftOf(unsigned long mask) {
  int s = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++s;
  }
  return s;
}

int BitsOf(unsigned long mask) {
  int n = 0;
  for (; mask != 0; mask >>= 1) n += static_cast<int>(mask & 1);
  return n;
}

// One 0x00RRGGBB canvas pixel in the visual's own layout.
unsigned long ToVisualPixel(std::uint32_t px, const Visual* v) {
  auto channel = [](unsigned value8, unsigned long mask) {
    int bits = BitsOf(mask);
    unsigned long value = bits >= 8 ? static_cast<unsigned long>(value8) << (bits - 8) : value8 >> (8 - bits);
    return (value << ShiftOf(mask)) & mask;
  };
  return channel((px >> 16) & 0xFF, v->red_mask) | channel((px >> 8) & 0xFF, v->green_mask) |
         channel(px & 0xFF, v->blue_mask);
}

bool HostIsLittleEndian() {
  const std::uint32_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

}  // namespace

Presenter::Presenter(Display* display, Window window, Visual* visual, int depth, bool useShm)
    : display_(display), window_(window), visual_(visual), depth_(depth), shmWanted_(useShm) {
  gc_ = XCreateGC(display_, window_, 0, nullptr);
  // Our pixels go out unchanged when the visual is 24-bit RGB in 32-bit units.
  sameFormat_ = visual_->red_mask == 0xFF0000 && visual_->green_mask == 0xFF00 &&
                visual_->blue_mask == 0xFF && (depth_ == 24 || depth_ == 32);
}

Presenter::~Presenter() {
  DestroyImage();
  if (gc_) XFreeGC(display_, gc_);
}

void Presenter::DestroyImage() {
  if (busy_) XSync(display_, False);  // the server must be done with the segment
  busy_ = false;
  if (image_ == nullptr) return;
  if (shm_) {
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    segment_ = {};
    shm_ = false;
  }
  if (wrapsCanvas_ || image_->data == nullptr) image_->data = nullptr;  // not ours to free
  XDestroyImage(image_);
  image_ = nullptr;
  wrapsCanvas_ = false;
}

bool Presenter::TryCreateShmImage(int width, int height) {
  XImage* img = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &segment_,
                                static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (img == nullptr) return false;
  std::size_t bytes = static_cast<std::size_t>(img->bytes_per_line) * static_cast<std::size_t>(img->height);
  segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (segment_.shmid < 0) {
    XDestroyImage(img);
    segment_ = {};
    return false;
  }
  void* addr = shmat(segment_.shmid, nullptr, 0);
  if (addr == reinterpret_cast<void*>(-1)) {
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    XDestroyImage(img);
    segment_ = {};
    return false;
  }
  segment_.shmaddr = img->data = static_cast<char*>(addr);
  segment_.readOnly = False;
  // A server on another machine (or in another IPC namespace) cannot attach.
  ErrorTrap trap(display_);
  Status attached = XShmAttach(display_, &segment_);
  bool ok = trap.Finish() == Success && attached;
  // Marked for removal now: the kernel frees it when both sides detach, even
  // if this process dies.
  shmctl(segment_.shmid, IPC_RMID, nullptr);
  if (!ok) {
    shmdt(segment_.shmaddr);
    img->data = nullptr;
    XDestroyImage(img);
    segment_ = {};
    return false;
  }
  image_ = img;
  return true;
}

void Presenter::CreateImage(Canvas& canvas) {
  int w = canvas.width(), h = canvas.height();
  if (w <= 0 || h <= 0) return;
  if (shmWanted_ && TryCreateShmImage(w, h)) {
    shm_ = true;
    return;
  }
  shmWanted_ = false;  // it failed once: it will fail again
  if (sameFormat_) {
    image_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                          reinterpret_cast<char*>(canvas.data()), static_cast<unsigned>(w),
                          static_cast<unsigned>(h), 32, w * 4);
    if (image_ != nullptr && image_->bits_per_pixel == 32) {
      // The canvas holds host-order words; Xlib swaps them if the server differs.
      image_->byte_order = HostIsLittleEndian() ? LSBFirst : MSBFirst;
      wrapsCanvas_ = true;
      return;
    }
    if (image_ != nullptr) {
      image_->data = nullptr;
      XDestroyImage(image_);
      image_ = nullptr;
    }
  }
  image_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                        static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
  if (image_ == nullptr) return;
  image_->data = static_cast<char*>(
      std::calloc(static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(h), 1));
  if (image_->data == nullptr) {
    XDestroyImage(image_);
    image_ = nullptr;
  }
}

void Presenter::Resize(Canvas& canvas) {
  DestroyImage();
  CreateImage(canvas);
}

void Presenter::Copy(const Canvas& canvas, int x, int y, int w, int h) {
  const std::uint32_t* src = canvas.data();
  const int stride = canvas.width();
  if (sameFormat_ && image_->bits_per_pixel == 32 &&
      image_->byte_order == (HostIsLittleEndian() ? LSBFirst : MSBFirst)) {
    for (int row = y; row < y + h; ++row) {
      std::memcpy(image_->data + static_cast<std::ptrdiff_t>(row) * image_->bytes_per_line + x * 4,
                  src + static_cast<std::ptrdiff_t>(row) * stride + x, static_cast<std::size_t>(w) * 4);
    }
    return;
  }
  for (int row = y; row < y + h; ++row) {
    for (int col = x; col < x + w; ++col) {
      XPutPixel(image_, col, row,
                ToVisualPixel(src[static_cast<std::ptrdiff_t>(row) * stride + col], visual_));
    }
  }
}

void Presenter::Send(int x, int y, int w, int h, bool last) {
  ++rectanglesSent_;
  pixelsSent_ += static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (shm_) {
    if (last) busySerial_ = NextRequest(display_);
    XShmPutImage(display_, window_, gc_, image_, x, y, x, y, static_cast<unsigned>(w),
                 static_cast<unsigned>(h), last ? True : False);
  } else {
    XPutImage(display_, window_, gc_, image_, x, y, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
  }
}

void Presenter::Push(Canvas& canvas, std::vector<PixelRect>& extra) {
  if (image_ == nullptr || image_->width != canvas.width() || image_->height != canvas.height()) {
    Resize(canvas);
    if (image_ == nullptr) return;
  }
  if (busy_) {
    if (Clock::now() - busySince_ < kCompletionPatience) return;
    XSync(display_, False);
    busy_ = false;
  }
  // Gather first, so the last rectangle can ask for the completion event.
  std::vector<PixelRect>& rects = rects_;
  rects.clear();
  canvas.TakeDirty([&](int x, int y, int w, int h) { rects.push_back(PixelRect{x, y, x + w, y + h}); });
  for (const PixelRect& r : extra) {
    PixelRect c{std::max(0, r.left), std::max(0, r.top), std::min(canvas.width(), r.right),
                std::min(canvas.height(), r.bottom)};
    if (c.left < c.right && c.top < c.bottom) rects.push_back(c);
  }
  extra.clear();
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const PixelRect& r = rects[i];
    int w = r.right - r.left, h = r.bottom - r.top;
    if (!wrapsCanvas_) Copy(canvas, r.left, r.top, w, h);
    Send(r.left, r.top, w, h, i + 1 == rects.size());
  }
  if (shm_ && !rects.empty()) {
    busy_ = true;
    busySince_ = Clock::now();
  }
}

void Presenter::OnCompletion(unsigned long serial) {
  // Serials grow (and wrap): the event answers our last batch or a later one.
  if (busy_ && static_cast<long>(serial - busySerial_) >= 0) busy_ = false;
}

}  // namespace kal::x11
