// The preview window: the still picture placed as a child into the small
// window a host (the desktop's screen-saver settings) hands over.
#pragma once

#include <memory>

#include "assets/Picture.h"
#include "platform/Platform.h"

namespace kal {

inline constexpr std::string_view kPreviewCaption = "Preview Window";

// An image control: a picture drawn at its own size from the control's
// top-left corner, cut at the control's edges, never stretched.
struct ImageControl {
  PictureRef Picture;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  void Paint(Surface& surface) const;
};

class Sorvin_R final : public WindowHandler {
 public:
  explicit Sorvin_R(Platform& platform);
  ~Sorvin_R() override;

  // Places the window into the host window and shows it; the caller returns
  // and the message loop runs while it is loaded. False when the host names
  // no window (or vanished meanwhile): then nothing is loaded.
  bool Place(Handle host);

  void Form_Unload();

  ImageControl Img_Prev;
  PlatformWindow* window() { return window_.get(); }

 private:
  void OnUnload() override { Form_Unload(); }
  void OnPaint(PlatformWindow& self) override { Img_Prev.Paint(self.Display()); }

  Platform& platform_;
  std::unique_ptr<PlatformWindow> window_;
};

}  // namespace kal
