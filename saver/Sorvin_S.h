// The saver window: a borderless, topmost, black window covering the primary
// monitor, whose load handler runs the animation until input ends the saver.
// Black covers hide the other monitors and pass their input on to it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Platform.h"
#include "platform/Truth.h"
#include "saver/CoverWindows.h"
#include "saver/SaverContext.h"
#include "saver/Swarm.h"

namespace kal {

// The saver window's caption: the single-instance guard looks for it.
inline constexpr std::string_view kSaverCaption = "Kalvessa_m";

// The screen's size in pixels from its size in twips: nearest 16-bit integer,
// halves to even.
std::int16_t ScreenPixels(float screenTwips, float twipsPerPixel);

class Sorvin_S final : public WindowHandler {
 public:
  explicit Sorvin_S(SaverContext context);
  ~Sorvin_S() override;

  // Loads the window: creates it and runs Form_Load (which runs the saver).
  void Load();

  // Handlers.
  void Form_Load();
  void Form_Unload();
  void Form_KeyDown(int keyCode, int shift);
  void Display_MouseDown(int button, int shift, float x, float y);
  void Display_MouseMove(int button, int shift, float x, float y);
  // Monitors came, went or moved: the window and the covers follow them.
  void Form_DisplayChange();

  void AnimateSwarm();
  void EndSaver();

  // Window values.
  std::int16_t ScreenW = 0;
  std::int16_t ScreenH = 0;
  float LastMoveX = 0;
  float LastMoveY = 0;
  Truth MoveSeen = False;

  PlatformWindow* window() { return window_.get(); }
  const Swarm* swarm() const { return swarm_ ? &*swarm_ : nullptr; }
  const CoverWindows& covers() const { return covers_; }

 private:
  void OnLoad(PlatformWindow&) override { Form_Load(); }
  void OnUnload() override { Form_Unload(); }
  void OnKeyDown(int keyCode, int shift) override { Form_KeyDown(keyCode, shift); }
  void OnMouseDown(int button, int shift, float x, float y) override {
    Display_MouseDown(button, shift, x, y);
  }
  void OnMouseMove(int button, int shift, float x, float y) override {
    Display_MouseMove(button, shift, x, y);
  }
  void OnCloseRequest(PlatformWindow& self) override;
  void ArrangeCovers(const std::vector<PixelRect>& monitors);
  void OnDisplayChange(PlatformWindow& self) override {
    if (&self == window_.get()) Form_DisplayChange();
  }

  SaverContext context_;
  Platform& platform_;
  WindowSystem& windows_;
  std::unique_ptr<PlatformWindow> window_;
  std::optional<Swarm> swarm_;
  CoverWindows covers_{windows_, *this};
  PixelRect primaryRect_{};  // where the window is
};

}  // namespace kal
