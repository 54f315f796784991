#include "saver/CoverWindows.h"

#include <gtest/gtest.h>

#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/RunForTest.h"
#include "startup/Run.h"
#include "startup/Sorvin_B.h"

namespace kal {
namespace {

using Kind = ScriptedInput::Kind;

// The primary right of a monitor at the origin, one monitor below each, and
// a mirror of the primary's corner, which must stay uncovered.
const std::vector<PixelRect> kDesk = {{1280, 0, 2304, 768},
                                      {0, 0, 1280, 1024},
                                      {0, 1024, 1280, 2048},
                                      {1280, 768, 2304, 1536},
                                      {1280, 0, 1920, 480}};

std::vector<PixelRect> Rects(MemoryPlatform& p) {
  std::vector<PixelRect> out;
  for (MemoryWindow* w : p.LoadedWindows()) out.push_back(w->rect());
  return out;
}

TEST(CoverWindows, EveryOtherMonitorIsBlackAndFollowsLayoutChanges) {
  MemoryPlatform p;
  p.commandLine = "/s";
  p.monitors = kDesk;
  struct Step {
    long at;
    std::vector<PixelRect> monitors;
    std::vector<PixelRect> windows;  // the saver window, then the covers
  };
  const std::vector<Step> steps = {
      {2, kDesk, {kDesk[0], kDesk[1], kDesk[2], kDesk[3]}},
      // One unplugged, the primary moved to the origin, another plugged in on the right.
      {3, {{0, 0, 1024, 768}, {1024, 0, 1664, 480}}, {{0, 0, 1024, 768}, {1024, 0, 1664, 480}}},
      // Back to one monitor: no cover left.
      {4, {{0, 0, 800, 600}}, {{0, 0, 800, 600}}},
      {5, kDesk, {kDesk[0], kDesk[1], kDesk[2], kDesk[3]}},
  };
  std::vector<std::vector<PixelRect>> seen;
  p.onDoEvents = [&](long n) {
    seen.push_back(Rects(p));
    for (MemoryWindow* w : p.LoadedWindows()) {
      EXPECT_TRUE(w->visible() && w->topmost()) << n;
      EXPECT_EQ(w->canvas().width(), w->rect().right - w->rect().left) << n;
    }
    for (const Step& s : steps) {
      if (s.at == n) {
        p.monitors = s.monitors;
        p.ScheduleInput(n, {Kind::DisplayChange});
      }
    }
  };
  p.ScheduleInput(6, {Kind::KeyDown, 65});
  RunOutcome out = RunUntilEnd([&] { RunProgram(p); });
  ASSERT_TRUE(out.processEnded);
  ASSERT_GE(seen.size(), 6u);
  // What each change left, seen by the next DoEvents.
  for (const Step& s : steps) EXPECT_EQ(seen[static_cast<std::size_t>(s.at)], s.windows) << s.at;
}

TEST(CoverWindows, InputOnACoverEndsTheSaverByTheSameRulesInTheSaversCoordinates) {
  // Window 0 is the saver's (kDesk[0]); window 2 covers kDesk[2], 1280 left and 1024 down.
  struct In {
    int window;
    ScriptedInput input;
  };
  struct Case {
    const char* commandLine;
    std::vector<In> inputs;  // delivered by DoEvents 2, 3, ...
    long endsAt;             // 0: still running
  };
  const std::vector<Case> cases = {
      {"/s", {{2, {Kind::MouseDown, 1, 5, 5}}}, 2},
      {"/s", {{2, {Kind::KeyDown, 65}}}, 2},
      {"/s", {{2, {Kind::Close}}}, 2},
      {"", {{2, {Kind::MouseDown, 2, 5, 5}}}, 2},
      // The pointer crosses from the saver's monitor to the one below-left at
      // the same saver x: no move in both axes. Then a real move.
      {"/s", {{0, {Kind::MouseMove, 0, 100, 1000}}, {2, {Kind::MouseMove, 0, 1380, 10}}}, 0},
      {"/s",
       {{0, {Kind::MouseMove, 0, 100, 1000}},
        {2, {Kind::MouseMove, 0, 1380, 10}},
        {2, {Kind::MouseMove, 0, 1400, 50}}},
       4},
      // The first move may come from a cover, too.
      {"/s", {{2, {Kind::MouseMove, 0, 1380, 10}}, {0, {Kind::MouseMove, 0, 100, 2000}}}, 0},
      {"", {{2, {Kind::MouseMove, 0, 1380, 10}}, {2, {Kind::MouseMove, 0, 10, 900}}}, 0},
  };
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    MemoryPlatform p;
    p.commandLine = c.commandLine;
    p.monitors = kDesk;
    p.onDoEvents = [&](long n) {
      if (n != 1) return;
      std::vector<MemoryWindow*> windows = p.LoadedWindows();
      ASSERT_EQ(windows.size(), 4u);
      for (std::size_t i = 0; i < c.inputs.size(); ++i) {
        ScriptedInput in = c.inputs[i].input;
        in.window = windows[static_cast<std::size_t>(c.inputs[i].window)]->handle();
        p.ScheduleInput(static_cast<long>(i) + 2, in);
      }
    };
    p.ScheduleInput(50, {Kind::KeyDown, 65});
    RunOutcome out = RunUntilEnd([&] { RunProgram(p); });
    ASSERT_TRUE(out.processEnded) << k;
    EXPECT_EQ(p.doEventsCount, c.endsAt != 0 ? c.endsAt : 50) << k;
  }
}

}  // namespace
}  // namespace kal
