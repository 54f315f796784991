#include "platform/wayland/Presentation.h"

#include <wayland-client.h>

#include "platform/wayland/Damage.h"

namespace kal::wayland {

Presentation::Presentation(wl_shm* shm, std::function<void()> frameDone)
    : frameDone_(std::move(frameDone)), buffers_(shm) {}

Presentation::~Presentation() {
  if (frame_ != nullptr) wl_callback_destroy(frame_);
}

bool Presentation::Present(wl_surface* surface, Canvas& canvas, BufferSize size, int scale) {
  if (frame_ != nullptr) return false;
  if (canvas.width() != size.width || canvas.height() != size.height || size.width == 0) return false;
  if (!buffers_.Resize(size.width, size.height) || !buffers_.AnyFree()) return false;
  // A buffer of another size is damaged whole.
  if (size != sentSize_) full_ = true;
  if (!full_ && !canvas.HasDirty()) return false;
  changed_.clear();
  canvas.TakeDirty([this](int x, int y, int w, int h) { changed_.push_back(PixelRect{x, y, x + w, y + h}); });
  if (full_) {
    changed_.clear();
    changed_.push_back(PixelRect{0, 0, size.width, size.height});
  }
  wl_buffer* buffer = buffers_.Prepare(canvas, changed_);
  if (buffer == nullptr) {
    full_ = true;  // the changes were taken from the canvas: the next commit sends everything
    return false;
  }
  wl_surface_attach(surface, buffer, 0, 0);
  if (scaleSent_ != scale) {
    wl_surface_set_buffer_scale(surface, scale);
    scaleSent_ = scale;
  }
  for (const PixelRect& r : CoalesceDamage(changed_))
    wl_surface_damage_buffer(surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
  static const wl_callback_listener frameListener = {&Presentation::FrameDone};
  frame_ = wl_surface_frame(surface);
  wl_callback_add_listener(frame_, &frameListener, this);
  wl_surface_commit(surface);
  waitingSince_ = Clock::now();
  sentSize_ = size;
  full_ = false;
  ++commits_;
  return true;
}

void Presentation::FrameDone(void* data, wl_callback* callback, std::uint32_t) {
  auto* self = static_cast<Presentation*>(data);
  wl_callback_destroy(callback);
  self->frame_ = nullptr;
  self->waitingSince_.reset();
  ++self->framesDone_;
  if (self->frameDone_) self->frameDone_();
}

}  // namespace kal::wayland
