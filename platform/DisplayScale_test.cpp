#include "platform/DisplayScale.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

TEST(DisplayScale, ScaleForDpiRoundsToTheNearestWholeScaleWithinOneToFour) {
  const struct {
    float dpi;
    int scale;
  } cases[] = {{0, 1},   {-5, 1},  {72, 1},  {96, 1},  {120, 1}, {143, 1}, {144, 2},
               {192, 2}, {239, 2}, {240, 3}, {288, 3}, {384, 4}, {960, 4}, {1e30f, 4}};
  for (const auto& c : cases) EXPECT_EQ(ScaleForDpi(c.dpi), c.scale) << c.dpi;
}

TEST(DisplayScale, EveryChangedPixelShowsAsABlockAndNothingElseIsSent) {
  for (int k : {1, 2, 3}) {
    ScaledCanvas sc;
    sc.SetScale(k);
    sc.Resize(10 * k + 1, 6 * k, Rgb(0, 0, 0));  // a part pixel at the right: rounded up
    ASSERT_EQ(sc.designed().width(), 11);
    ASSERT_EQ(sc.designed().height(), 6);
    sc.Sync();
    sc.shown().TakeDirty([](int, int, int, int) {});
    sc.designed().TakeDirty([](int, int, int, int) {});

    sc.designed().FillRect(3, 2, 4, 3, Rgb(200, 10, 20));
    sc.designed().FillRect(10, 5, 11, 6, Rgb(1, 2, 3));  // the corner: cut at the display's edge
    EXPECT_TRUE(sc.HasDirty());
    sc.Sync();
    // At scale 1 the designed canvas is what the backend sends: its changes stay for it.
    EXPECT_EQ(sc.designed().HasDirty(), k == 1);
    const Canvas& shown = sc.shown();
    ASSERT_EQ(shown.width(), 10 * k + 1);
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) {
        const Color want = (x / k == 3 && y / k == 2)    ? Rgb(200, 10, 20)
                           : (x / k == 10 && y / k == 5) ? Rgb(1, 2, 3)
                                                         : Rgb(0, 0, 0);
        ASSERT_EQ(shown.At(x, y), want) << "scale " << k << " at " << x << "," << y;
      }
    }
    if (k == 1) continue;
    // Only tiles touching the two changed blocks go out.
    const PixelRect blocks[] = {{3 * k, 2 * k, 4 * k, 3 * k}, {10 * k, 5 * k, 11 * k, 6 * k}};
    int sent = 0;
    sc.shown().TakeDirty([&](int x, int y, int w, int h) {
      sent += w * h;
      bool touches = false;
      for (const PixelRect& b : blocks)
        touches |= x < b.right && b.left < x + w && y < b.bottom && b.top < y + h;
      EXPECT_TRUE(touches) << "scale " << k << ": sent " << x << "," << y << " " << w << "x" << h;
    });
    EXPECT_GT(sent, 0);
    EXPECT_FLOAT_EQ(sc.ToDesigned(7.0f), 7.0f / static_cast<float>(k));
  }
}

}  // namespace
}  // namespace kal
