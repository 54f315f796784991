// A window system whose loop is the shared one (platform/EventLoop.h) over
// its own primitives: the loop's calls of the interface, written once. A
// backend derives from it, supplies the EventSource primitives and the rest
// of WindowSystem; the clock is the steady clock unless it says otherwise.
#pragma once

#include <functional>
#include <utility>

#include "platform/EventLoop.h"
#include "platform/WindowSystem.h"

namespace kal {

class LoopWindowSystem : public WindowSystem, protected EventSource {
 public:
  void DoEvents() override { loop_.DoEvents(); }
  void RunMessageLoop() override { loop_.RunMessageLoop(); }
  void WaitUntil(TimePoint deadline) override { loop_.WaitUntil(deadline); }
  TimePoint Now() override { return Clock::now(); }  // also the loop's clock
  int SetTimer(Clock::duration interval, std::function<void()> tick) override {
    return loop_.SetTimer(interval, std::move(tick));
  }
  void KillTimer(int id) override { loop_.KillTimer(id); }
  void RunModalLoop(const std::function<bool()>& done) override { loop_.RunModalLoop(done); }

 protected:
  LoopWindowSystem() = default;
  EventLoop loop_{*this};
};

}  // namespace kal
