// A Surface that draws into a Canvas (memory and X11 backends, tools).
#pragma once

#include "platform/Canvas.h"
#include "platform/Platform.h"

namespace kal {

class CanvasSurface final : public Surface {
 public:
  explicit CanvasSurface(Canvas& canvas) : canvas_(canvas) {}
  // The canvas `surface` draws on when it is a CanvasSurface, else null.
  // Drawing on that canvas directly gives the same pixels without going
  // through the virtual calls (the class is final: nothing overrides them).
  static Canvas* CanvasBehind(Surface& surface) {
    auto* canvasSurface = dynamic_cast<CanvasSurface*>(&surface);
    return canvasSurface != nullptr ? &canvasSurface->canvas_ : nullptr;
  }
  int Width() const override { return canvas_.width(); }
  int Height() const override { return canvas_.height(); }
  void Circle(float x, float y, float radius, Color color) override { canvas_.Circle(x, y, radius, color); }
  void Circles(const std::int32_t* xs, const std::int32_t* ys, const Color* colors, int n,
               float radius) override {
    canvas_.Circles(xs, ys, colors, n, radius);
  }
  void PutPixels(int x, int y, const std::uint32_t* pixels, int width, int height, int stride) override {
    canvas_.PutPixels(x, y, pixels, width, height, stride);
  }
  Canvas& canvas() { return canvas_; }

 private:
  Canvas& canvas_;
};

}  // namespace kal
