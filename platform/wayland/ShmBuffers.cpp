#include "platform/wayland/ShmBuffers.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <limits>

namespace kal::wayland {
namespace {

// Beyond this many remembered rectangles a buffer is simply copied whole.
constexpr std::size_t kMaxMissed = 4096;
// XRGB8888 ignores the top byte, but not every reader of the screen does:
// weston's screenshooter takes it for alpha and shows a 0x00RRGGBB picture
// black once a shell runs. The copy sets it: the pixels are opaque anyway.
constexpr std::uint32_t kOpaque = 0xFF000000u;

}  // namespace

ShmBuffers::~ShmBuffers() { Drop(); }

void ShmBuffers::Drop() {
  for (Buffer& b : buffers_) {
    // A buffer still held may go: the compositor keeps its own mapping.
    if (b.wl != nullptr) wl_buffer_destroy(b.wl);
    b = Buffer{};
  }
  made_ = 0;
  if (pool_ != nullptr) wl_shm_pool_destroy(pool_);
  pool_ = nullptr;
  if (memory_ != nullptr) ::munmap(memory_, bytes_);
  memory_ = nullptr;
  bytes_ = 0;
  width_ = height_ = 0;
}

bool ShmBuffers::Resize(int width, int height) {
  if (width == width_ && height == height_ && (pool_ != nullptr || width == 0 || height == 0)) return true;
  Drop();
  if (width <= 0 || height <= 0) return true;
  const std::size_t frame = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  const std::size_t bytes = frame * kMaxBuffers;
  // wl_shm_pool sizes and offsets are 32-bit.
  if (width > std::numeric_limits<std::int32_t>::max() / 4 ||
      bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    return false;
  const int fd = ::memfd_create("kalvessa-shm", MFD_CLOEXEC);
  if (fd < 0) return false;
  // The file is as large as three buffers from the start, but pages are
  // only taken as buffers are drawn into: an unused third costs nothing.
  if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
    ::close(fd);
    return false;
  }
  void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    ::close(fd);
    return false;
  }
  pool_ = wl_shm_create_pool(shm_, fd, static_cast<std::int32_t>(bytes));
  ::close(fd);  // the compositor has its own copy of the descriptor
  memory_ = memory;
  bytes_ = bytes;
  width_ = width;
  height_ = height;
  return true;
}

bool ShmBuffers::Make(Buffer& b, int index) {
  static const wl_buffer_listener listener = {&ShmBuffers::Released};
  const std::size_t frame = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  b.owner = this;
  b.pixels = static_cast<std::uint32_t*>(memory_) + frame * static_cast<std::size_t>(index);
  b.wl =
      wl_shm_pool_create_buffer(pool_, static_cast<std::int32_t>(frame * 4 * static_cast<std::size_t>(index)),
                                width_, height_, width_ * 4, WL_SHM_FORMAT_XRGB8888);
  if (b.wl == nullptr) return false;
  wl_buffer_add_listener(b.wl, &listener, &b);
  b.held = false;
  b.missed.clear();
  b.missedAll = true;
  ++made_;
  return true;
}

void ShmBuffers::Released(void* data, wl_buffer*) { static_cast<Buffer*>(data)->held = false; }

void ShmBuffers::Copy(const Canvas& canvas, Buffer& b, const PixelRect& r) {
  const PixelRect c = Intersect(r, PixelRect{0, 0, width_, height_});
  if (c.right <= c.left || c.bottom <= c.top) return;
  const std::size_t w = static_cast<std::size_t>(c.right - c.left);
  for (int y = c.top; y < c.bottom; ++y) {
    const std::size_t at =
        static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(c.left);
    const std::uint32_t* from = canvas.data() + at;
    std::uint32_t* to = b.pixels + at;
    for (std::size_t k = 0; k < w; ++k) to[k] = from[k] | kOpaque;
  }
  pixelsCopied_ += w * static_cast<std::size_t>(c.bottom - c.top);
}

bool ShmBuffers::AnyFree() const {
  if (pool_ == nullptr) return false;
  if (made_ < kMaxBuffers) return true;
  return std::any_of(buffers_.begin(), buffers_.end(),
                     [](const Buffer& b) { return b.wl != nullptr && !b.held; });
}

wl_buffer* ShmBuffers::Prepare(const Canvas& canvas, const std::vector<PixelRect>& changed) {
  if (pool_ == nullptr || canvas.width() != width_ || canvas.height() != height_) return nullptr;
  Buffer* chosen = nullptr;
  // A free buffer with the least to catch up on, else a new one.
  for (Buffer& b : buffers_) {
    if (b.wl == nullptr || b.held) continue;
    if (chosen == nullptr || (chosen->missedAll && !b.missedAll) ||
        (chosen->missedAll == b.missedAll && b.missed.size() < chosen->missed.size()))
      chosen = &b;
  }
  if (chosen == nullptr && made_ < kMaxBuffers && Make(buffers_[static_cast<std::size_t>(made_)], made_))
    chosen = &buffers_[static_cast<std::size_t>(made_ - 1)];
  if (chosen == nullptr) {
    ++allHeld_;
    return nullptr;
  }
  if (chosen->missedAll) {
    Copy(canvas, *chosen, PixelRect{0, 0, width_, height_});
  } else {
    for (const PixelRect& r : chosen->missed) Copy(canvas, *chosen, r);
    for (const PixelRect& r : changed) Copy(canvas, *chosen, r);
  }
  chosen->missed.clear();
  chosen->missedAll = false;
  chosen->held = true;
  // The others lack this frame's changes now.
  for (Buffer& b : buffers_) {
    if (&b == chosen || b.wl == nullptr || b.missedAll) continue;
    if (b.missed.size() + changed.size() > kMaxMissed) {
      b.missed.clear();
      b.missedAll = true;
    } else {
      b.missed.insert(b.missed.end(), changed.begin(), changed.end());
    }
  }
  return chosen->wl;
}

}  // namespace kal::wayland
