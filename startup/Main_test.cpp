#include <gtest/gtest.h>

#include <chrono>

#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/RunForTest.h"
#include "startup/Run.h"
#include "startup/SettingsFile.h"
#include "startup/Sorvin_B.h"

namespace kal {
namespace {

const std::string kSaver(kSaverCaption);
const std::string kSettings(kSettingsCaption);

// Runs the whole program; a saver that starts is ended by a key press
// delivered by its first DoEvents (inside the load handler, before any frame).
RunOutcome RunLine(MemoryPlatform& p, const std::string& commandLine) {
  p.commandLine = commandLine;
  // The settings dialog's loop would wait for input for ever.
  p.loopUntil = p.now + std::chrono::seconds(1);
  p.ScheduleInput(1, {ScriptedInput::Kind::KeyDown, 32});
  return RunUntilEnd([&] { RunProgram(p); });
}

bool StartedSaver(const MemoryPlatform& p) { return IndexOfCall(p, "MakeWindow " + kSaver) >= 0; }

TEST(Main, GuardEndsEveryModeBesideOurOwnWindowsAndAlwaysAsksForBoth) {
  for (const std::string& existing : {kSaver, kSettings}) {
    for (const char* line : {"/s", "/c", "/p 5", "", "/a 1"}) {
      MemoryPlatform p;
      p.foreignWindows = {existing};
      RunOutcome out = RunLine(p, line);
      EXPECT_TRUE(out.processEnded) << line;
      ASSERT_GE(p.calls.size(), 3u);
      EXPECT_EQ(p.calls[0], "FindWindow " + kSaver);
      EXPECT_EQ(p.calls[1], "FindWindow " + kSettings);
      EXPECT_EQ(p.calls[2], "EndProcess 0") << line;
      EXPECT_FALSE(StartedSaver(p));
    }
  }
}

TEST(Main, TheInstanceLockKeepsASecondSaverOrDialogOutButNotThePreview) {
  const struct {
    const char* line;
    bool asks;
  } cases[] = {{"/s", true}, {"", true}, {"/c", true}, {"/p 5", false}, {"/a 1", false}, {"/x", false}};
  for (const auto& c : cases) {
    MemoryPlatform p;
    p.instanceLockHeldElsewhere = true;
    RunOutcome out = RunLine(p, c.line);
    EXPECT_TRUE(out.processEnded) << c.line;
    EXPECT_EQ(IndexOfCall(p, "HoldInstanceLock") >= 0, c.asks) << c.line;
    if (c.asks) {
      EXPECT_EQ(p.calls[IndexOfCall(p, "HoldInstanceLock") + 1], "EndProcess 0") << c.line;
      EXPECT_LT(IndexOfCall(p, "MakeWindow"), 0) << c.line;
    }
  }
}

TEST(Main, AWindowTheSystemRefusesIsReportedNotUsed) {
  for (const char* line : {"/s", "/c"}) {
    MemoryPlatform p;
    p.makeWindowFails = true;
    p.commandLine = line;
    EXPECT_EQ(RunProgram(p), 1) << line;
    EXPECT_EQ(CallsStartingWith(p, "ReportFatal Run-time error '7'").size(), 1u) << line;
  }
}

TEST(Main, TheCountIsLoadedInEveryModeEvenOnesThatEndAtOnce) {
  for (const char* line : {"/a 5", "/x 5", "s", "/p 1", "/c", "/s", ""}) {
    MemoryPlatform p;
    RunLine(p, line);
    long read = IndexOfCall(p, "ReadFile C:\\Program Files\\Kalvessa\\Kalvessa.ini");
    EXPECT_EQ(read, 2) << line;  // right after the guard
  }
}

TEST(Main, SaverSwitchesHideTheCursorAndLoadTheSaver) {
  for (const char* line : {"/s", "-S", "xs", "/sfoo", "/S 99"}) {
    MemoryPlatform p;
    RunOutcome out = RunLine(p, line);
    EXPECT_TRUE(out.processEnded);
    long hide = IndexOfCall(p, "ShowCursor 0");
    ASSERT_GE(hide, 0) << line;
    EXPECT_LT(hide, IndexOfCall(p, "MakeWindow " + kSaver)) << line;
  }
}

TEST(Main, EmptyCommandLineIsATestRunWithTheCursorVisible) {
  MemoryPlatform p;
  RunOutcome out = RunLine(p, "");
  EXPECT_TRUE(out.processEnded);
  EXPECT_TRUE(StartedSaver(p));
  EXPECT_TRUE(CallsStartingWith(p, "ShowCursor").empty());
}

TEST(Main, OtherSwitchesEndAtOnceWithoutAWindow) {
  for (const char* line : {"s", "/x 5", "/", "  ", "/q", "/\xE3\x81\x82"}) {
    MemoryPlatform p;
    RunOutcome out = RunLine(p, line);
    EXPECT_TRUE(out.processEnded) << line;
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_FALSE(StartedSaver(p)) << line;
    EXPECT_TRUE(CallsStartingWith(p, "ShowCursor").empty()) << line;
  }
}

TEST(Main, PasswordChangeOnlyOnTheConsumerPlatform) {
  MemoryPlatform nt;
  EXPECT_TRUE(RunLine(nt, "/a 1234").processEnded);
  EXPECT_TRUE(CallsStartingWith(nt, "PwdChangePassword").empty());

  MemoryPlatform consumer;
  consumer.version.platformId = 1;
  EXPECT_TRUE(RunLine(consumer, "/a 1234").processEnded);
  EXPECT_EQ(CallsStartingWith(consumer, "PwdChangePassword"),
            std::vector<std::string>{"PwdChangePassword 1234"});

  MemoryPlatform blanks;
  blanks.version.platformId = 1;
  RunLine(blanks, "/a  77 ");
  EXPECT_EQ(CallsStartingWith(blanks, "PwdChangePassword"), std::vector<std::string>{"PwdChangePassword 77"});
}

TEST(Main, AMalformedOwnerHandleIsReportedBeforeThePasswordServiceIsCalled) {
  for (const char* line : {"/a", "/a x12", "/a 12x"}) {
    MemoryPlatform p;
    p.version.platformId = 1;
    p.commandLine = line;
    int rc = 0;
    RunOutcome out = RunUntilEnd([&] { rc = RunProgram(p); });
    EXPECT_FALSE(out.processEnded) << line;
    EXPECT_EQ(rc, 1) << line;
    ASSERT_EQ(p.fatalReports.size(), 1u) << line;
    EXPECT_NE(p.fatalReports[0].find("Type mismatch"), std::string::npos);
    EXPECT_TRUE(CallsStartingWith(p, "PwdChangePassword").empty());
  }
}

TEST(Main, PreviewHandleThatNamesNoWindowEndsQuietlyWithoutAWindow) {
  // Too large for a handle, zero, missing, no number, or no such window.
  for (const char* line : {"/p 99999999999", "/p 4294967296", "/p 0", "/p", "/p abc", "/p 77"}) {
    MemoryPlatform p;
    p.commandLine = line;
    int rc = -1;
    RunOutcome out = RunUntilEnd([&] { rc = RunProgram(p); });
    EXPECT_TRUE(out.processEnded) << line;
    EXPECT_EQ(out.exitCode, 0) << line;
    EXPECT_TRUE(p.fatalReports.empty()) << line;
    EXPECT_TRUE(CallsStartingWith(p, "MakeWindow").empty()) << line;
  }
}

TEST(IsWindowsNT, TrueOnlyForASuccessfulCallNamingNT) {
  MemoryPlatform p;
  Sorvin_B b(p);
  EXPECT_EQ(b.IsWindowsNT(), True);
  p.version.platformId = 1;
  EXPECT_EQ(b.IsWindowsNT(), False);
  p.version.platformId = 2;
  p.versionCallSucceeds = false;
  EXPECT_EQ(b.IsWindowsNT(), False);
}

TEST(SystemServices, SaverRunningFlagIsTheComplementOfTheTruthValue) {
  MemoryPlatform p;
  Sorvin_B b(p);
  b.SetScreenSaverRunning(True);
  b.SetScreenSaverRunning(False);
  EXPECT_EQ(CallsStartingWith(p, "SystemParametersInfo"),
            (std::vector<std::string>{"SystemParametersInfo 97 0", "SystemParametersInfo 97 -1"}));
}

TEST(SystemServices, ZoomRunsBetweenThePointAndTheWindow) {
  MemoryPlatform p;
  p.foreignRects[0x77] = {100, 50, 625, 358};
  Sorvin_B b(p);
  b.ZoomRectIn(0x77);
  b.ZoomX = 1023;
  b.ZoomY = 767;
  b.ZoomRectOut(0x77);
  b.ZoomRectIn(0x99);  // no such window: a zero rectangle
  EXPECT_EQ(CallsStartingWith(p, "DrawAnimatedRects"),
            (std::vector<std::string>{"DrawAnimatedRects 119 3 0,0,0,0 100,50,625,358",
                                      "DrawAnimatedRects 119 3 100,50,625,358 1023,767,1023,767",
                                      "DrawAnimatedRects 153 3 1023,767,1023,767 0,0,0,0"}));
}

}  // namespace
}  // namespace kal
