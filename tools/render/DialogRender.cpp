#include "tools/render/DialogRender.h"

#include <optional>
#include <string>

#include "platform/memory/MemoryPlatform.h"
#include "platform/posix/FreeTypeText.h"
#include "settings/Sorvin_P.h"
#include "tools/render/ImageWriters.h"

namespace kal::render {

int RunDialog(const RenderOptions& o) {
  MemoryPlatform platform;
  FreeTypeText text;
  platform.UseText(text);
  std::string settingText;
  std::int16_t zoomX = 0, zoomY = 0;
  std::string failure;
  SettingsContext context{platform,      static_cast<std::int16_t>(o.count),
                          &settingText,  &zoomX,
                          &zoomY,        [](Handle) {},
                          [](Handle) {}, [](const std::string&) { return std::string(); }};
  Sorvin_P dialog(std::move(context), text);
  dialog.LoadOnly();
  PlatformWindow* window = dialog.form().window();
  if (!dialog.loaded() || window == nullptr) throw OutputError("the dialog did not load");
  window->Show();
  for (long long tick = 0; tick < o.ticks; ++tick) dialog.Timer1_Timer();

  // The client area is Pic_C; the memory backend's frame lies beyond it.
  const forms::PictureBox& Pic_C = dialog.form().Pic("Pic_C");
  const Canvas& client = dialog.form().frame();
  WritePng(client, Crop{0, 0, Pic_C.Width(), Pic_C.Height()}, *o.png);
  return 0;
}

}  // namespace kal::render
