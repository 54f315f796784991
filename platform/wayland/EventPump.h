// The display connection's part of the shared event loop (see
// platform/EventLoop.h): dispatching what libwayland has queued without a
// system call, reading and dispatching what has arrived, and sleeping on the
// connection until an event comes or a deadline passes. Requests are
// flushed before every read and sleep; when the socket is full the rest
// waits for it to take more (the sleep watches for that too).
#pragma once

#include <optional>

#include "platform/Types.h"

struct wl_display;

namespace kal::wayland {

class EventPump {
 public:
  explicit EventPump(wl_display* display) : display_(display) {}

  // Runs the handlers of the events already queued. True when there were any.
  bool DispatchQueued();
  // Whether events are queued, known without a system call.
  bool EventsQueued();
  // Flushes, takes in what has arrived (without waiting) and dispatches it
  // with what was queued. True when any event ran.
  bool ReadAndDispatch();
  // Flushes and sleeps until an event has arrived or `wake` has passed (none:
  // no limit); a time already past still looks once. Dispatches nothing.
  // True when events are queued.
  bool SleepUntil(std::optional<TimePoint> wake);
  // Sends the queued requests as far as the socket takes them. False when
  // some are left (the socket is full).
  bool Flush();

  // How often the pump slept, and how often it woke to events.
  std::size_t sleeps() const { return sleeps_; }
  std::size_t wakes() const { return wakes_; }

 private:
  // Throws WaylandError when the connection has failed.
  void Check(int result);
  // Reads what the socket holds: after prepare_read, when it is readable.
  void Read(bool readable);

  wl_display* display_;
  std::size_t sleeps_ = 0;
  std::size_t wakes_ = 0;
};

}  // namespace kal::wayland
