// Puts a window's Canvas on the screen, only the rectangles that changed:
// through MIT-SHM when the server shares memory with us, else XPutImage.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <vector>

#include "platform/Canvas.h"
#include "platform/Types.h"

namespace kal::x11 {

class Presenter {
 public:
  // useShm: try shared memory (the caller knows whether the server offers it).
  Presenter(Display* display, Window window, Visual* visual, int depth, bool useShm);
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;
  ~Presenter();

  // Makes the image match the canvas's size (call after every Canvas::Resize).
  void Resize(Canvas& canvas);

  // Sends the canvas's changed tiles and the extra rectangles, then forgets
  // them. While the server still reads the previous shared-memory batch
  // nothing is taken: the changes wait for the next call (so a slow server
  // coalesces pushes and never sees half-written pixels).
  void Push(Canvas& canvas, std::vector<PixelRect>& extra);

  // The server finished a shared-memory put (its completion event).
  void OnCompletion(unsigned long serial);

  bool usingShm() const { return shm_; }
  // What went to the server so far: rectangles and their pixels.
  std::size_t rectanglesSent() const { return rectanglesSent_; }
  std::size_t pixelsSent() const { return pixelsSent_; }

 private:
  void CreateImage(Canvas& canvas);
  void DestroyImage();
  bool TryCreateShmImage(int width, int height);
  void Copy(const Canvas& canvas, int x, int y, int w, int h);
  void Send(int x, int y, int w, int h, bool last);

  Display* display_;
  Window window_;
  Visual* visual_;
  int depth_;
  GC gc_ = nullptr;
  bool shmWanted_;
  bool shm_ = false;
  XShmSegmentInfo segment_{};
  XImage* image_ = nullptr;
  // The image's pixels are the canvas's own (32-bit 0x00RRGGBB pixels the
  // server takes as they are): nothing to copy before XPutImage.
  bool wrapsCanvas_ = false;
  bool sameFormat_ = false;  // canvas pixels can be copied row by row
  bool busy_ = false;
  unsigned long busySerial_ = 0;
  Clock::time_point busySince_{};
  std::size_t rectanglesSent_ = 0;
  std::size_t pixelsSent_ = 0;
  std::vector<PixelRect> rects_;  // one push's rectangles, kept to avoid reallocating
};

}  // namespace kal::x11
