// Puts a window's Canvas on the screen, only the rectangles that changed:
// through MIT-SHM when the server shares memory with us, else XPutImage.
// With shared memory in the canvas's own pixel format the canvas draws
// straight into the segment, so a push copies nothing on our side.
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
  // The canvas may be lent the image's pixels; it gets its own back before
  // the image goes (it must outlive the presenter).
  void Resize(Canvas& canvas);

  // Sends the canvas's changed tiles and the extra rectangles, then forgets
  // them. No completion is awaited: a push goes out just before the caller
  // sleeps, and a tile drawn while the server still reads it is dirty again
  // and goes out with the next push, so the screen always catches up.
  void Push(Canvas& canvas, std::vector<PixelRect>& extra);

  bool usingShm() const { return shm_; }
  // The canvas draws into the shared-memory image itself.
  bool canvasInSegment() const { return lentTo_ != nullptr; }
  // What went to the server so far: rectangles and their pixels.
  std::size_t rectanglesSent() const { return rectanglesSent_; }
  std::size_t pixelsSent() const { return pixelsSent_; }

 private:
  void CreateImage(Canvas& canvas);
  void DestroyImage();
  bool TryCreateShmImage(int width, int height);
  void Copy(const Canvas& canvas, int x, int y, int w, int h);
  void Send(int x, int y, int w, int h);
  // One shared-memory put of the rectangles' bounding box, clipped to them.
  void SendClipped(const PixelRect* rects, std::size_t count);

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
  bool sameFormat_ = false;   // canvas pixels can be copied row by row
  Canvas* lentTo_ = nullptr;  // the canvas drawing into the segment
  std::size_t rectanglesSent_ = 0;
  std::size_t pixelsSent_ = 0;
  // One push's rectangles, kept to avoid reallocating.
  std::vector<PixelRect> rects_;
  std::vector<XRectangle> clip_;
};

}  // namespace kal::x11
