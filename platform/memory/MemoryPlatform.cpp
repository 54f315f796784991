#include "platform/memory/MemoryPlatform.h"

#include <algorithm>
#include <sstream>

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
  // Input goes to the window loaded last: the active one.
  WindowHandler& h = windows_.back()->handler();
  switch (in.kind) {
    case ScriptedInput::Kind::KeyDown:
      h.OnKeyDown(in.code, 0);
      break;
    case ScriptedInput::Kind::MouseDown:
      h.OnMouseDown(in.code, 0, in.x, in.y);
      break;
    case ScriptedInput::Kind::MouseMove:
      h.OnMouseMove(0, 0, in.x, in.y);
      break;
  }
}

void MemoryPlatform::DoEvents() {
  long n = ++doEventsCount;
  if (onDoEvents) onDoEvents(n);
  while (!pending_.empty() && pending_.front().at <= n) {
    ScriptedInput in = pending_.front().input;
    pending_.pop_front();
    Deliver(in);
  }
}

void MemoryPlatform::RunMessageLoop() {
  Log("RunMessageLoop");
  while (!pending_.empty() && !windows_.empty()) {
    ScriptedInput in = pending_.front().input;
    pending_.pop_front();
    Deliver(in);
  }
  // No more scripted input: a real loop would sleep here for ever.
}

void MemoryPlatform::WaitUntil(TimePoint deadline) {
  ++waits;
  // Scripted input that is already due ends the wait at once.
  if (!pending_.empty() && pending_.front().at <= doEventsCount + 1) return;
  if (deadline > now) now = deadline;
}

void MemoryPlatform::ReportFatal(const std::string& message) {
  Log("ReportFatal " + message);
  fatalReports.push_back(message);
}

ScreenMetrics MemoryPlatform::Screen() { return screen; }

Handle MemoryPlatform::FindTopLevelWindow(std::string_view caption) {
  Log("FindWindow " + std::string(caption));
  for (std::size_t i = 0; i < foreignWindows.size(); ++i)
    if (foreignWindows[i] == caption) return static_cast<Handle>(0x100 + i);
  if (MemoryWindow* w = FindLoaded(caption)) return w->handle();
  return 0;
}

std::unique_ptr<PlatformWindow> MemoryPlatform::MakeWindow(const WindowDesc& desc, WindowHandler& handler) {
  Log("MakeWindow " + desc.caption);
  auto w = std::make_unique<MemoryWindow>(*this, desc, handler, nextHandle_++);
  windows_.push_back(w.get());
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
    if (w->parent() == window) w->Unload();
  }
}

int MemoryPlatform::ShowCursor(bool show) {
  Log(show ? "ShowCursor 1" : "ShowCursor 0");
  cursorCount += show ? 1 : -1;
  return cursorCount;
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
  if (failWrites) return false;
  files[NormalizePath(path)] = std::string(bytes);
  return true;
}

bool MemoryPlatform::FileExists(const std::string& path) {
  for (const std::string& u : unreadableFiles)
    if (NormalizePath(u) == NormalizePath(path)) return true;
  return files.count(NormalizePath(path)) > 0;
}

}  // namespace kal
