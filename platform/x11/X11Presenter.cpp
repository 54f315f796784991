#include "platform/x11/X11Presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11Errors.h"

namespace kal::x11 {
namespace {

// Clip rectangles per shared-memory put: keeps each request far below the
// server's request size limit however scattered the changes are.
constexpr std::size_t kMaxClipRectangles = 4096;

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
  if (lentTo_ != nullptr) {
    lentTo_->UseOwnStorage();
    lentTo_ = nullptr;
  }
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
    if (sameFormat_ && image_->bits_per_pixel == 32 && image_->bytes_per_line == w * 4 &&
        image_->byte_order == (HostIsLittleEndian() ? LSBFirst : MSBFirst)) {
      canvas.UseStorage(reinterpret_cast<std::uint32_t*>(image_->data));
      lentTo_ = &canvas;
    }
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
      std::memcpy(image_->data + static_cast<std::ptrdiff_t>(row) * image_->bytes_per_line +
                      static_cast<std::ptrdiff_t>(x) * 4,
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

void Presenter::Send(int x, int y, int w, int h) {
  ++rectanglesSent_;
  pixelsSent_ += static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (shm_) {
    XShmPutImage(display_, window_, gc_, image_, x, y, x, y, static_cast<unsigned>(w),
                 static_cast<unsigned>(h), False);
  } else {
    XPutImage(display_, window_, gc_, image_, x, y, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
  }
}

void Presenter::SendClipped(const PixelRect* rects, std::size_t count) {
  // The server dispatches one request and copies only the clip boxes,
  // instead of one request per changed run of tiles. The runs never overlap,
  // as a clip list must not, and come row of tiles by row of tiles, left to
  // right, all of a row equally high: already in bands, so the server need
  // not sort them.
  clip_.clear();
  PixelRect box = rects[0];
  for (std::size_t i = 0; i < count; ++i) {
    const PixelRect& r = rects[i];
    clip_.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                               static_cast<unsigned short>(r.right - r.left),
                               static_cast<unsigned short>(r.bottom - r.top)});
    box = PixelRect{std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
                    std::max(box.bottom, r.bottom)};
    pixelsSent_ += static_cast<std::size_t>(r.right - r.left) * static_cast<std::size_t>(r.bottom - r.top);
  }
  rectanglesSent_ += count;
  XSetClipRectangles(display_, gc_, 0, 0, clip_.data(), static_cast<int>(clip_.size()), YXBanded);
  XShmPutImage(display_, window_, gc_, image_, box.left, box.top, box.left, box.top,
               static_cast<unsigned>(box.right - box.left), static_cast<unsigned>(box.bottom - box.top),
               False);
  XSetClipMask(display_, gc_, None);
}

void Presenter::Push(Canvas& canvas, std::vector<PixelRect>& extra) {
  if (image_ == nullptr || image_->width != canvas.width() || image_->height != canvas.height()) {
    Resize(canvas);
    if (image_ == nullptr) return;
  }
  std::vector<PixelRect>& rects = rects_;
  rects.clear();
  canvas.TakeDirty([&](int x, int y, int w, int h) { rects.push_back(PixelRect{x, y, x + w, y + h}); });
  const bool copies = !wrapsCanvas_ && lentTo_ == nullptr;
  if (shm_) {
    if (copies) {
      for (const PixelRect& r : rects) Copy(canvas, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    for (std::size_t from = 0; from < rects.size(); from += kMaxClipRectangles) {
      SendClipped(rects.data() + from, std::min(kMaxClipRectangles, rects.size() - from));
    }
    rects.clear();
  }
  // Exposed areas may overlap the tiles, so they go out as puts of their own;
  // without shared memory every rectangle does, as the pixels travel anyway.
  for (const PixelRect& r : extra) {
    PixelRect c{std::max(0, r.left), std::max(0, r.top), std::min(canvas.width(), r.right),
                std::min(canvas.height(), r.bottom)};
    if (c.left < c.right && c.top < c.bottom) rects.push_back(c);
  }
  extra.clear();
  for (const PixelRect& r : rects) {
    int w = r.right - r.left, h = r.bottom - r.top;
    if (copies) Copy(canvas, r.left, r.top, w, h);
    Send(r.left, r.top, w, h);
  }
}

}  // namespace kal::x11
