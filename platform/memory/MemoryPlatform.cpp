#include "platform/memory/MemoryPlatform.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace kal {
namespace {

std::string RectText(const PixelRect& r) {
  std::ostringstream s;
  s << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  return s.str();
}

}  // namespace

// ---- window ----

MemoryWindow::MemoryWindow(MemoryPlatform& owner, const WindowDesc& desc, WindowHandler& handler, Handle id)
    : owner_(owner), desc_(desc), handler_(handler), id_(id), style_(InitialStyle(desc)) {
  // Tracked as the desktop backends track theirs: what changed is what a push sends.
  canvas_.EnableDirtyTracking(true);
  canvas_.Resize(0, 0, desc.backColor);
}

MemoryWindow::~MemoryWindow() { owner_.Forget(this); }

void MemoryWindow::Move(int left, int top, int width, int height) {
  owner_.Log("Move " + std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(width) + " " +
             std::to_string(height));
  rect_ = {left, top, left + width, top + height};
  canvas_.Resize(width, height, desc_.backColor);
  // A new size is repainted whole, as on the desktop.
  if (visible_) handler_.OnPaint(*this);
}

void MemoryWindow::Follow(const PixelRect& rect) {
  rect_ = rect;
  canvas_.Resize(rect.right - rect.left, rect.bottom - rect.top, desc_.backColor);
  visible_ = true;
  handler_.OnPaint(*this);
}

void MemoryWindow::Push() {
  canvas_.TakeDirty([](int, int, int, int) {});
}

void MemoryWindow::SetNormalState() { owner_.Log("SetNormalState"); }

void MemoryWindow::Show() {
  owner_.Log("Show");
  if (visible_) return;
  visible_ = true;
  handler_.OnPaint(*this);
}

void MemoryWindow::SetTopmost() {
  owner_.Log("SetTopmost");
  topmost_ = true;
}

void MemoryWindow::Unload() {
  if (!loaded_) return;
  owner_.Log("Unload " + desc_.caption);
  handler_.OnUnload();
  loaded_ = false;
  visible_ = false;
  owner_.Forget(this);
}

std::pair<int, int> MemoryWindow::OuterSize(int clientWidth, int clientHeight) {
  // A classic frame: 4 pixels each side, a 19-pixel caption bar.
  return {clientWidth + 8, clientHeight + 27};
}

void MemoryWindow::SetHandPointer(bool hand) {
  if (hand == hand_) return;
  hand_ = hand;
  owner_.Log(hand ? "HandPointer 1" : "HandPointer 0");
}

std::int32_t MemoryWindow::GetStyle() {
  owner_.Log("GetStyle");
  return style_;
}

void MemoryWindow::SetStyle(std::int32_t style) {
  std::ostringstream s;
  s << "SetStyle 0x" << std::hex << static_cast<std::uint32_t>(style);
  owner_.Log(s.str());
  style_ = style;
}

bool MemoryWindow::SetParent(Handle parent) {
  owner_.Log("SetParent " + std::to_string(parent));
  if (owner_.refuseSetParent || owner_.foreignRects.count(parent) == 0) return false;
  parent_ = parent;
  return true;
}

Handle MemoryWindow::Owner() {
  owner_.Log("GetOwner");
  return 0;
}

// ---- platform ----

MemoryPlatform::MemoryPlatform() = default;

std::string MemoryPlatform::NormalizePath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if ((c == '\\' || c == '/') && !out.empty() && (out.back() == '\\' || out.back() == '/')) continue;
    out += c;
  }
  return out;
}

void MemoryPlatform::ScheduleInput(long afterDoEvents, ScriptedInput input) {
  pending_.push_back({afterDoEvents, input});
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Pending& a, const Pending& b) { return a.at < b.at; });
}

void MemoryPlatform::ScheduleInputAt(TimePoint when, ScriptedInput input) {
  timed_.push_back({when, input});
  std::stable_sort(timed_.begin(), timed_.end(),
                   [](const Timed& a, const Timed& b) { return a.when < b.when; });
}

MemoryWindow* MemoryPlatform::FindLoaded(std::string_view caption) {
  for (MemoryWindow* w : windows_)
    if (w->desc().caption == caption) return w;
  return nullptr;
}

std::string MemoryPlatform::CommandLine() { return commandLine; }
std::string MemoryPlatform::AppPath() { return appPath; }
std::string MemoryPlatform::SettingsDirectory() {
  return settingsDirectory.empty() ? appPath : settingsDirectory;
}

void MemoryPlatform::EndProcess(int exitCode) {
  Log("EndProcess " + std::to_string(exitCode));
  throw ProcessEnded{exitCode};
}

void MemoryPlatform::Deliver(const ScriptedInput& in) {
  if (windows_.empty()) return;
  if (in.kind == ScriptedInput::Kind::DisplayChange) {
    // A handler may make or unload windows meanwhile: tell the ones loaded now that still are.
    const std::vector<MemoryWindow*> told = windows_;
    for (MemoryWindow* w : told) {
      if (std::find(windows_.begin(), windows_.end(), w) != windows_.end()) w->handler().OnDisplayChange(*w);
    }
    return;
  }
  // Input goes to the window named, or else to the one loaded last: the active one.
  MemoryWindow* target = windows_.back();
  for (MemoryWindow* w : windows_) {
    if (in.window != 0 && w->handle() == in.window) target = w;
  }
  WindowHandler& h = target->handler();
  switch (in.kind) {
    case ScriptedInput::Kind::KeyDown:
      h.OnKeyDown(in.code, 0);
      break;
    case ScriptedInput::Kind::MouseDown:
      h.OnMouseDown(in.code, 0, in.x, in.y);
      break;
    case ScriptedInput::Kind::MouseMove:
      h.OnMouseMove(in.code, 0, in.x, in.y);
      break;
    case ScriptedInput::Kind::MouseUp:
      h.OnMouseUp(in.code, 0, in.x, in.y);
      break;
    case ScriptedInput::Kind::Close: {
      target->handler().OnCloseRequest(*target);
      if (!AnyLoaded()) EndProcess(0);
      break;
    }
    case ScriptedInput::Kind::DisplayChange:
      break;
  }
}

void MemoryPlatform::DoEvents() {
  long n = ++doEventsCount;
  if (onDoEvents) onDoEvents(n);
  loop_.DoEvents();
}

void MemoryPlatform::WaitUntil(TimePoint deadline) {
  ++waits;
  loop_.WaitUntil(deadline);
}

template <class F>
void MemoryPlatform::RunLoop(F&& loop) {
  if (loops_ == 0) loopEnd_ = now + kDefaultLoopTime;
  struct Running {
    int& loops;
    explicit Running(int& l) : loops(l) { ++loops; }
    ~Running() { --loops; }
  } running(loops_);
  try {
    loop();
  } catch (const LoopIdle&) {
    // Nothing scripted is left: a real loop would sleep here for ever.
  }
}

void MemoryPlatform::RunMessageLoop() {
  Log("RunMessageLoop");
  RunLoop([&] { loop_.RunMessageLoop(); });
}

void MemoryPlatform::RunModalLoop(const std::function<bool()>& done) {
  Log("RunModalLoop");
  RunLoop([&] { loop_.RunModalLoop(done); });
}

// ---- the loop's primitives ----

bool MemoryPlatform::DispatchQueued() {
  bool any = false;
  // One at a time, taken off before delivery: handlers may yield again.
  for (;;) {
    if (!arrived_.empty()) {
      ScriptedInput in = arrived_.front();
      arrived_.pop_front();
      any = true;
      emptySleeps_ = 0;
      Deliver(in);
    } else if (!pending_.empty() && (loops_ > 0 || pending_.front().at <= doEventsCount)) {
      ScriptedInput in = pending_.front().input;
      pending_.pop_front();
      any = true;
      emptySleeps_ = 0;
      Deliver(in);
    } else {
      return any;
    }
  }
}

bool MemoryPlatform::InputQueued() {
  return !arrived_.empty() || (!pending_.empty() && (loops_ > 0 || pending_.front().at <= doEventsCount + 1));
}

bool MemoryPlatform::SleepUntil(std::optional<TimePoint> wake) {
  ++sleeps;
  const TimePoint before = now;
  if (!InputQueued()) {
    std::optional<TimePoint> until = wake;
    if (!timed_.empty() && (!until || timed_.front().when < *until)) until = timed_.front().when;
    if (loops_ > 0) {
      const TimePoint limit = loopUntil != TimePoint::max() ? loopUntil : loopEnd_;
      if (!until) throw LoopIdle{};
      if (*until > limit) {
        now = std::max(now, limit);
        throw LoopIdle{};
      }
    }
    if (!until) throw std::logic_error("MemoryPlatform: a sleep without end outside a message loop");
    now = std::max(now, *until);
    while (!timed_.empty() && timed_.front().when <= now) {
      arrived_.push_back(timed_.front().input);
      timed_.pop_front();
    }
  }
  // A loop that sleeps again and again while the clock stands still and
  // nobody takes the input is spinning.
  emptySleeps_ = now == before ? emptySleeps_ + 1 : 0;
  if (emptySleeps_ > 1000) throw std::logic_error("MemoryPlatform: the loop spins");
  return InputQueued();
}

bool MemoryPlatform::AnyChanges() {
  return std::any_of(windows_.begin(), windows_.end(), [](const MemoryWindow* w) { return w->HasChanges(); });
}

void MemoryPlatform::PushChanges() {
  pushes.push_back(now);
  for (MemoryWindow* w : windows_) w->Push();
}

void MemoryPlatform::ReportFatal(const std::string& message) {
  Log("ReportFatal " + message);
  fatalReports.push_back(message);
}

ScreenMetrics MemoryPlatform::Screen() { return screen; }

std::vector<PixelRect> MemoryPlatform::Monitors() {
  return monitors.empty() ? Platform::Monitors() : monitors;
}

Handle MemoryPlatform::FindTopLevelWindow(std::string_view caption) {
  Log("FindWindow " + std::string(caption));
  for (std::size_t i = 0; i < foreignWindows.size(); ++i)
    if (foreignWindows[i] == caption) return static_cast<Handle>(0x100 + i);
  if (MemoryWindow* w = FindLoaded(caption)) return w->handle();
  return 0;
}

std::unique_ptr<PlatformWindow> MemoryPlatform::MakeWindow(const WindowDesc& desc, WindowHandler& handler) {
  Log("MakeWindow " + desc.caption);
  if (makeWindowFails) return nullptr;
  auto w = std::make_unique<MemoryWindow>(*this, desc, handler, nextHandle_++);
  windows_.push_back(w.get());
  return w;
}

std::unique_ptr<PlatformWindow> MemoryPlatform::AdoptWindow(Handle window, WindowHandler& handler) {
  Log("AdoptWindow " + std::to_string(window));
  auto it = foreignRects.find(window);
  if (it == foreignRects.end()) return nullptr;
  WindowDesc desc;
  desc.backColor = Rgb(0, 0, 0);
  auto w = std::make_unique<MemoryWindow>(*this, desc, handler, window);
  windows_.push_back(w.get());
  w->Follow(it->second);
  return w;
}

void MemoryPlatform::Forget(MemoryWindow* w) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
}

bool MemoryPlatform::GetWindowRect(Handle window, PixelRect& out) {
  for (MemoryWindow* w : windows_) {
    if (w->handle() == window) {
      out = w->rect();
      return true;
    }
  }
  auto it = foreignRects.find(window);
  if (it == foreignRects.end()) return false;
  out = it->second;
  return true;
}

void MemoryPlatform::PostCloseRequest(Handle window) { Log("PostClose " + std::to_string(window)); }

void MemoryPlatform::DestroyForeignWindow(Handle window) {
  foreignRects.erase(window);
  // Copied: unloading takes windows off the list.
  for (MemoryWindow* w : std::vector<MemoryWindow*>(windows_)) {
    if (w->parent() == window || w->handle() == window) w->Unload();
  }
}

void MemoryPlatform::ResizeForeignWindow(Handle window, int width, int height) {
  auto it = foreignRects.find(window);
  if (it == foreignRects.end()) return;
  it->second.right = it->second.left + width;
  it->second.bottom = it->second.top + height;
  for (MemoryWindow* w : std::vector<MemoryWindow*>(windows_)) {
    if (w->handle() == window) w->Follow(it->second);
  }
}

bool MemoryPlatform::GetCursorPos(int& x, int& y) {
  Log("GetCursorPos");
  if (!cursorPos) return false;
  x = cursorPos->first;
  y = cursorPos->second;
  return true;
}

void MemoryPlatform::OpenDocument(Handle, const std::string& address) { Log("OpenDocument " + address); }

void MemoryPlatform::ShowMessage(Handle, const std::string& caption, const std::string& text) {
  Log("ShowMessage " + caption + ": " + text);
}

std::optional<std::int64_t> MemoryPlatform::FileModified(const std::string& path) {
  auto it = fileTimes_.find(NormalizePath(path));
  if (it == fileTimes_.end())
    return files.count(NormalizePath(path)) ? std::optional<std::int64_t>(0) : std::nullopt;
  return static_cast<std::int64_t>(it->second.time_since_epoch().count());
}

int MemoryPlatform::ShowCursor(bool show) {
  Log(show ? "ShowCursor 1" : "ShowCursor 0");
  cursorCount += show ? 1 : -1;
  return cursorCount;
}

bool MemoryPlatform::HoldInstanceLock() {
  Log("HoldInstanceLock");
  return !instanceLockHeldElsewhere;
}

bool MemoryPlatform::GetVersion(OsVersion& out) {
  Log("GetVersionEx");
  if (!versionCallSucceeds) return false;
  out = version;
  return true;
}

void MemoryPlatform::PwdChangePassword(Handle owner) { Log("PwdChangePassword " + std::to_string(owner)); }

std::optional<bool> MemoryPlatform::VerifyScreenSavePwd(Handle owner) {
  Log("VerifyScreenSavePwd " + std::to_string(owner));
  return passwordAnswer;
}

void MemoryPlatform::SetSystemParameter(std::uint32_t action, std::int32_t param) {
  Log("SystemParametersInfo " + std::to_string(action) + " " + std::to_string(param));
}

void MemoryPlatform::DrawAnimatedRects(Handle window, int kind, const PixelRect& from, const PixelRect& to) {
  Log("DrawAnimatedRects " + std::to_string(window) + " " + std::to_string(kind) + " " + RectText(from) +
      " " + RectText(to));
}

std::optional<std::string> MemoryPlatform::ReadFile(const std::string& path) {
  Log("ReadFile " + NormalizePath(path));
  for (const std::string& u : unreadableFiles)
    if (NormalizePath(u) == NormalizePath(path)) return std::nullopt;
  auto it = files.find(NormalizePath(path));
  if (it == files.end()) return std::nullopt;
  return it->second;
}

bool MemoryPlatform::WriteFileAtomic(const std::string& path, std::string_view bytes) {
  Log("WriteFile " + NormalizePath(path));
  const std::string where = NormalizePath(path);
  bool refused = failWrites;
  for (const std::string& dir : unwritableDirectories) {
    const std::string d = NormalizePath(dir);
    if (where.size() > d.size() && where.compare(0, d.size(), d) == 0) refused = true;
  }
  if (refused) {
    lastFileError_ = "Access is denied.";
    return false;
  }
  lastFileError_.clear();
  fileTimes_[where] = now;
  files[where] = std::string(bytes);
  return true;
}

bool MemoryPlatform::FileExists(const std::string& path) {
  for (const std::string& u : unreadableFiles)
    if (NormalizePath(u) == NormalizePath(path)) return true;
  return files.count(NormalizePath(path)) > 0;
}

}  // namespace kal
