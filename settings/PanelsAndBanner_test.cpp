// The dialog's texture and banner, pixel by pixel against what the artwork
// and the motion table say they must be.
#include <gtest/gtest.h>

#include "assets/Assets.h"
#include "assets/Picture.h"
#include "platform/forms/Text.h"
#include "platform/memory/MemoryPlatform.h"
#include "settings/Sorvin_P.h"

namespace kal {
namespace {

struct LoadedDialog {
  MemoryPlatform platform;
  forms::BoxTextRenderer text;
  std::string settingText;
  std::int16_t zoomX = 0, zoomY = 0;
  std::unique_ptr<Sorvin_P> dialog;
  LoadedDialog() {
    platform.UseText(text);
    dialog = std::make_unique<Sorvin_P>(
        SettingsContext{platform, 250, &settingText, &zoomX, &zoomY, [](Handle) {}, [](Handle) {},
                        [](const std::string&) { return std::string(); }},
        text);
    dialog->LoadOnly();
    dialog->form().window()->Show();
  }
  forms::Form& form() { return dialog->form(); }
};

Color PictureAt(const Picture& p, int x, int y) {
  return Canvas::ToColor(p.pixels()[static_cast<std::size_t>(y) * p.width() + x]);
}

TEST(Panels, EachShowsTheStripFromItsTopLeftRepeatedEveryTwentyPixelsDown) {
  LoadedDialog d;
  const PictureRef strip = LoadPicture(assets::kMetalTexture);
  ASSERT_EQ(strip->width(), 551);
  ASSERT_EQ(strip->height(), 20);
  // The three panels in their order, and a target whose size is an exact
  // multiple of the strip's: a column ends only past the height, the last
  // column starts past the width.
  layout::Control design{
      .name = "Target", .kind = layout::Kind::PictureBox, .width = 1102 * 15, .height = 40 * 15};
  forms::PictureBox exact(design, Rgb(0, 0, 0), nullptr);
  const struct {
    forms::PictureBox* box;
    int copies;
  } cases[] = {{&d.form().Pic("Pic_C"), 16 * 2},
               {&d.form().Pic("Pic_1"), 5 * 2},
               {&d.form().Pic("Pic_2"), 8 * 2},
               {&exact, 4 * 4}};
  EXPECT_EQ(d.dialog->tileCopies(), 32 + 10 + 16);
  for (const auto& c : cases) {
    const int before = d.dialog->tileCopies();
    if (c.box == &exact) d.dialog->TileBackground(exact);  // the panels were tiled by the load
    const Canvas& image = c.box->hDC();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        ASSERT_EQ(image.At(x, y), PictureAt(*strip, x % 551, y % 20))
            << c.box->Name << " at " << x << "," << y;
    d.dialog->TileBackground(*c.box);
    EXPECT_EQ(d.dialog->tileCopies() - before, c.box == &exact ? 2 * c.copies : c.copies) << c.box->Name;
  }
}

TEST(Banner, AfterNTicksEachLetterStandsAtItsTablePlaceOnBlackAndTheScreenShowsIt) {
  const PictureRef glyphs = LoadPicture(assets::kGlyphStrip);
  // Ticks after loading and the phase the last of them drew: the first tick
  // draws 40, 22 ticks reach 61 (letter 1 starts to fall), 271 the last phase
  // 310, 272 the wrap to 1, 700 two cycles on.
  const struct {
    int ticks, phase;
  } cases[] = {{1, 40}, {22, 61}, {271, 310}, {272, 1}, {273, 2}, {700, 119}};
  for (const auto& c : cases) {
    LoadedDialog d;
    for (int t = 0; t < c.ticks; ++t) d.dialog->Timer1_Timer();
    EXPECT_EQ(d.dialog->BannerOffset, c.phase % 310 + 1) << c.ticks;
    const std::string& text = d.dialog->BannerText;
    ASSERT_EQ(text, "DESIGNED BY TAVRIN VERSION 1.0.0");
    Canvas want(469, 110);
    for (int i = 1; i <= 32; ++i) {
      const int code = static_cast<unsigned char>(text[i - 1]);
      const int x = 12 + 13 * i, y = d.dialog->BounceTable[c.phase + i];
      for (int dy = 0; dy < 22; ++dy)
        for (int dx = 0; dx < 13; ++dx)
          want.FillRect(x + dx, y + dy, x + dx + 1, y + dy + 1,
                        PictureAt(*glyphs, (code - 32) * 13 + dx, dy));
    }
    forms::PictureBox& Pic1 = d.form().Pic("Pic1");
    const PixelRect at = d.form().WindowRect(Pic1);
    const int inset = Pic1.ClientInset();
    for (int y = 0; y < 110; ++y)
      for (int x = 0; x < 469; ++x) {
        ASSERT_EQ(Pic1.hDC().At(x, y), want.At(x, y)) << c.ticks << " ticks, at " << x << "," << y;
        // What the refreshes put on the window is the box's whole image.
        ASSERT_EQ(d.form().frame().At(at.left + inset + x, at.top + inset + y), want.At(x, y))
            << c.ticks << " ticks, on screen at " << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace kal
