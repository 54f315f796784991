#include "platform/Platform.h"

namespace kal {

void WindowHandler::OnCloseRequest(PlatformWindow& self) { self.Unload(); }

void LoadWindow(Platform& platform, const WindowDesc& desc, WindowHandler& handler,
                std::unique_ptr<PlatformWindow>& slot) {
  slot = platform.MakeWindow(desc, handler);
  handler.OnLoad(*slot);
}

}  // namespace kal
