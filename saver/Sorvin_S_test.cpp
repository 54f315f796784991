#include "saver/Sorvin_S.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/Errors.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/RunForTest.h"
#include "saver/FramePacer.h"
#include "startup/Run.h"
#include "startup/SettingsFile.h"
#include "startup/Sorvin_B.h"

namespace kal {
namespace {

using Kind = ScriptedInput::Kind;
const std::string kSaver(kSaverCaption);

ScriptedInput Move(float x, float y) { return {Kind::MouseMove, 0, x, y}; }
ScriptedInput Key() { return {Kind::KeyDown, 65}; }
ScriptedInput Click() { return {Kind::MouseDown, 1, 5, 5}; }

void SetCount(MemoryPlatform& p, const std::string& value) {
  p.files[MemoryPlatform::NormalizePath(p.appPath + "\\Kalvessa.ini")] =
      "[Section]\r\n" + std::string(kSettingsKey) + "=" + value + "\r\n";
}

// Runs the program with the given command line; returns the DoEvents number
// during which the process ended (0 if it did not end).
long RunSaver(MemoryPlatform& p, const std::string& commandLine) {
  p.commandLine = commandLine;
  RunOutcome out = RunUntilEnd([&] { RunProgram(p); });
  return out.processEnded ? p.doEventsCount : 0;
}

TEST(ScreenPixels, SameScreenAtFifteenAndTwelveTwipsPerPixel) {
  EXPECT_EQ(ScreenPixels(1024 * 15.0f, 15), 1024);
  EXPECT_EQ(ScreenPixels(768 * 15.0f, 15), 768);
  EXPECT_EQ(ScreenPixels(1024 * 12.0f, 12), 1024);
  EXPECT_EQ(ScreenPixels(768 * 12.0f, 12), 768);
  EXPECT_EQ(ScreenPixels(2.5f, 1), 2);
  EXPECT_THROW(ScreenPixels(40000 * 15.0f, 15), RuntimeError);
}

TEST(SaverWindow, CoversTheScreenIsShownTopmostAndPaintedBeforeTheFirstFrame) {
  for (float tpp : {15.0f, 12.0f}) {
    MemoryPlatform p;
    p.screen = {1024, 768, tpp, tpp};
    p.onDoEvents = [&](long n) {
      if (n != 1) return;
      MemoryWindow* w = p.FindLoaded(kSaver);
      ASSERT_NE(w, nullptr);
      // The window itself is the screen's size, not fifteen times larger.
      EXPECT_EQ(w->rect(), (PixelRect{0, 0, 1024, 768}));
      EXPECT_EQ(w->canvas().width(), 1024);
      EXPECT_EQ(w->canvas().height(), 768);
      EXPECT_TRUE(w->visible());
      EXPECT_TRUE(w->topmost());
      EXPECT_FALSE(w->desc().border);
      EXPECT_TRUE(w->desc().keyPreview);
    };
    p.ScheduleInput(1, Key());
    EXPECT_EQ(RunSaver(p, "/s"), 1);
    long make = IndexOfCall(p, "MakeWindow " + kSaver);
    ASSERT_GE(make, 0);
    EXPECT_EQ(p.calls[make + 1], "Move 0 0 1024 768");
    EXPECT_EQ(p.calls[make + 2], "SetNormalState");
    EXPECT_EQ(p.calls[make + 3], "Show");
    EXPECT_EQ(p.calls[make + 4], "SetTopmost");
  }
}

TEST(SaverExit, EndingOrderForTheSaverSwitch) {
  MemoryPlatform p;
  p.ScheduleInput(50, Key());
  EXPECT_EQ(RunSaver(p, "/s"), 50);
  std::vector<std::string> tail(p.calls.end() - 5, p.calls.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{"SystemParametersInfo 97 0", "ShowCursor 1",
                                      "SystemParametersInfo 17 1", "Unload " + kSaver, "EndProcess 0"}));
  EXPECT_EQ(p.cursorCount, 0);  // hidden at the start, shown again at the end
}

TEST(SaverExit, ClickAndKeyEndTheTestRunWithoutTouchingTheCursor) {
  for (ScriptedInput in : {Key(), Click()}) {
    MemoryPlatform p;
    p.ScheduleInput(30, in);
    EXPECT_EQ(RunSaver(p, ""), 30);
    EXPECT_TRUE(CallsStartingWith(p, "ShowCursor").empty());
    EXPECT_TRUE(CallsStartingWith(p, "SystemParametersInfo 97").empty());
    EXPECT_EQ(CallsStartingWith(p, "SystemParametersInfo 17"),
              std::vector<std::string>{"SystemParametersInfo 17 1"});
  }
}

TEST(SaverExit, TheTestRunIgnoresEveryMouseMove) {
  MemoryPlatform p;
  p.ScheduleInput(1, Move(10, 10));
  p.ScheduleInput(2, Move(200, 300));
  p.ScheduleInput(3, Move(400, 10));
  p.ScheduleInput(40, Key());
  EXPECT_EQ(RunSaver(p, ""), 40);
}

TEST(SaverExit, FirstMoveRecordsThenOnlyAMoveInBothAxesEnds) {
  MemoryPlatform p;
  // The move every window gets as it appears under a resting pointer.
  p.ScheduleInput(1, Move(512, 384));
  p.ScheduleInput(5, Move(600, 384));  // horizontal only
  p.ScheduleInput(6, Move(512, 100));  // vertical only
  p.ScheduleInput(7, Move(600, 384));  // still horizontal only against the first position
  p.ScheduleInput(9, Move(512.5f, 384.5f));
  EXPECT_EQ(RunSaver(p, "/s"), 9);
}

TEST(SaverExit, ConsumerPlatformAsksForThePasswordAndARefusalGoesOn) {
  MemoryPlatform p;
  p.version.platformId = 1;
  p.passwordAnswer = false;
  p.ScheduleInput(1, Move(10, 10));
  p.ScheduleInput(2, Move(20, 20));  // refused: the animation goes on
  p.ScheduleInput(3, Move(30, 30));  // recorded afresh, not an exit
  p.ScheduleInput(4, Move(40, 40));  // refused again
  p.ScheduleInput(10, Key());        // accepted
  p.onDoEvents = [&](long n) {
    if (n == 10) p.passwordAnswer = true;
  };
  EXPECT_EQ(RunSaver(p, "/s"), 10);
  EXPECT_EQ(CallsStartingWith(p, "VerifyScreenSavePwd").size(), 3u);
  // Refusals: shown for the dialog, hidden again; the end leaves it shown.
  long firstVerify = IndexOfCall(p, CallsStartingWith(p, "VerifyScreenSavePwd")[0]);
  EXPECT_EQ(p.calls[firstVerify - 1], "ShowCursor 1");
  EXPECT_EQ(p.calls[firstVerify + 1], "ShowCursor 0");
  EXPECT_EQ(p.cursorCount, 1);  // shown for the accepted dialog and once more on the way out
  EXPECT_EQ(p.calls.back(), "EndProcess 0");
}

TEST(SaverExit, WithoutAPasswordServiceTheFirstInputEnds) {
  // The consumer platform without its service, and NT whose version query
  // failed (so it looks like the consumer platform): nothing to check.
  for (bool versionFails : {false, true}) {
    MemoryPlatform p;
    p.version.platformId = versionFails ? 2 : 1;
    p.versionCallSucceeds = !versionFails;
    p.passwordAnswer = std::nullopt;
    p.ScheduleInput(3, Key());
    EXPECT_EQ(RunSaver(p, "/s"), 3) << versionFails;
    EXPECT_EQ(CallsStartingWith(p, "VerifyScreenSavePwd").size(), 1u);
  }
}

TEST(SaverExit, ACloseRequestEndsTheSaverUnderThePasswordRule) {
  // NT: it ends at once. The consumer platform: a refused password keeps the
  // saver running (Alt+F4 is no way past it); an accepted one ends it.
  for (int platformId : {2, 1}) {
    MemoryPlatform p;
    p.version.platformId = platformId;
    p.passwordAnswer = false;
    p.ScheduleInput(3, {ScriptedInput::Kind::Close});
    p.ScheduleInput(9, Key());
    p.onDoEvents = [&](long n) {
      if (n == 9) p.passwordAnswer = true;
    };
    EXPECT_EQ(RunSaver(p, "/s"), platformId == 2 ? 3 : 9) << platformId;
    EXPECT_EQ(p.calls.back(), "EndProcess 0");
  }
}

TEST(SaverExit, NoPasswordCheckForTheTestRunEvenOnTheConsumerPlatform) {
  MemoryPlatform p;
  p.version.platformId = 1;
  p.passwordAnswer = false;
  p.ScheduleInput(3, Key());
  EXPECT_EQ(RunSaver(p, ""), 3);
  EXPECT_TRUE(CallsStartingWith(p, "VerifyScreenSavePwd").empty());
}

TEST(SaverAnimation, CountsOutsideTheStoreStopBeforeDrawingAndInputStillEnds) {
  for (const char* count : {"521", "-1"}) {
    MemoryPlatform p;
    SetCount(p, count);
    p.ScheduleInput(1000000, Key());  // only the message loop can deliver it
    p.commandLine = "/s";
    bool blackWhenLoopStopped = false;
    RunOutcome out = RunUntilEnd([&] {
      Sorvin_B b(p);
      b.Main();  // returns: the animation stopped inside the load handler
      MemoryWindow* w = p.FindLoaded(kSaver);
      ASSERT_NE(w, nullptr);
      blackWhenLoopStopped = true;
      for (int y = 0; y < w->canvas().height(); ++y)
        for (int x = 0; x < w->canvas().width(); ++x)
          if (w->canvas().At(x, y) != Rgb(0, 0, 0)) blackWhenLoopStopped = false;
      p.RunMessageLoop();
    });
    EXPECT_TRUE(out.processEnded) << count;
    EXPECT_TRUE(blackWhenLoopStopped) << count;
    EXPECT_LE(p.doEventsCount, 1) << count;  // only the load handler's own yield
    EXPECT_EQ(p.calls.back(), "EndProcess 0");
  }
}

TEST(SaverAnimation, DrawsOnlyTrailColoursAndIsPacedBetweenBatches) {
  MemoryPlatform p;
  p.screen = {320, 200, 15, 15};
  std::set<Color> colours;
  p.onDoEvents = [&](long n) {
    if (n != 20000) return;
    Canvas& c = p.FindLoaded(kSaver)->canvas();
    for (int y = 0; y < c.height(); ++y)
      for (int x = 0; x < c.width(); ++x) colours.insert(c.At(x, y));
  };
  p.ScheduleInput(20001, Key());
  EXPECT_EQ(RunSaver(p, "/s"), 20001);
  EXPECT_TRUE(colours.count(Rgb(0, 0, 0)));
  EXPECT_TRUE(colours.count(Rgb(250, 250, 0)));
  for (Color c : colours) {
    bool trail = c == Rgb(0, 0, 0) || (BlueOf(c) == 0 && RedOf(c) >= 160 && GreenOf(c) >= 80);
    EXPECT_TRUE(trail) << std::hex << c;
  }
  // 20000 frames after the load handler's yield, paced: the fake clock moved
  // on by about 20000 / 6000 seconds and the pacer slept between batches.
  double seconds = std::chrono::duration<double>(p.now.time_since_epoch()).count();
  EXPECT_NEAR(seconds, 20000.0 / 6000.0, 0.05);
  EXPECT_GT(p.waits, 150);
}

// While nothing drawn can be seen (the display powered down, the window
// hidden) no frame runs and the saver sleeps, looking again once a second;
// input still ends it at once, and afterwards it goes on at its pace without
// making up for the rest.
TEST(SaverRest, NoFramesWhileNothingIsShownInputStillEndsItAndNoBurstAfter) {
  using std::chrono::seconds;
  const TimePoint restFrom = TimePoint{} + seconds(1), restTo = TimePoint{} + seconds(31);
  for (const TimePoint keyAt : {TimePoint{} + seconds(6), TimePoint{} + seconds(33)}) {
    MemoryPlatform p;
    std::vector<TimePoint> frames;  // when each DoEvents ran: one after every frame, and one per look
    p.onDoEvents = [&](long) {
      frames.push_back(p.now);
      p.presenting = p.now < restFrom || p.now >= restTo;
    };
    p.ScheduleInputAt(keyAt, Key());
    EXPECT_GT(RunSaver(p, "/s"), 0);
    auto between = [&](TimePoint a, TimePoint b) {
      return std::count_if(frames.begin(), frames.end(), [&](TimePoint t) { return t >= a && t < b; });
    };
    const long batch = kDesignFramesPerSecond / kPacerBatchesPerSecond;
    // A batch may be under way as the rest begins; then only looks.
    EXPECT_LE(between(restFrom + seconds(1), std::min(keyAt, restTo)), 32);
    if (keyAt < restTo) {
      // The key ends the resting saver when it arrives.
      EXPECT_EQ(p.now, keyAt);
    } else {
      EXPECT_GE(between(restTo + seconds(1), restTo + seconds(2)), kDesignFramesPerSecond - batch);
      EXPECT_LE(between(restTo, restTo + seconds(1)), kDesignFramesPerSecond + 2 * batch);
    }
  }
}

// Outputs may go while nothing is shown (a compositor that stopped asking
// for frames): the covers follow, the swarm moves to another output and
// starts afresh at its size, and still nothing is drawn until frames are
// asked for again; then the swarm runs there.
TEST(SaverRest, OutputsGoingWhileNothingIsShownDrawNothingAndTheSwarmMovesToAnother) {
  using std::chrono::seconds;
  const TimePoint start{}, restFrom = start + seconds(1), restTo = start + seconds(21);
  const PixelRect a{0, 0, 640, 480}, b{640, 0, 1440, 600}, c{1440, 0, 2240, 600};
  // The swarm's output gone: the other at the origin, as the Wayland backend lays them out.
  const PixelRect bAlone{0, 0, 800, 600};
  MemoryPlatform p;
  p.monitors = {a, b, c};
  p.ScheduleInputAt(start + seconds(3), {Kind::DisplayChange});
  p.ScheduleInputAt(start + seconds(6), {Kind::DisplayChange});
  p.ScheduleInputAt(start + seconds(24), Key());
  long restLooks = 0;
  bool drewWhileResting = false, drewAfter = false;
  std::vector<PixelRect> afterC, afterA;
  auto anyColour = [](const Canvas& canvas) {
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x)
        if (canvas.At(x, y) != Rgb(0, 0, 0)) return true;
    return false;
  };
  p.onDoEvents = [&](long) {
    p.presenting = p.now < restFrom || p.now >= restTo;
    if (p.now >= start + seconds(3) && p.monitors.size() == 3) p.monitors = {a, b};
    if (p.now >= start + seconds(6) && p.monitors.size() == 2) p.monitors = {bAlone};
    const std::vector<MemoryWindow*> windows = p.LoadedWindows();
    if (p.now >= start + seconds(4) && afterC.empty())
      for (MemoryWindow* w : windows) afterC.push_back(w->rect());
    if (p.now >= start + seconds(7) && afterA.empty())
      for (MemoryWindow* w : windows) afterA.push_back(w->rect());
    MemoryWindow* saver = p.FindLoaded(kSaver);
    if (saver == nullptr) return;
    if (p.now >= restFrom + seconds(1) && p.now < restTo) {
      ++restLooks;
      // The restart at 6 s leaves the window black; no frame may draw on it.
      if (p.now >= start + seconds(7) && anyColour(saver->canvas())) drewWhileResting = true;
    }
    if (p.now >= restTo + seconds(2) && !drewAfter) drewAfter = anyColour(saver->canvas());
  };
  EXPECT_GT(RunSaver(p, "/s"), 0);
  EXPECT_EQ(p.now, start + seconds(24));
  EXPECT_EQ(afterC, (std::vector<PixelRect>{a, b}));
  EXPECT_EQ(afterA, std::vector<PixelRect>{bAlone});
  // About one look a second, and the two changes' deliveries.
  EXPECT_LE(restLooks, 40);
  EXPECT_FALSE(drewWhileResting);
  EXPECT_TRUE(drewAfter);
  EXPECT_EQ(p.FindLoaded(kSaver), nullptr);
}

}  // namespace
}  // namespace kal
