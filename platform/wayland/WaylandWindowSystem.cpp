#include "platform/wayland/WaylandWindowSystem.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "platform/posix/FreeTypeText.h"
#include "platform/wayland/Connection.h"
#include "platform/wayland/KeyCodes.h"
#include "platform/wayland/Output.h"
#include "platform/wayland/WaylandWindow.h"

namespace kal::wayland {
namespace {

// The desktop's unit for window sizes is the twip (1/1440 inch); at the usual
// 96 dots per inch a pixel is 15 twips, and an output's scale is its density.
constexpr float kTwipsPerInch = 1440.0f;
constexpr float kDefaultDpi = 96.0f;

// The monotonic clock to the last timer tick, as the X11 backend reads it:
// DoEvents only needs to know whether a millisecond or a refresh has passed.
TimePoint ReadCoarseClock() {
  timespec ts{};
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &ts) != 0) return Clock::now();
  return TimePoint(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(ts.tv_sec) +
                                                               std::chrono::nanoseconds(ts.tv_nsec)));
}

}  // namespace

std::unique_ptr<WaylandWindowSystem> WaylandWindowSystem::Open(const WindowArt& art, std::string& error) {
  const char* named = std::getenv("WAYLAND_DISPLAY");
  std::string socket = named != nullptr ? named : "";
  try {
    auto connection = std::make_unique<Connection>(socket.empty() ? nullptr : socket.c_str());
    return std::unique_ptr<WaylandWindowSystem>(new WaylandWindowSystem(std::move(connection), art, socket));
  } catch (const WaylandError& e) {
    error = e.what();
    return nullptr;
  }
}

WaylandWindowSystem::WaylandWindowSystem(std::unique_ptr<Connection> connection, const WindowArt& art,
                                         std::string socket)
    : connection_(std::move(connection)),
      pump_(connection_->display()),
      socket_(std::move(socket)),
      art_(art),
      shell_(ChooseShell(std::getenv(kShellVariable), connection_->layerShell() != nullptr).shell),
      cursors_(*connection_, art.handPointer) {
  connection_->SetOutputEvents(OutputEvents{[this](Output& o) { OutputAdded(o); },
                                            [this](Output& o) { OutputChanged(o); },
                                            [this](Output& o) { OutputRemoved(o); }});
  WatchSeat();
}

WaylandWindowSystem::~WaylandWindowSystem() {
  // Windows still alive (held by objects that outlive the platform) let go
  // of their surfaces while the connection is still there.
  for (WaylandWindow* w : windows_) w->Orphan();
  windows_.clear();
  if (seat_ != nullptr && seat_ == connection_->seat()) seat_->SetHandler(nullptr);
}

void WaylandWindowSystem::Sync() { pump_.Flush(); }

void WaylandWindowSystem::WatchSeat() {
  // A seat that came (or came back) after the start gets the handler too.
  Seat* seat = connection_->seat();
  if (seat == seat_) return;
  seat_ = seat;
  if (seat_ == nullptr) return;
  seat_->SetHandler(this);
  // The picture over each surface is chosen on its enter (ApplyCursor).
  seat_->SetCursorHidden(false);
}

// ---- the loop's primitives ----

TimePoint WaylandWindowSystem::CoarseNow() { return ReadCoarseClock(); }

bool WaylandWindowSystem::ReadAndDispatch() {
  bool any = pump_.ReadAndDispatch();
  WatchSeat();
  // Close requests posted by the program itself are input of the next look.
  while (!closeRequests_.empty()) {
    const Handle h = closeRequests_.front();
    closeRequests_.erase(closeRequests_.begin());
    for (WaylandWindow* w : windows_) {
      if (w->handle() == h && w->loaded()) {
        any = true;
        w->CloseRequested();  // may unload or delete windows
        break;
      }
    }
  }
  return any;
}

bool WaylandWindowSystem::DispatchQueued() { return pump_.DispatchQueued(); }

bool WaylandWindowSystem::InputQueued() { return !closeRequests_.empty() || pump_.EventsQueued(); }

bool WaylandWindowSystem::SleepUntil(std::optional<TimePoint> wake) {
  if (!closeRequests_.empty()) return true;
  return pump_.SleepUntil(wake);
}

bool WaylandWindowSystem::AnyChanges() {
  return std::any_of(windows_.begin(), windows_.end(), [](WaylandWindow* w) { return w->HasChanges(); });
}

void WaylandWindowSystem::PushChanges() {
  for (WaylandWindow* w : windows_) w->Push();
  pump_.Flush();
}

bool WaylandWindowSystem::AnyLoaded() {
  return std::any_of(windows_.begin(), windows_.end(), [](const WaylandWindow* w) { return w->loaded(); });
}

std::optional<Clock::duration> WaylandWindowSystem::CheckWindows() {
  // A broken connection ends every loop with the reason (the shared error path).
  connection_->ThrowIfBroken();
  return std::nullopt;
}

bool WaylandWindowSystem::PumpUntil(const std::function<bool()>& done, TimePoint deadline) {
  for (;;) {
    pump_.ReadAndDispatch();
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    pump_.SleepUntil(deadline);
  }
}

bool WaylandWindowSystem::Presenting() {
  const TimePoint now = Clock::now();
  return std::none_of(windows_.begin(), windows_.end(),
                      [now](const WaylandWindow* w) { return w->loaded() && w->Stalled(now); });
}

// ---- outputs ----

void WaylandWindowSystem::PlaceFirstSurface() {
  if (placed_ || placing_ == nullptr) return;
  placed_ = true;
  WaylandWindow* first = placing_;
  placing_ = nullptr;
  first->AwaitPlacement(Clock::now() + kPlacementWait);
  // The window may have gone meanwhile (input during the wait ended it).
  if (std::find(windows_.begin(), windows_.end(), first) != windows_.end()) swarm_ = first->output();
}

Output* WaylandWindowSystem::SwarmOutput() {
  PlaceFirstSurface();
  const std::vector<Output*> outputs = connection_->Outputs();
  if (swarm_ != nullptr && std::find(outputs.begin(), outputs.end(), swarm_) != outputs.end()) return swarm_;
  return outputs.empty() ? nullptr : outputs.front();
}

OutputPlace WaylandWindowSystem::SwarmPlace() {
  const Output* swarm = SwarmOutput();
  return swarm != nullptr ? swarm->place() : OutputPlace{};
}

std::vector<PixelRect> WaylandWindowSystem::Monitors() {
  Output* swarm = SwarmOutput();
  if (swarm == nullptr) {
    // No output at all (all unplugged for a moment): nothing moves meanwhile.
    if (lastMonitors_.empty()) lastMonitors_.push_back(PixelRect{0, 0, 1, 1});
    return lastMonitors_;
  }
  const OutputPlace s = swarm->place();
  std::vector<PixelRect> out{MonitorRect(s, s)};
  for (Output* o : connection_->Outputs()) {
    if (o != swarm) out.push_back(MonitorRect(s, o->place()));
  }
  lastMonitors_ = out;
  return out;
}

Output* WaylandWindowSystem::OutputAt(const PixelRect& rect, bool nearest) {
  Output* swarm = SwarmOutput();
  if (swarm == nullptr) return nullptr;
  const OutputPlace s = swarm->place();
  Output* best = nullptr;
  std::int64_t bestArea = 0;
  // The swarm's output first: a mirror of it names the same rectangle.
  std::vector<Output*> outputs = connection_->Outputs();
  std::stable_partition(outputs.begin(), outputs.end(), [swarm](Output* o) { return o == swarm; });
  for (Output* o : outputs) {
    const PixelRect r = MonitorRect(s, o->place());
    if (r == rect) return o;
    const PixelRect common = Intersect(r, rect);
    const std::int64_t area = common.right > common.left && common.bottom > common.top
                                  ? std::int64_t{common.right - common.left} * (common.bottom - common.top)
                                  : 0;
    if (nearest && area > bestArea) {
      best = o;
      bestArea = area;
    }
  }
  return best;
}

ScreenMetrics WaylandWindowSystem::Screen() {
  ScreenMetrics m;
  const PixelRect primary = Monitors().front();
  m.widthPx = primary.right - primary.left;
  m.heightPx = primary.bottom - primary.top;
  const float twips = kTwipsPerInch / (kDefaultDpi * static_cast<float>(SwarmPlace().scale));
  m.twipsPerPixelX = twips;
  m.twipsPerPixelY = twips;
  return m;
}

int WaylandWindowSystem::WindowScale() { return std::clamp(SwarmPlace().scale, 1, 4); }

void WaylandWindowSystem::OutputAdded(Output&) { NotifyDisplayChange(); }

void WaylandWindowSystem::OutputChanged(Output& output) {
  for (WaylandWindow* w : std::vector<WaylandWindow*>(windows_)) w->OutputChanged(output);
  NotifyDisplayChange();
}

void WaylandWindowSystem::OutputRemoved(Output& output) {
  // Nothing may hold the output once this returns: it is destroyed then.
  if (swarm_ == &output) swarm_ = nullptr;
  const std::vector<WaylandWindow*> windows = windows_;
  for (WaylandWindow* w : windows) w->OutputRemoved(output);
  for (WaylandWindow* w : windows) {
    if (std::find(windows_.begin(), windows_.end(), w) != windows_.end()) w->FollowLayout();
  }
  NotifyDisplayChange();
}

void WaylandWindowSystem::NotifyDisplayChange() {
  // A handler may make or unload windows: tell the ones of now that still are.
  const std::vector<WaylandWindow*> told = windows_;
  for (WaylandWindow* w : told) {
    if (std::find(windows_.begin(), windows_.end(), w) == windows_.end() || !w->loaded()) continue;
    // Through the handler the window was made with.
    w->NotifyDisplayChanged();
  }
}

// ---- windows ----

std::unique_ptr<PlatformWindow> WaylandWindowSystem::MakeWindow(const WindowDesc& desc,
                                                                WindowHandler& handler) {
  auto window = std::make_unique<WaylandWindow>(*this, desc, handler, ++lastHandle_);
  if (desc.fullScreen && !placed_ && placing_ == nullptr) {
    placing_ = window.get();
    window->MakeUnplaced();
  }
  return window;
}

void WaylandWindowSystem::Register(WaylandWindow* window) { windows_.push_back(window); }

void WaylandWindowSystem::Unregister(WaylandWindow* window) {
  std::erase(windows_, window);
  if (placing_ == window) placing_ = nullptr;
}

WaylandWindow* WaylandWindowSystem::Find(const wl_surface* surface) const {
  if (surface == nullptr) return nullptr;
  for (WaylandWindow* w : windows_) {
    if (w->loaded() && w->Owns(surface)) return w;
  }
  return nullptr;
}

WaylandWindow* WaylandWindowSystem::FindWindow(Handle window) {
  for (WaylandWindow* w : windows_) {
    if (w->handle() == window && w->loaded()) return w;
  }
  return nullptr;
}

bool WaylandWindowSystem::GetWindowRect(Handle window, PixelRect& out) {
  const WaylandWindow* w = window != 0 ? FindWindow(window) : nullptr;
  if (w == nullptr) return false;
  out = w->rect();
  return true;
}

void WaylandWindowSystem::PostCloseRequest(Handle window) {
  if (window != 0) closeRequests_.push_back(window);
}

void WaylandWindowSystem::OnWindowClosedByUser() {
  if (!AnyLoaded() && process_ != nullptr) process_->EndProcess(0);
}

// ---- the pointer, keys, text ----

int WaylandWindowSystem::ShowCursor(bool show) {
  cursorCount_ += show ? 1 : -1;
  ApplyCursor();
  pump_.Flush();
  return cursorCount_;
}

void WaylandWindowSystem::ApplyCursor() {
  if (seat_ == nullptr) return;
  if (const WaylandWindow* w = Find(seat_->pointerFocus())) cursors_.Show(w->cursor(cursorHidden()));
}

int WaylandWindowSystem::ModifierState() const {
  if (seat_ == nullptr) return 0;
  const Keymap& k = seat_->keymap();
  return ShiftStateOf(k.ShiftHeld(), k.ControlHeld(), k.AltHeld());
}

void WaylandWindowSystem::OnPointerEnter(wl_surface* surface, double x, double y) {
  WaylandWindow* w = Find(surface);
  if (w == nullptr) return;
  cursors_.Show(w->cursor(cursorHidden()));
  // Where the pointer is as the surface gets it: for a surface that appears
  // under the resting pointer, the recorded first position.
  w->PointerAt(x, y, buttons_, ModifierState());
}

void WaylandWindowSystem::OnPointerMotion(wl_surface* surface, double x, double y) {
  if (WaylandWindow* w = Find(surface)) w->PointerAt(x, y, buttons_, ModifierState());
}

void WaylandWindowSystem::OnPointerButton(wl_surface* surface, std::uint32_t button, bool pressed) {
  const int b = LogicButton(button);
  if (b == 0) return;
  buttons_ = pressed ? buttons_ | b : buttons_ & ~b;
  // The compositor keeps the pointer for the surface that got the press until the release.
  if (WaylandWindow* w = Find(surface)) w->PointerButton(b, pressed, ModifierState());
}

void WaylandWindowSystem::OnKey(wl_surface* surface, xkb_keysym_t, const std::string&, bool pressed,
                                const Keymap& keymap, std::uint32_t key) {
  if (!pressed) return;
  if (WaylandWindow* w = Find(surface))
    w->Key(KeyCodeOf(keymap.BaseSymbol(key)),
           ShiftStateOf(keymap.ShiftHeld(), keymap.ControlHeld(), keymap.AltHeld()));
}

TextRenderer& WaylandWindowSystem::Text() {
  if (!text_) text_ = std::make_unique<FreeTypeText>();
  return *text_;
}

}  // namespace kal::wayland
