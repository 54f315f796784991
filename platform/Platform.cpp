#include "platform/Platform.h"

#include "platform/Errors.h"

namespace kal {

void WindowHandler::OnCloseRequest(PlatformWindow& self) { self.Unload(); }

std::vector<PixelRect> WindowSystem::Monitors() {
  const ScreenMetrics screen = Screen();
  return {PixelRect{0, 0, screen.widthPx, screen.heightPx}};
}

void LoadWindow(WindowSystem& windows, const WindowDesc& desc, WindowHandler& handler,
                std::unique_ptr<PlatformWindow>& slot) {
  slot = windows.MakeWindow(desc, handler);
  // The system refused the window (out of resources): an error to report,
  // not a window to use.
  if (!slot)
    Raise(ErrorCode::OutOfMemory, "Out of memory: the window \"" + desc.caption + "\" cannot be created");
  handler.OnLoad(*slot);
}

std::string_view FeatureName(Feature feature) {
  switch (feature) {
    case Feature::kSeveralMonitors:
      return "several monitors";
    case Feature::kHighDpiScaling:
      return "high-DPI scaling";
    case Feature::kFindWindowByCaption:
      return "windows found by caption";
    case Feature::kEmbedWindow:
      return "a window inside another program's";
    case Feature::kAdoptWindow:
      return "drawing into another program's window";
    case Feature::kPointerPosition:
      return "the pointer's position";
    case Feature::kCaptionZoom:
      return "caption zoom";
    case Feature::kOsVersion:
      return "the system's version";
    case Feature::kPasswordServices:
      return "screen-saver passwords";
    case Feature::kScreenSaverFlags:
      return "screen-saver flags";
    case Feature::kMessageBoxes:
      return "message boxes";
    case Feature::kOpenDocument:
      return "opening addresses";
    case Feature::kInstanceLock:
      return "the instance lock";
  }
  return "?";
}

}  // namespace kal
