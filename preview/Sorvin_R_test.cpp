#include "preview/Sorvin_R.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "assets/Assets.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/RunForTest.h"
#include "startup/Run.h"
#include "startup/Sorvin_B.h"

namespace kal {
namespace {

constexpr Handle kHost = 0x5000;

// The calls from loading the preview window on, in order.
std::vector<std::string> CallsFromLoad(const MemoryPlatform& p) {
  long from = IndexOfCall(p, "MakeWindow " + std::string(kPreviewCaption));
  if (from < 0) return {};
  return {p.calls.begin() + from, p.calls.end()};
}

TEST(Preview, PlacesTheStillIntoHostsOfEverySizeInTheOrderOfTheSteps) {
  PictureRef still = LoadPicture(assets::kPreviewStill);
  ASSERT_TRUE(still);
  const struct { int width, height; } hosts[] = {{152, 112}, {400, 300}, {100, 80}, {3000, 2000}};
  for (auto [width, height] : hosts) {
    MemoryPlatform p;
    p.commandLine = "/p " + std::to_string(kHost);
    p.foreignRects[kHost] = PixelRect{500, 400, 500 + width, 400 + height};
    // Main returns with the preview loaded; the message loop then keeps it.
    Sorvin_B module(p);
    RunOutcome out = RunUntilEnd([&] { module.Main(); });
    ASSERT_FALSE(out.processEnded) << width;
    const std::vector<std::string> expected = {
        "MakeWindow Preview Window",
        "GetStyle",
        "SetStyle 0xc0000000",  // a popup that is now a child
        "SetParent " + std::to_string(kHost),
        "Move 0 0 " + std::to_string(width) + " " + std::to_string(height),
        "Show"};
    EXPECT_EQ(CallsFromLoad(p), expected) << width;
    ASSERT_EQ(p.LoadedWindows().size(), 1u);
    MemoryWindow& w = *p.LoadedWindows().front();
    EXPECT_EQ(w.parent(), kHost);
    EXPECT_TRUE(w.visible());
    // The picture at its own size from the top-left, cut by a smaller host,
    // black wherever the host is larger.
    const Canvas& c = w.canvas();
    ASSERT_EQ(c.width(), width);
    ASSERT_EQ(c.height(), height);
    long wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t want = x < still->width() && y < still->height() ? still->At(x, y) : 0;
        if (c.data()[static_cast<std::size_t>(y) * width + x] != want) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << width << "x" << height;
  }
}

TEST(Preview, HostGoingAwayUnloadsThePreviewWhichAsksItsOwnerToClose) {
  MemoryPlatform p;
  p.foreignRects[kHost] = PixelRect{0, 0, 152, 112};
  Sorvin_R preview(p);
  ASSERT_TRUE(preview.Place(kHost));
  p.calls.clear();
  p.DestroyForeignWindow(kHost);
  EXPECT_EQ(p.calls, (std::vector<std::string>{"Unload Preview Window", "GetOwner", "PostClose 0"}));
  EXPECT_TRUE(p.LoadedWindows().empty());  // so the message loop ends, and the process
}

TEST(Preview, AHostThatVanishesBeforeTheReparentingEndsTheProcessQuietly) {
  MemoryPlatform p;
  p.commandLine = "/p " + std::to_string(kHost);
  p.foreignRects[kHost] = PixelRect{0, 0, 152, 112};
  p.refuseSetParent = true;
  RunOutcome out = RunUntilEnd([&] { RunProgram(p); });
  EXPECT_TRUE(out.processEnded);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_GE(IndexOfCall(p, "Unload Preview Window"), 0);
  EXPECT_TRUE(CallsStartingWith(p, "Show").empty());
  EXPECT_TRUE(p.LoadedWindows().empty());
}

}  // namespace
}  // namespace kal
