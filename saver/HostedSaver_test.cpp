#include "saver/HostedSaver.h"

#include <gtest/gtest.h>

#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/RunForTest.h"
#include "startup/Hosted.h"
#include "startup/SettingsFile.h"

namespace kal {
namespace {

constexpr Handle kHost = 0x1e00007;

// Pixels that are not black.
int TrailPixels(Canvas& c) {
  int n = 0;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) n += c.data()[y * c.width() + x] != 0 ? 1 : 0;
  return n;
}

TEST(HostedSaver, DrawsInTheWindowFollowsItsSizeAndEndsWithIt) {
  const struct {
    const char* setting;                // the settings file's count ("": none)
    std::optional<std::int16_t> count;  // --count
    std::int16_t particles;             // the swarm's LastParticle
    bool animates;                      // false: the swarm stops on its error
  } cases[] = {
      {"", std::nullopt, 120, true},
      {"300", std::nullopt, 300, true},
      {"300", 150, 150, true},
      {"600", std::nullopt, 600, false},  // above the store: stops as the saver does, and waits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting);
    MemoryPlatform p;
    if (*c.setting != '\0') {
      p.files[MemoryPlatform::NormalizePath(p.appPath + "\\Kalvessa.ini")] =
          "[Section]\r\n" + std::string(kSettingsKey) + "=" + c.setting + "\r\n";
    }
    p.foreignRects[kHost] = PixelRect{40, 30, 360, 230};
    int pixelsBefore = -1, pixelsAfter = -1;
    p.onDoEvents = [&](long n) {
      MemoryWindow* w = p.LoadedWindows().empty() ? nullptr : p.LoadedWindows().front();
      if (n == 3000) {
        pixelsBefore = TrailPixels(w->canvas());
        p.ResizeForeignWindow(kHost, 200, 150);
      } else if (n == 6000) {
        pixelsAfter = TrailPixels(w->canvas());
        EXPECT_EQ(w->canvas().width(), 200);
        p.DestroyForeignWindow(kHost);
      }
    };
    EXPECT_EQ(HostedParticleCount(p, c.count), c.particles);
    int code = -1;
    RunOutcome out = RunUntilEnd([&] { code = RunHostedSaver(p, kHost, c.count); });
    EXPECT_FALSE(out.processEnded);
    EXPECT_EQ(code, 0);
    EXPECT_GE(p.doEventsCount, 6000);
    // Only drawing: no window of its own, no lock, no pointer, nothing moved or shown.
    for (const char* call : {"MakeWindow", "HoldInstanceLock", "ShowCursor", "Move", "Show", "SetTopmost"})
      EXPECT_TRUE(CallsStartingWith(p, call).empty()) << call;
    EXPECT_EQ(CallsStartingWith(p, "AdoptWindow"), std::vector<std::string>{"AdoptWindow 31457287"});
    if (c.animates) {
      EXPECT_GT(pixelsBefore, 0);
      EXPECT_GT(pixelsAfter, 0);
    } else {
      EXPECT_EQ(pixelsBefore, 0);
    }
  }
}

TEST(HostedSaver, ANewSizeStartsANewSwarmForIt) {
  MemoryPlatform p;
  p.foreignRects[kHost] = PixelRect{0, 0, 640, 480};
  HostedSaver saver(p, 200);
  p.onDoEvents = [&](long n) {
    if (n == 1000) p.ResizeForeignWindow(kHost, 640, 480);  // moved, same size: goes on
    if (n == 2000) p.ResizeForeignWindow(kHost, 300, 900);
    if (n == 3000) p.DestroyForeignWindow(kHost);
  };
  EXPECT_TRUE(saver.Run(kHost));
  EXPECT_EQ(saver.starts(), 2);
  EXPECT_EQ(saver.swarm()->ScreenW, 300);
  EXPECT_EQ(saver.swarm()->ScreenH, 900);
  EXPECT_EQ(saver.swarm()->LastParticle, 200);
}

TEST(HostedSaver, AHandleThatNamesNoWindowIsReportedOnce) {
  MemoryPlatform p;
  int code = -1;
  RunOutcome out = RunUntilEnd([&] { code = RunHostedSaver(p, 0x42, std::nullopt); });
  EXPECT_FALSE(out.processEnded);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(p.fatalReports, std::vector<std::string>{"no window 0x42 to draw into"});
  EXPECT_EQ(p.doEventsCount, 0);
}

}  // namespace
}  // namespace kal
