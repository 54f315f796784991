#include "platform/EventLoop.h"

#include <algorithm>
#include <stdexcept>

namespace kal {
namespace {

std::optional<TimePoint> Earlier(std::optional<TimePoint> a, TimePoint b) { return a ? std::min(*a, b) : b; }

}  // namespace

void EventLoop::DoEvents() {
  const TimePoint now = source_.CoarseNow();
  if (!quiet_ || now - lastLook_ >= kQuietLookInterval) {
    lastLook_ = now;
    // Handlers that yield again while this look dispatches look at once.
    quiet_ = false;
    quiet_ = !source_.ReadAndDispatch();
  } else if (source_.DispatchQueued()) {
    quiet_ = false;
  }
  // The saver has no timers: it pays for no precise clock reading here.
  if (!timers_.empty()) RunDueTimers(source_.Now());
  if (PushDue(now)) Push();
}

void EventLoop::WaitUntil(TimePoint deadline) {
  // The pacer waits once per refresh-long batch: push what the batch drew now,
  // before sleeping, rather than waking up again for it a moment later.
  if (source_.AnyChanges() && source_.Now() - lastPush_ >= kEarlyPushAfter) Push();
  bool input = false;
  for (;;) {
    const TimePoint now = source_.Now();
    const bool ticked = RunDueTimers(now);
    if (PushDue(now)) Push();
    if (ticked || input || source_.InputQueued() || now >= deadline) return;
    TimePoint wake = deadline;
    // Changes still waiting for their refresh wake us up in time to push them.
    if (source_.AnyChanges()) wake = std::min(wake, std::max(now, lastPush_ + kRefreshInterval));
    if (std::optional<TimePoint> due = NextDue()) wake = std::min(wake, *due);
    input = Sleep(wake);
  }
}

void EventLoop::RunMessageLoop() { Run(nullptr); }

void EventLoop::RunModalLoop(const std::function<bool()>& done) { Run(&done); }

void EventLoop::Run(const std::function<bool()>* done) {
  auto ended = [&] { return (done != nullptr && (*done)()) || !source_.AnyLoaded(); };
  while (!ended()) {
    const bool found = source_.ReadAndDispatch();
    lastLook_ = source_.CoarseNow();
    quiet_ = !found;
    if (source_.QuitRequested() || ended()) return;
    // Timers and pushes also run while events keep coming.
    const TimePoint now = source_.Now();
    RunDueTimers(now);
    if (PushDue(now)) Push();
    // The handlers may have caused more events: look again before sleeping.
    if (found) continue;
    const std::optional<Clock::duration> lookAgain = source_.CheckWindows();
    if (ended()) return;
    std::optional<TimePoint> wake = NextDue();
    // Drawing left by the handlers still reaches the screen, a refresh after
    // the last push at the latest.
    if (source_.AnyChanges()) wake = Earlier(wake, lastPush_ + kRefreshInterval);
    if (lookAgain) wake = Earlier(wake, now + *lookAgain);
    Sleep(wake);
  }
}

bool EventLoop::Sleep(std::optional<TimePoint> wake) {
  const bool input = source_.SleepUntil(wake);
  // The precise clock is ahead of the coarse one DoEvents reads: the frames
  // right after a quiet sleep, which has just watched the queue, do not look again.
  lastLook_ = source_.Now();
  quiet_ = !input;
  return input;
}

void EventLoop::Push() {
  lastPush_ = source_.Now();  // also when a window had to wait: the next try is a refresh later
  source_.PushChanges();
}

int EventLoop::SetTimer(Clock::duration interval, std::function<void()> tick) {
  if (interval <= Clock::duration::zero()) throw std::invalid_argument("SetTimer: interval must be positive");
  if (!tick) throw std::invalid_argument("SetTimer: no tick");
  const int id = ++lastTimerId_;
  timers_.push_back(Timer{id, interval, source_.Now() + interval,
                          std::make_shared<const std::function<void()>>(std::move(tick)), 0});
  return id;
}

void EventLoop::KillTimer(int id) {
  std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

std::optional<TimePoint> EventLoop::NextDue() const {
  std::optional<TimePoint> due;
  for (const Timer& t : timers_) due = Earlier(due, t.due);
  return due;
}

bool EventLoop::RunDueTimers(TimePoint now) {
  if (timers_.empty()) return false;
  const std::uint64_t round = ++round_;
  bool ran = false;
  for (;;) {
    // Looked up afresh each time: a tick may set and kill timers.
    Timer* next = nullptr;
    for (Timer& t : timers_) {
      if (t.due <= now && t.round != round && (next == nullptr || t.due < next->due)) next = &t;
    }
    if (next == nullptr) return ran;
    next->round = round;
    // The schedule is absolute, so late ticks do not add up to a drift; but
    // after a stall of a whole interval or more only this one late tick runs,
    // and the schedule starts again from now.
    next->due += next->interval;
    if (next->due <= now) next->due = now + next->interval;
    const std::shared_ptr<const std::function<void()>> tick = next->tick;
    ran = true;
    (*tick)();
  }
}

}  // namespace kal
