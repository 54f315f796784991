#include "platform/wayland/EventPump.h"

#include <poll.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/wayland/Connection.h"

namespace kal::wayland {
namespace {

timespec Timeout(Clock::duration left) {
  if (left < Clock::duration::zero()) left = Clock::duration::zero();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

}  // namespace

void EventPump::Check(int result) {
  ThrowIfBroken(display_);
  // A failure the display has not recorded (yet): the system call's.
  if (result < 0)
    throw WaylandError(std::string("the connection to the Wayland compositor failed: ") +
                       std::strerror(errno));
}

bool EventPump::DispatchQueued() {
  const int n = wl_display_dispatch_pending(display_);
  Check(n);
  return n > 0;
}

bool EventPump::EventsQueued() {
  // prepare_read refuses while the queue holds events: a look at it without
  // a system call. Accepted, it must be cancelled again.
  if (wl_display_prepare_read(display_) != 0) return true;
  wl_display_cancel_read(display_);
  return false;
}

bool EventPump::Flush() {
  if (wl_display_flush(display_) >= 0) return true;
  // EPIPE: the compositor closed the connection, perhaps after a protocol
  // error that is still to be read; the next read says which.
  if (errno == EAGAIN || errno == EPIPE) return false;
  Check(-1);
  return false;
}

void EventPump::Read(bool readable) {
  if (readable) {
    Check(wl_display_read_events(display_));
  } else {
    wl_display_cancel_read(display_);
  }
}

bool EventPump::ReadAndDispatch() {
  Flush();
  if (wl_display_prepare_read(display_) == 0) {
    pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
    const int ready = ::poll(&fd, 1, 0);
    Read(ready > 0 && (fd.revents & (POLLIN | POLLHUP | POLLERR)) != 0);
  }
  return DispatchQueued();
}

bool EventPump::SleepUntil(std::optional<TimePoint> wake) {
  // Events already queued: no sleep.
  if (wl_display_prepare_read(display_) != 0) return true;
  ++sleeps_;
  bool unsent = !Flush();
  pollfd fd{wl_display_get_fd(display_), 0, 0};
  for (;;) {
    fd.events = static_cast<short>(POLLIN | (unsent ? POLLOUT : 0));
    fd.revents = 0;
    timespec timeout{};
    if (wake) timeout = Timeout(*wake - Clock::now());
    const int ready = ::ppoll(&fd, 1, wake ? &timeout : nullptr, nullptr);
    if (ready < 0) {
      // A signal: the caller looks again.
      wl_display_cancel_read(display_);
      return false;
    }
    if (ready > 0 && (fd.revents & (POLLIN | POLLHUP | POLLERR)) != 0) break;
    if (ready > 0 && (fd.revents & POLLOUT) != 0) {
      // The socket takes more: send the rest, and sleep on.
      unsent = !Flush();
      continue;
    }
    // The deadline passed.
    wl_display_cancel_read(display_);
    return false;
  }
  Read(true);
  const bool queued = EventsQueued();
  if (queued) ++wakes_;
  return queued;
}

}  // namespace kal::wayland
