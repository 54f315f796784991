#include "platform/Platform.h"

#include "platform/Errors.h"

namespace kal {

void WindowHandler::OnCloseRequest(PlatformWindow& self) { self.Unload(); }

std::vector<PixelRect> Platform::Monitors() {
  const ScreenMetrics screen = Screen();
  return {PixelRect{0, 0, screen.widthPx, screen.heightPx}};
}

void LoadWindow(Platform& platform, const WindowDesc& desc, WindowHandler& handler,
                std::unique_ptr<PlatformWindow>& slot) {
  slot = platform.MakeWindow(desc, handler);
  // The system refused the window (out of resources): an error to report,
  // not a window to use.
  if (!slot)
    Raise(ErrorCode::OutOfMemory, "Out of memory: the window \"" + desc.caption + "\" cannot be created");
  handler.OnLoad(*slot);
}

}  // namespace kal
