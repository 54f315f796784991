// How one wl_surface shows a Canvas: through its shared-memory buffers,
// telling the compositor only the changed rectangles, and at most one commit
// per frame callback. While a callback is outstanding nothing is committed:
// a compositor that stops sending them (the surface is hidden, its output is
// off) stops the drawing, and the time the commit has waited tells so.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Types.h"
#include "platform/wayland/Layout.h"
#include "platform/wayland/ShmBuffers.h"

struct wl_callback;
struct wl_shm;
struct wl_surface;

namespace kal::wayland {

class Presentation {
 public:
  // frameDone runs when the compositor takes the next frame (the callback came).
  Presentation(wl_shm* shm, std::function<void()> frameDone);
  ~Presentation();
  Presentation(const Presentation&) = delete;
  Presentation& operator=(const Presentation&) = delete;

  // A commit waits for its frame callback: drawing more now is wasted.
  bool FramePending() const { return frame_ != nullptr; }
  // When the commit still waiting for its callback was made (none: nothing waits).
  std::optional<TimePoint> waitingSince() const { return waitingSince_; }
  // Whether Present would commit something now: no callback outstanding, and
  // changes on the canvas or a whole picture owed.
  bool WantsPresent(const Canvas& canvas) const { return frame_ == nullptr && (full_ || canvas.HasDirty()); }
  // The next commit sends the whole canvas (a configure, a new size or scale).
  void SendWhole() { full_ = true; }
  // Attaches the canvas's changed tiles (everything when owed) to `surface`
  // as a buffer of `size` at `scale`, and commits. False, leaving the changes
  // on the canvas, when nothing can be committed now: a callback
  // outstanding, every buffer held, a canvas of another size, or nothing changed.
  bool Present(wl_surface* surface, Canvas& canvas, BufferSize size, int scale);

  std::size_t commits() const { return commits_; }
  std::size_t framesDone() const { return framesDone_; }
  const ShmBuffers& buffers() const { return buffers_; }

 private:
  static void FrameDone(void* data, wl_callback* callback, std::uint32_t);

  std::function<void()> frameDone_;
  ShmBuffers buffers_;
  wl_callback* frame_ = nullptr;
  std::optional<TimePoint> waitingSince_;
  bool full_ = true;
  BufferSize sentSize_;  // of the last commit's buffer
  int scaleSent_ = 1;    // wl_surface.set_buffer_scale's, 1 by default
  std::vector<PixelRect> changed_;
  std::size_t commits_ = 0;
  std::size_t framesDone_ = 0;
};

}  // namespace kal::wayland
