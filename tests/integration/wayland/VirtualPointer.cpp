// kal-wayland-pointer: gives a headless sway's seat a pointer. The
// compositor has no input devices there, so its seat offers clients no
// wl_pointer and `swaymsg seat seat0 cursor move` reaches nobody; a virtual
// pointer (wlr virtual-pointer protocol) is a device, and while this program
// holds one the seat has a pointer. Prints "ready" once it is made, then
// holds it until SIGTERM or SIGINT (or the compositor's end).
#include <poll.h>
#include <signal.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
  wl_seat* seat = nullptr;
  zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
  auto* g = static_cast<Globals*>(data);
  const std::string_view is = interface;
  if (is == wl_seat_interface.name && g->seat == nullptr) {
    g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (is == zwlr_virtual_pointer_manager_v1_interface.name && g->manager == nullptr) {
    g->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  }
}

void GlobalRemove(void*, wl_registry*, std::uint32_t) {}

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "kal-wayland-pointer: no Wayland compositor\n");
    return 1;
  }
  Globals g;
  static const wl_registry_listener listener = {&Global, &GlobalRemove};
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &listener, &g);
  wl_display_roundtrip(display);
  if (g.manager == nullptr) {
    std::fprintf(stderr, "kal-wayland-pointer: the compositor offers no virtual pointers\n");
    return 1;
  }
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.manager, g.seat);
  wl_display_roundtrip(display);
  std::printf("ready\n");
  std::fflush(stdout);

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  pollfd fd{wl_display_get_fd(display), POLLIN, 0};
  while (g_stop == 0) {
    wl_display_flush(display);
    if (::poll(&fd, 1, -1) < 0) continue;  // a signal
    if ((fd.revents & (POLLIN | POLLHUP | POLLERR)) != 0 && wl_display_dispatch(display) < 0) break;
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwlr_virtual_pointer_manager_v1_destroy(g.manager);
  if (g.seat != nullptr) wl_seat_destroy(g.seat);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return 0;
}
