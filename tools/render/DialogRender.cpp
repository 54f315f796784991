#include "tools/render/DialogRender.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "assets/DialogLayout.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/posix/FreeTypeText.h"
#include "settings/MessageWindow.h"
#include "settings/Sorvin_P.h"
#include "tools/render/ImageWriters.h"

namespace kal::render {
namespace {

constexpr int kCycle = 310;  // banner phases 1..310
// GIF viewers slow pictures shorter than 2/100 s down: one picture every
// two ticks (3.125/100 s), the delays rounded so they add up to real time.
constexpr int kTicksPerGifPicture = 2;

// The banner box's drawing area in window pixels.
Crop BannerArea(forms::Form& form) {
  forms::PictureBox& Pic1 = form.Pic("Pic1");
  const PixelRect r = form.WindowRect(Pic1);
  const int inset = Pic1.ClientInset();
  return {r.left + inset, r.top + inset, r.right - r.left - 2 * inset, r.bottom - r.top - 2 * inset};
}

std::vector<Color> StripColours(forms::Form& form) {
  const Canvas& strip = form.Pic("FontPic2").hDC();
  std::set<Color> seen;
  for (int y = 0; y < strip.height(); ++y)
    for (int x = 0; x < strip.width(); ++x) seen.insert(strip.At(x, y));
  seen.erase(Rgb(0, 0, 0));  // the writer's first entry
  return {seen.begin(), seen.end()};
}

std::string PhasePath(const std::string& dir, int phase) {
  char name[32];
  std::snprintf(name, sizeof name, "banner-%03d.png", phase);
  return (std::filesystem::path(dir) / name).string();
}

}  // namespace

int RunDialog(const RenderOptions& o) {
  MemoryPlatform platform;
  FreeTypeText text;
  platform.UseText(text);
  std::string settingText;
  std::int16_t zoomX = 0, zoomY = 0;
  SettingsContext context{platform,      static_cast<std::int16_t>(o.count),
                          &settingText,  &zoomX,
                          &zoomY,        [](Handle) {},
                          [](Handle) {}, [](const std::string&) { return std::string(); }};
  Sorvin_P dialog(std::move(context), text);
  dialog.LoadOnly();
  PlatformWindow* window = dialog.form().window();
  if (!dialog.loaded() || window == nullptr) throw OutputError("the dialog did not load");
  window->Show();
  const Canvas& client = dialog.form().frame();
  const Crop banner = BannerArea(dialog.form());

  // Each tick draws the phase BannerOffset held before it.
  auto tick = [&] {
    const int phase = dialog.BannerOffset;
    dialog.Timer1_Timer();
    return phase;
  };
  for (long long t = 0; t < o.ticks; ++t) tick();

  if (o.series) {
    std::error_code ec;
    std::filesystem::create_directories(*o.series, ec);
    if (ec) throw OutputError("cannot create " + *o.series + ": " + ec.message());
    // One whole cycle from here on: every phase's picture once.
    for (int t = 0; t < kCycle; ++t) {
      const int phase = tick();
      WritePng(client, banner, PhasePath(*o.series, phase));
    }
  }
  if (o.gif) {
    GifWriter gif(*o.gif, banner.width, banner.height, StripColours(dialog.form()), 0);
    long long shownCs = 0;
    for (int t = 1; t <= kCycle; ++t) {
      tick();
      if (t % kTicksPerGifPicture != 0) continue;
      // Shown for its two ticks; the delays add up to the cycle's real time.
      const long long until =
          (static_cast<long long>(t) * 100 + kBannerTicksPerSecond / 2) / kBannerTicksPerSecond;
      gif.AddPicture(client, banner, static_cast<int>(until - shownCs));
      shownCs = until;
    }
    gif.Close();
  }
  if (o.png) {
    // The client area is Pic_C; the memory backend's frame lies beyond it.
    const forms::PictureBox& Pic_C = dialog.form().Pic("Pic_C");
    WritePng(client, Crop{0, 0, Pic_C.Width(), Pic_C.Height()}, *o.png);
  }
  return 0;
}

int RunMessage(const RenderOptions& o) {
  MemoryPlatform platform;
  FreeTypeText text;
  platform.UseText(text);
  MessageWindow message(platform, text, layout::DialogWindow().caption, *o.message);
  message.LoadOnly();
  PlatformWindow* window = message.form().window();
  if (!message.loaded() || window == nullptr) throw OutputError("the message window did not load");
  window->Show();
  // The client area is Pic_M; the memory backend's frame lies beyond it.
  const forms::PictureBox& frame = message.form().Pic("Pic_M");
  WritePng(message.form().frame(), Crop{0, 0, frame.Width(), frame.Height()}, *o.png);
  return 0;
}

}  // namespace kal::render
