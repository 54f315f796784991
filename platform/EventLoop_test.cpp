// The shared event loop on the memory backend's fake clock: timers, waits,
// pushes and the modal loop, whichever call drives the loop.
#include "platform/EventLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/MemoryPlatform.h"

namespace kal {
namespace {

using namespace std::chrono_literals;

const TimePoint kStart = TimePoint() + 1000s;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
// Milliseconds since kStart.
double Ms(TimePoint t) { return Ms(t - kStart); }

class Keys final : public WindowHandler {
 public:
  void OnKeyDown(int keyCode, int) override {
    keys.push_back(keyCode);
    if (onKey) onKey();
  }
  std::vector<int> keys;
  std::function<void()> onKey;
};

// A platform at kStart with one shown window. A message loop that missed its
// end stops a minute later.
struct Desk {
  Desk() {
    p.now = kStart;
    p.loopUntil = kStart + 60s;
    WindowDesc desc;
    desc.caption = "w";
    window = p.MakeWindow(desc, keys);
    window->Move(0, 0, 64, 64);
    window->Show();
  }
  MemoryWindow& w() { return static_cast<MemoryWindow&>(*window); }
  void Draw() {
    window->Display().Circle(10, 10, 1, Rgb(250, 250, 0));
    lastDraw = p.now;
  }

  MemoryPlatform p;
  TimePoint lastDraw{};
  Keys keys;
  std::unique_ptr<PlatformWindow> window;
};

const ScriptedInput kKey{ScriptedInput::Kind::KeyDown, 65};

TEST(EventLoopTimers, TickOnAnAbsoluteScheduleWhicheverCallRunsTheLoop) {
  enum Driver { Modal, Message, Wait, Yield };
  struct Case {
    Driver driver;
    Clock::duration interval;
    Clock::duration tickCost;  // the fake clock moves on by this inside each tick
    Clock::duration step;      // Yield: the time between two DoEvents
  };
  const Case cases[] = {
      {Modal, 1ms, 0ms, {}}, {Modal, 16667us, 5ms, {}}, {Message, 10ms, 9ms, {}}, {Wait, 7ms, 3ms, {}},
      {Wait, 1ms, 0ms, {}},  {Yield, 10ms, 2ms, 300us}, {Yield, 1ms, 0ms, 70us},
  };
  constexpr int kTicks = 1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "driver " << c.driver << ", interval " << Ms(c.interval) << " ms");
    Desk d;
    std::vector<TimePoint> at;
    const int id = d.p.SetTimer(c.interval, [&] {
      at.push_back(d.p.now);
      d.p.now += c.tickCost;
    });
    EXPECT_GT(id, 0);
    auto done = [&] { return at.size() >= std::size_t{kTicks}; };
    switch (c.driver) {
      case Modal:
        d.p.RunModalLoop(done);
        break;
      case Message:
        d.p.loopUntil = kStart + kTicks * c.interval + c.interval / 2;
        d.p.RunMessageLoop();
        break;
      case Wait:
        while (!done()) {
          const std::size_t before = at.size();
          d.p.WaitUntil(d.p.now + 1h);
          ASSERT_EQ(at.size(), before + 1) << "a wait ends with the tick it woke for";
        }
        break;
      case Yield:
        while (!done() && d.p.now < kStart + (kTicks + 1) * c.interval) {
          d.p.now += c.step;
          d.p.DoEvents();
        }
        break;
    }
    ASSERT_EQ(at.size(), std::size_t{kTicks});
    // Tick k is due at kStart + k intervals however late the ones before ran;
    // a sleeping loop wakes exactly then, a yielding one at its next DoEvents.
    const Clock::duration slack = c.driver == Yield ? c.step : Clock::duration(1);
    for (int k = 0; k < kTicks; ++k) {
      const Clock::duration late = at[static_cast<std::size_t>(k)] - (kStart + (k + 1) * c.interval);
      ASSERT_GE(late, Clock::duration::zero()) << "tick " << k + 1;
      ASSERT_LT(late, slack) << "tick " << k + 1;
    }
    // A sleeping loop sleeps once per tick, however short the interval.
    if (c.driver != Yield) {
      EXPECT_LE(d.p.sleeps, kTicks + 1);
    }
  }
}

TEST(EventLoopTimers, ANonPositiveIntervalIsRefused) {
  for (Clock::duration interval : {Clock::duration::zero(), Clock::duration(-1ms)}) {
    MemoryPlatform p;
    EXPECT_THROW(p.SetTimer(interval, [] {}), std::invalid_argument);
  }
}

TEST(EventLoopTimers, AfterAStallOneLateTickRunsAndTheScheduleStartsAgain) {
  // A 10 ms timer whose third tick (at 30 ms) blocks for `stall`.
  struct Case {
    Clock::duration stall;
    std::vector<double> ticksMs;
  };
  const Case cases[] = {
      {4ms, {10, 20, 30, 40, 50, 60}},           // still in time for the next
      {10ms, {10, 20, 30, 40, 50, 60}},          // just in time
      {12ms, {10, 20, 30, 42, 50, 60}},          // one late tick, the grid holds
      {20ms, {10, 20, 30, 50, 60, 70}},          // the tick due at 50 would run twice
      {25ms, {10, 20, 30, 55, 65, 75}},          // a whole interval lost
      {1000ms, {10, 20, 30, 1030, 1040, 1050}},  // no burst of 100 ticks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Ms(c.stall));
    Desk d;
    std::vector<double> ticks;
    d.p.SetTimer(10ms, [&] {
      ticks.push_back(Ms(d.p.now));
      if (ticks.size() == 3) d.p.now += c.stall;
    });
    d.p.RunModalLoop([&] { return ticks.size() >= c.ticksMs.size(); });
    EXPECT_EQ(ticks, c.ticksMs);
  }
}

TEST(EventLoopTimers, TicksMaySetAndKillTimersUnloadWindowsOrEndTheProcess) {
  struct Case {
    const char* what;
    // Sets the timers; their ticks append "name@ms" to the log.
    std::function<void(Desk&, std::vector<std::string>& log)> setUp;
    std::vector<std::string> log;
  };
  auto note = [](Desk& d, std::vector<std::string>& log, const std::string& name) {
    log.push_back(name + "@" + std::to_string(static_cast<long>(Ms(d.p.now))));
  };
  const Case cases[] = {
      {"kills itself on its third tick",
       [&](Desk& d, std::vector<std::string>& log) {
         auto id = std::make_shared<int>();
         auto n = std::make_shared<int>(0);
         *id = d.p.SetTimer(10ms, [&d, &log, &note, id, n] {
           note(d, log, "A");
           if (++*n < 3) return;
           d.p.KillTimer(*id);
           note(d, log, "killed");  // the tick still has what it captured
         });
       },
       {"A@10", "A@20", "A@30", "killed@30"}},
      {"kills another that is due at the same time",
       [&](Desk& d, std::vector<std::string>& log) {
         auto b = std::make_shared<int>();
         d.p.SetTimer(10ms, [&d, &log, &note, b] {
           note(d, log, "A");
           d.p.KillTimer(*b);
         });
         *b = d.p.SetTimer(10ms, [&d, &log, &note] { note(d, log, "B"); });
       },
       {"A@10", "A@20", "A@30", "A@40"}},
      {"after a stall the late ticks run in the order they were due",
       [&](Desk& d, std::vector<std::string>& log) {
         d.p.loopUntil = kStart + 30ms;
         d.p.SetTimer(10ms, [&d, &log, &note] { note(d, log, "A"); });
         d.p.SetTimer(4ms, [&d, &log, &note] { note(d, log, "B"); });
         auto s = std::make_shared<int>();
         *s = d.p.SetTimer(3ms, [&d, &log, &note, s] {
           note(d, log, "S");
           d.p.KillTimer(*s);
           d.p.now += 20ms;
         });
       },
       {"S@3", "B@23", "A@23", "B@27"}},
      {"sets a one-shot timer",
       [&](Desk& d, std::vector<std::string>& log) {
         d.p.SetTimer(20ms, [&d, &log, &note] {
           note(d, log, "A");
           if (log.size() > 1) return;
           auto c = std::make_shared<int>();
           *c = d.p.SetTimer(5ms, [&d, &log, &note, c] {
             note(d, log, "C");
             d.p.KillTimer(*c);
           });
         });
       },
       {"A@20", "C@25", "A@40"}},
      {"unloads the last window: the loop ends",
       [&](Desk& d, std::vector<std::string>& log) {
         d.p.SetTimer(10ms, [&d, &log, &note] {
           note(d, log, "A");
           if (log.size() == 2) d.window->Unload();
         });
       },
       {"A@10", "A@20"}},
      {"ends the process: the loop runs on afterwards",
       [&](Desk& d, std::vector<std::string>& log) {
         d.p.SetTimer(10ms, [&d, &log, &note] {
           note(d, log, "A");
           if (log.size() == 2) d.p.EndProcess(3);
         });
       },
       {"A@10", "A@20", "ended 3", "A@30", "A@40"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Desk d;
    d.p.loopUntil = kStart + 45ms;  // unless the case says otherwise
    std::vector<std::string> log;
    c.setUp(d, log);
    try {
      d.p.RunModalLoop([] { return false; });
    } catch (const ProcessEnded& e) {
      log.push_back("ended " + std::to_string(e.exitCode));
      d.p.RunModalLoop([] { return false; });
    }
    EXPECT_EQ(log, c.log);
  }
}

TEST(EventLoopWaits, WakeForTheNextTimerAndAtOnceOnInput) {
  struct Case {
    const char* what;
    bool modal;  // RunModalLoop until a key arrives, else one WaitUntil(deadline)
    Clock::duration interval;
    std::optional<Clock::duration> inputAt;  // input arriving then
    bool inputWaiting;                       // input the next DoEvents delivers
    Clock::duration deadline;
    double returnMs;
    std::size_t ticks;
  };
  const Case cases[] = {
      {"a timer due before the deadline", false, 30ms, {}, false, 100ms, 30, 1},
      {"a timer due after the deadline", false, 150ms, {}, false, 100ms, 100, 0},
      {"input before the timer", false, 30ms, 20ms, false, 100ms, 20, 0},
      {"input already waiting", false, 30ms, {}, true, 100ms, 0, 0},
      {"a deadline already past", false, 30ms, {}, false, -5ms, 0, 0},
      {"the modal loop sleeps between ticks and wakes on input", true, 10ms, 45ms, false, {}, 45, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Desk d;
    std::size_t ticks = 0;
    d.p.SetTimer(c.interval, [&] { ++ticks; });
    if (c.inputAt) d.p.ScheduleInputAt(kStart + *c.inputAt, kKey);
    if (c.inputWaiting) d.p.ScheduleInput(1, kKey);
    if (c.modal) {
      d.p.loopUntil = kStart + 1s;
      d.p.RunModalLoop([&] { return !d.keys.keys.empty(); });
    } else {
      d.p.WaitUntil(kStart + c.deadline);
    }
    EXPECT_EQ(Ms(d.p.now), c.returnMs);
    EXPECT_EQ(ticks, c.ticks);
    // The input that ended the wait is delivered by the next look.
    d.p.DoEvents();
    EXPECT_EQ(d.keys.keys.size(), c.inputAt || c.inputWaiting ? 1u : 0u);
  }
}

TEST(EventLoopPushes, AtMostOncePerRefreshAndDrawingAlwaysReachesTheScreen) {
  struct Case {
    const char* what;
    std::function<void(Desk&)> drawFor1s;
    Clock::duration minGap, maxGap;  // between two pushes while drawing goes on
  };
  const auto batch = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / 60));
  const Case cases[] = {
      {"DoEvents every 0.1 ms",
       [](Desk& d) {
         while (d.p.now < kStart + 1s) {
           d.Draw();
           d.p.now += 100us;
           d.p.DoEvents();
         }
       },
       kRefreshInterval, kRefreshInterval + 100us},
      {"DoEvents every 5 ms",
       [](Desk& d) {
         while (d.p.now < kStart + 1s) {
           d.Draw();
           d.p.now += 5ms;
           d.p.DoEvents();
         }
       },
       kRefreshInterval, 20ms},
      // The pacer: batches of frames, each followed by a wait for the
      // batch's due time; the push rides on that wait.
      {"batches of frames, then a wait",
       [batch](Desk& d) {
         for (int b = 1; b <= 60; ++b) {
           for (int f = 0; f < 100; ++f) {
             d.Draw();
             d.p.DoEvents();
           }
           d.p.WaitUntil(kStart + b * batch);
         }
       },
       kEarlyPushAfter, kRefreshInterval},
      {"a long wait after drawing wakes to push it",
       [](Desk& d) {
         d.Draw();
         d.p.WaitUntil(kStart + 5ms);
         d.Draw();
         d.p.WaitUntil(kStart + 1s);
       },
       kRefreshInterval, kRefreshInterval},
      {"a modal loop drawing from a 1 ms timer",
       [](Desk& d) {
         const int id = d.p.SetTimer(1ms, [&d] { d.Draw(); });
         d.p.RunModalLoop([&d] { return d.p.now >= kStart + 1s; });
         d.p.KillTimer(id);
       },
       kRefreshInterval, kRefreshInterval + 1ms},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Desk d;
    c.drawFor1s(d);
    ASSERT_GE(d.p.pushes.size(), 2u);
    for (std::size_t k = 1; k < d.p.pushes.size(); ++k) {
      const Clock::duration gap = d.p.pushes[k] - d.p.pushes[k - 1];
      EXPECT_GE(gap, c.minGap) << "push " << k;
      EXPECT_LE(gap, c.maxGap) << "push " << k;
    }
    // Once the drawing stops, an idle loop still pushes what is left within a refresh.
    d.p.loopUntil = d.p.now + 1s;
    d.p.RunModalLoop([] { return false; });
    EXPECT_FALSE(d.w().HasChanges());
    EXPECT_GE(d.p.pushes.back(), d.lastDraw);
    EXPECT_LE(d.p.pushes.back() - d.lastDraw, kRefreshInterval);
  }
}

TEST(EventLoopModal, EndsWhenDoneOrWhenNoWindowIsLoaded) {
  struct Case {
    const char* what;
    std::function<void(Desk&, const std::size_t& ticks)> setUp;
    std::function<bool(Desk&, const std::size_t& ticks)> done;
    double returnMs;
    std::size_t ticks, keys;
  };
  const Case cases[] = {
      {"done after a key", [](Desk& d, const std::size_t&) { d.p.ScheduleInputAt(kStart + 35ms, kKey); },
       [](Desk& d, const std::size_t&) { return !d.keys.keys.empty(); }, 35, 3, 1},
      {"done after a tick", [](Desk&, const std::size_t&) {},
       [](Desk&, const std::size_t& ticks) { return ticks == 4; }, 40, 4, 0},
      {"done already: nothing is handled", [](Desk& d, const std::size_t&) { d.p.ScheduleInput(1, kKey); },
       [](Desk&, const std::size_t&) { return true; }, 0, 0, 0},
      {"no window loaded", [](Desk& d, const std::size_t&) { d.window->Unload(); },
       [](Desk&, const std::size_t&) { return false; }, 0, 0, 0},
      {"a key handler unloads the window",
       [](Desk& d, const std::size_t&) {
         d.p.ScheduleInputAt(kStart + 25ms, kKey);
         d.keys.onKey = [&d] { d.window->Unload(); };
       },
       [](Desk&, const std::size_t&) { return false; }, 25, 2, 1},
      // The memory backend's guard: a test without a limit still ends.
      {"a timer that never stops, no limit set",
       [](Desk& d, const std::size_t&) { d.p.loopUntil = TimePoint::max(); },
       [](Desk&, const std::size_t&) { return false; }, 10000, 1000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Desk d;
    d.p.loopUntil = kStart + 1s;  // a loop that missed its end would run to here
    std::size_t ticks = 0;
    d.p.SetTimer(10ms, [&] { ++ticks; });
    c.setUp(d, ticks);
    d.p.RunModalLoop([&] { return c.done(d, ticks); });
    EXPECT_EQ(Ms(d.p.now), c.returnMs);
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(d.keys.keys.size(), c.keys);
  }
}

}  // namespace
}  // namespace kal
