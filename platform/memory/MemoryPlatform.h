// An in-memory window system for tests: records every OS call in order,
// scripts input and time, keeps pixels in a Canvas and files in a map.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/Platform.h"

namespace kal {

// Thrown by EndProcess: unwinds straight to the test, past every handler (error
// traps catch only RuntimeError), so nothing of a loaded window runs after it.
struct ProcessEnded {
  int exitCode;
};

struct ScriptedInput {
  enum class Kind { KeyDown, MouseDown, MouseMove } kind;
  int code = 0;  // key code or button
  float x = 0, y = 0;
};

class MemoryPlatform;

class MemoryWindow final : public PlatformWindow {
 public:
  MemoryWindow(MemoryPlatform& owner, const WindowDesc& desc, WindowHandler& handler, Handle id);
  ~MemoryWindow() override;
  Handle handle() const override { return id_; }
  void Move(int left, int top, int width, int height) override;
  void SetNormalState() override;
  void Show() override;
  void SetTopmost() override;
  Surface& Display() override { return surface_; }
  void Unload() override;
  std::int32_t GetStyle() override;
  void SetStyle(std::int32_t style) override;
  bool SetParent(Handle parent) override;
  Handle Owner() override;

  const WindowDesc& desc() const { return desc_; }
  Handle parent() const { return parent_; }
  std::int32_t style() const { return style_; }
  PixelRect rect() const { return rect_; }
  bool visible() const { return visible_; }
  bool topmost() const { return topmost_; }
  bool loaded() const { return loaded_; }
  Canvas& canvas() { return canvas_; }
  WindowHandler& handler() { return handler_; }

 private:
  MemoryPlatform& owner_;
  WindowDesc desc_;
  WindowHandler& handler_;
  Handle id_;
  PixelRect rect_{};
  bool visible_ = false;
  bool topmost_ = false;
  bool loaded_ = true;
  Handle parent_ = 0;
  std::int32_t style_;
  Canvas canvas_;
  CanvasSurface surface_{canvas_};
};

class MemoryPlatform final : public Platform {
 public:
  MemoryPlatform();

  // ---- set-up by the test ----
  std::string commandLine;
  std::string appPath = "C:\\Program Files\\Kalvessa";
  std::string settingsDirectory;  // empty: same as appPath
  char separator = '\\';
  ScreenMetrics screen{1024, 768, 15, 15};
  std::vector<std::string> foreignWindows;   // captions of other processes' top-level windows
  std::map<Handle, PixelRect> foreignRects;  // other processes' windows by handle
  // Another process destroys its window: the window system unloads our
  // windows that are its children, as it destroys them with it.
  void DestroyForeignWindow(Handle window);
  bool refuseSetParent = false;  // as when the new parent vanished meanwhile
  bool versionCallSucceeds = true;
  OsVersion version{2};
  std::optional<bool> passwordAnswer;  // nullopt: no password service
  bool failWrites = false;
  std::vector<std::string> unreadableFiles;  // exist, but ReadFile fails
  std::map<std::string, std::string> files;  // path -> bytes (separators collapsed)
  void UseRandom(RandomSource& r) { random_ = &r; }
  // Input delivered by the n-th DoEvents (1-based), or by the message loop.
  void ScheduleInput(long afterDoEvents, ScriptedInput input);
  // Called on every DoEvents with its number; may schedule input or throw.
  std::function<void(long)> onDoEvents;

  // ---- what happened ----
  std::vector<std::string> calls;  // every OS call, in order (DoEvents only counted)
  long doEventsCount = 0;
  int cursorCount = 0;
  TimePoint now{};  // fake clock; WaitUntil advances it
  long waits = 0;
  std::vector<std::string> fatalReports;
  MemoryWindow* FindLoaded(std::string_view caption);
  std::vector<MemoryWindow*> LoadedWindows() const { return windows_; }
  static std::string NormalizePath(const std::string& path);

  // ---- Platform ----
  std::string CommandLine() override;
  std::string AppPath() override;
  std::string SettingsDirectory() override;
  char PathSeparator() const override { return separator; }
  [[noreturn]] void EndProcess(int exitCode) override;
  void DoEvents() override;
  void RunMessageLoop() override;
  void WaitUntil(TimePoint deadline) override;
  TimePoint Now() override { return now; }
  void ReportFatal(const std::string& message) override;
  ScreenMetrics Screen() override;
  Handle FindTopLevelWindow(std::string_view caption) override;
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;
  int ShowCursor(bool show) override;
  bool GetVersion(OsVersion& out) override;
  void PwdChangePassword(Handle owner) override;
  std::optional<bool> VerifyScreenSavePwd(Handle owner) override;
  void SetSystemParameter(std::uint32_t action, std::int32_t param) override;
  void DrawAnimatedRects(Handle window, int kind, const PixelRect& from, const PixelRect& to) override;
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool WriteFileAtomic(const std::string& path, std::string_view bytes) override;
  bool FileExists(const std::string& path) override;
  RandomSource& Random() override { return *random_; }

 private:
  friend class MemoryWindow;
  void Log(std::string entry) { calls.push_back(std::move(entry)); }
  void Deliver(const ScriptedInput& in);
  void Forget(MemoryWindow* w);

  struct Pending {
    long at;
    ScriptedInput input;
  };
  std::deque<Pending> pending_;
  std::vector<MemoryWindow*> windows_;
  Handle nextHandle_ = 0x1000;
  PcgRandom defaultRandom_;
  RandomSource* random_ = &defaultRandom_;
};

}  // namespace kal
