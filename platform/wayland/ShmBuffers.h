// The shared-memory buffers of one surface: up to three wl_buffers cut from
// one memfd, made once per size and used over and over. A buffer the
// compositor holds (from the commit that attached it until wl_buffer.release)
// is never written; each buffer remembers what changed while it was held, so
// bringing it up to date copies only that and the new changes. The pixel
// format, XRGB8888 in host order, is the Canvas's own 0x00RRGGBB (the copy
// sets the unused top byte to 0xFF).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Types.h"

struct wl_buffer;
struct wl_shm;
struct wl_shm_pool;

namespace kal::wayland {

class ShmBuffers {
 public:
  // Two take turns when the compositor releases the last one before the next
  // frame (most do); a third is made only when both are still held.
  static constexpr int kMaxBuffers = 3;

  explicit ShmBuffers(wl_shm* shm) : shm_(shm) {}
  ~ShmBuffers();
  ShmBuffers(const ShmBuffers&) = delete;
  ShmBuffers& operator=(const ShmBuffers&) = delete;

  // Buffers of width x height pixels from now on (the old ones go); a size
  // of zero has none. False when the shared memory cannot be had.
  bool Resize(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }

  // A buffer the compositor does not hold, brought up to date with `canvas`
  // (of this size): what it missed, and `changed`. Null when every buffer is
  // held (or there are none): nothing is copied, the caller tries again
  // later. The buffer counts as held from now on: attach it and commit.
  wl_buffer* Prepare(const Canvas& canvas, const std::vector<PixelRect>& changed);
  // Whether Prepare would find a buffer now.
  bool AnyFree() const;

  int buffersMade() const { return made_; }
  // How often Prepare found every buffer held.
  std::size_t allHeld() const { return allHeld_; }
  std::size_t pixelsCopied() const { return pixelsCopied_; }

 private:
  struct Buffer {
    ShmBuffers* owner = nullptr;
    wl_buffer* wl = nullptr;
    std::uint32_t* pixels = nullptr;
    bool held = false;
    // What changed on screen since this buffer was last brought up to date.
    std::vector<PixelRect> missed;
    bool missedAll = true;
  };
  static void Released(void* data, wl_buffer* buffer);
  void Drop();
  bool Make(Buffer& b, int index);
  void Copy(const Canvas& canvas, Buffer& b, const PixelRect& r);

  wl_shm* shm_;
  wl_shm_pool* pool_ = nullptr;
  void* memory_ = nullptr;
  std::size_t bytes_ = 0;
  int width_ = 0, height_ = 0;
  std::array<Buffer, kMaxBuffers> buffers_{};
  int made_ = 0;
  std::size_t allHeld_ = 0;
  std::size_t pixelsCopied_ = 0;
};

}  // namespace kal::wayland
