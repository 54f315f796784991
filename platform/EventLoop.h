// The event loop every backend shares: when to look at the window system's
// queue, when to put drawing on the screen, how long to sleep, and the timers.
// A backend supplies the few primitives below, mapped onto its own system
// calls; the policy is written here once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/RefreshPace.h"
#include "platform/Types.h"

namespace kal {

// DoEvents runs after every frame, thousands of times a second, and a look at
// the window system's queue costs a system call (under Wine a round trip to
// its server). After a look that found nothing, input arriving within this
// interval waits for the next look; after any event, or a sleep that input
// ended, the next look comes at once.
inline constexpr auto kQuietLookInterval = std::chrono::milliseconds(1);

// What the loop needs from a window system. Every call is made on the UI
// thread; the dispatching calls run window handlers, which may re-enter the
// loop, unload windows or throw.
class EventSource {
 public:
  // The monotonic clock.
  virtual TimePoint Now() = 0;
  // A cheaper reading of the same clock that may lag it (by up to a timer
  // tick) but never runs ahead of it: DoEvents only needs to know whether a
  // millisecond or a refresh has passed.
  virtual TimePoint CoarseNow() { return Now(); }
  // Takes in what has arrived from the window system and dispatches every
  // pending event. True when there was any.
  virtual bool ReadAndDispatch() = 0;
  // Dispatches events already taken in, without a system call. True when there was any.
  virtual bool DispatchQueued() { return false; }
  // Whether input is waiting, as far as is known without a system call.
  virtual bool InputQueued() { return false; }
  // Sleeps until `wake` (none: no limit) or until input is pending, whichever
  // is first; a time already past still looks once. True when input is pending.
  virtual bool SleepUntil(std::optional<TimePoint> wake) = 0;
  // Drawing of the windows that has not reached the screen yet, and putting it there.
  virtual bool AnyChanges() = 0;
  virtual void PushChanges() = 0;
  // Whether any window of the program is still loaded: the message loops end with the last.
  virtual bool AnyLoaded() = 0;
  // The last look found a request to end the message loop (Win32's WM_QUIT).
  virtual bool QuitRequested() { return false; }
  // Before a message loop sleeps: notices windows that went away without an
  // event (unloading them), and says how soon to look again (none: no need).
  virtual std::optional<Clock::duration> CheckWindows() { return std::nullopt; }

 protected:
  ~EventSource() = default;
};

class EventLoop {
 public:
  explicit EventLoop(EventSource& source) : source_(source) {}
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Dispatches what is pending (looking at the window system at most once a
  // millisecond while it stays quiet), runs due timers, and pushes the drawing
  // when a refresh has passed since the last push.
  void DoEvents();
  // Pushes the drawing early (the push rides on this sleep), then sleeps until
  // the deadline, waking to push pending drawing a refresh after the last push.
  // Returns at once when input is pending, and after running due timers.
  void WaitUntil(TimePoint deadline);
  // Handles events and timers, sleeping while there are none, until no window
  // is loaded (or the window system asks the loop to end).
  void RunMessageLoop();
  // The same until done() is true.
  void RunModalLoop(const std::function<bool()>& done);

  // See WindowSystem::SetTimer. A non-positive interval would fire without end:
  // it is refused with std::invalid_argument.
  int SetTimer(Clock::duration interval, std::function<void()> tick);
  void KillTimer(int id);

 private:
  struct Timer {
    int id;
    Clock::duration interval;
    TimePoint due;
    // Shared so that a tick that kills its own timer keeps running.
    std::shared_ptr<const std::function<void()>> tick;
    std::uint64_t round = 0;  // the RunDueTimers call that ran it last
  };

  void Run(const std::function<bool()>* done);
  // Runs every timer due at `now`, each at most once, earliest first. True
  // when any ran.
  bool RunDueTimers(TimePoint now);
  std::optional<TimePoint> NextDue() const;
  bool PushDue(TimePoint now) { return now - lastPush_ >= kRefreshInterval && source_.AnyChanges(); }
  void Push();
  // Sleeps; the sleep watched the queue, so it counts as a look. True on input.
  bool Sleep(std::optional<TimePoint> wake);

  EventSource& source_;
  TimePoint lastPush_{};
  TimePoint lastLook_{};
  bool quiet_ = false;  // the last look found nothing
  std::vector<Timer> timers_;
  int lastTimerId_ = 0;
  std::uint64_t round_ = 0;
};

}  // namespace kal
