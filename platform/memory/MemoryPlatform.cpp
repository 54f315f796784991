#include "platform/memory/MemoryPlatform.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace kal {
namespace {

// The style bits a Windows window starts with: a popup, or a framed window
// with a caption bar, system menu and minimise box. The log shows what a
// Windows system would be asked, so tests read the same calls as there.
constexpr std::int32_t kWsChild = 0x40000000;
constexpr std::int32_t kWsPopup = static_cast<std::int32_t>(0x80000000u);
constexpr std::int32_t InitialStyle(const WindowDesc& desc) {
  return desc.border && !desc.fullScreen ? 0x00C00000 | 0x00080000 | 0x00020000 : kWsPopup;
}

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

bool MemoryWindow::EmbedInto(Handle host) {
  if (!owner_.Has(Feature::kEmbedWindow)) return false;
  // As the Windows backend does it: the child style, then the new parent.
  owner_.Log("GetStyle");
  style_ |= kWsChild;
  std::ostringstream s;
  s << "SetStyle 0x" << std::hex << static_cast<std::uint32_t>(style_);
  owner_.Log(s.str());
  owner_.Log("SetParent " + std::to_string(host));
  const std::vector<MemoryWindow*> ours = owner_.LoadedWindows();
  const bool known =
      owner_.foreignRects.count(host) > 0 ||
      std::any_of(ours.begin(), ours.end(), [&](MemoryWindow* w) { return w->handle() == host; });
  if (owner_.refuseSetParent || !known) return false;
  parent_ = host;
  return true;
}

Handle MemoryWindow::Owner() {
  owner_.Log("GetOwner");
  return desc_.owner;
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

void MemoryPlatform::WriteLog(const std::string& line) {
  Log("WriteLog " + line);
  logLines.push_back(line);
}

ScreenMetrics MemoryPlatform::Screen() { return screen; }

std::vector<PixelRect> MemoryPlatform::Monitors() {
  if (monitors.empty()) return WindowSystem::Monitors();
  if (!Has(Feature::kSeveralMonitors)) return {monitors.front()};
  return monitors;
}

Handle MemoryPlatform::FindTopLevelWindow(std::string_view caption) {
  Log("FindWindow " + std::string(caption));
  if (!Has(Feature::kFindWindowByCaption)) return 0;
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
  if (!Has(Feature::kAdoptWindow)) return nullptr;
  auto it = foreignRects.find(window);
  if (it == foreignRects.end()) return nullptr;
  WindowDesc desc;
  desc.backColor = Rgb(0, 0, 0);
  auto w = std::make_unique<MemoryWindow>(*this, desc, handler, window);
  windows_.push_back(w.get());
  w->Follow(it->second);
  return w;
}

Handle MemoryPlatform::BackgroundWindow() { return Has(Feature::kAdoptWindow) ? rootWindow : 0; }

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
  if (!Has(Feature::kPointerPosition) || !cursorPos) return false;
  x = cursorPos->first;
  y = cursorPos->second;
  return true;
}

void MemoryPlatform::OpenDocument(Handle, const std::string& address) { Log("OpenDocument " + address); }

bool MemoryPlatform::ShowMessage(Handle, const std::string& caption, const std::string& text) {
  Log("ShowMessage " + caption + ": " + text);
  return Has(Feature::kMessageBoxes);
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
  return Has(Feature::kInstanceLock) && !instanceLockHeldElsewhere;
}

std::optional<OsVersion> MemoryPlatform::GetVersion() {
  Log("GetVersionEx");
  if (!Has(Feature::kOsVersion) || !versionCallSucceeds) return std::nullopt;
  return version;
}

void MemoryPlatform::PwdChangePassword(Handle owner) { Log("PwdChangePassword " + std::to_string(owner)); }

std::optional<bool> MemoryPlatform::VerifyScreenSavePwd(Handle owner) {
  Log("VerifyScreenSavePwd " + std::to_string(owner));
  return Has(Feature::kPasswordServices) ? passwordAnswer : std::nullopt;
}

// The flags as SystemParametersInfo sets them: SPI_SETSCREENSAVERRUNNING (97)
// and SPI_SETSCREENSAVEACTIVE (17).
void MemoryPlatform::SetScreenSaverRunning(std::int32_t running) {
  Log("SystemParametersInfo 97 " + std::to_string(running));
}

void MemoryPlatform::SetScreenSavingActive() { Log("SystemParametersInfo 17 1"); }

void MemoryPlatform::AnimateCaptionZoom(Handle window, const PixelRect& from, const PixelRect& to) {
  // DrawAnimatedRects with IDANI_CAPTION (3).
  Log("DrawAnimatedRects " + std::to_string(window) + " 3 " + RectText(from) + " " + RectText(to));
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
