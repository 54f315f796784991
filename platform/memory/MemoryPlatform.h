// An in-memory host for tests: every service of a platform in one object. It
// records every OS call in order (in the Windows names a desktop would be
// asked by), scripts input and time, keeps pixels in a Canvas and files in a
// map. The event loop is the shared one (platform/EventLoop.h) on a fake clock:
// sleeping moves the clock on, to the wake-up time or to the next scripted
// input. It offers every feature unless a test takes some away (`offered`),
// to run the logic as on a desktop that lacks them.
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
#include "platform/LoopWindowSystem.h"
#include "platform/Platform.h"
#include "platform/forms/Text.h"
#include "platform/memory/Features.h"

namespace kal {

// Thrown by EndProcess: unwinds straight to the test, past every handler (error
// traps catch only RuntimeError), so nothing of a loaded window runs after it.
struct ProcessEnded {
  int exitCode;
};

struct ScriptedInput {
  // Close: the window system's close request (the frame's close button).
  // DisplayChange: monitors came, went or moved; every loaded window hears it.
  enum class Kind { KeyDown, MouseDown, MouseMove, MouseUp, Close, DisplayChange } kind;
  int code = 0;  // key code, button, or the buttons held during a move
  float x = 0, y = 0;
  Handle window = 0;  // the window that gets it; 0: the one loaded last
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
  std::pair<int, int> OuterSize(int clientWidth, int clientHeight) override;
  void SetHandPointer(bool hand) override;
  bool handPointer() const { return hand_; }
  bool EmbedInto(Handle host) override;
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
  // Drawing not yet "on the screen": a shown window's dirty tiles. A push forgets them.
  bool HasChanges() const { return loaded_ && visible_ && canvas_.HasDirty(); }
  // An adopted window (AdoptWindow) at its owner's new place and size, shown.
  void Follow(const PixelRect& rect);
  void Push();

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
  bool hand_ = false;
  std::int32_t style_;  // the style bits a Windows window would have
  Canvas canvas_;
  CanvasSurface surface_{canvas_};
};

class MemoryPlatform final : public Platform,
                             public LoopWindowSystem,
                             public FileSystem,
                             public DesktopServices,
                             public ProcessServices {
 public:
  MemoryPlatform();

  // ---- set-up by the test ----
  // The features this host plays (platform/memory/Features.h): every one
  // unless a test takes some away; a missing one answers "not here".
  Features offered = kMemoryFeatures;
  std::string commandLine;
  std::string appPath = "C:\\Program Files\\Kalvessa";
  std::string settingsDirectory;  // empty: same as appPath
  char separator = '\\';
  ScreenMetrics screen{1024, 768, 15, 15};
  std::vector<PixelRect> monitors;           // empty: the one monitor of `screen`
  std::vector<std::string> foreignWindows;   // captions of other processes' top-level windows
  std::map<Handle, PixelRect> foreignRects;  // other processes' windows by handle
  // Another process destroys its window: the window system unloads our
  // windows that are its children, as it destroys them with it.
  void DestroyForeignWindow(Handle window);
  // Another process resizes its window: an adopted one follows.
  void ResizeForeignWindow(Handle window, int width, int height);
  bool refuseSetParent = false;                  // as when the new parent vanished meanwhile
  std::optional<std::pair<int, int>> cursorPos;  // nullopt: GetCursorPos fails
  std::string userSettingsDirectory;             // empty: no per-user fallback
  // Writes below these folders fail as a read-only folder makes them.
  std::vector<std::string> unwritableDirectories;
  // Text on the canvases: plain boxes unless a tool lends a real renderer.
  void UseText(TextRenderer& text) { text_ = &text; }
  bool versionCallSucceeds = true;
  OsVersion version{2};
  bool instanceLockHeldElsewhere = false;  // another process holds the instance lock
  bool presenting = true;                  // Presenting(): false as while the display is off
  Handle rootWindow = 0;                   // BackgroundWindow(): a window of foreignRects, or 0
  bool makeWindowFails = false;            // the system refuses every new window
  std::optional<bool> passwordAnswer;      // nullopt: no password service
  bool failWrites = false;
  std::vector<std::string> unreadableFiles;  // exist, but ReadFile fails
  std::map<std::string, std::string> files;  // path -> bytes (separators collapsed)
  void UseRandom(RandomSource& r) { random_ = &r; }
  // Input delivered by the n-th DoEvents (1-based), or by the message loop
  // (which takes all of it in order: it makes no DoEvents). A wait returns at
  // once when the next DoEvents would deliver some.
  void ScheduleInput(long afterDoEvents, ScriptedInput input);
  // Input that arrives when the fake clock reaches `when`: it ends a sleep
  // then, and the next look delivers it.
  void ScheduleInputAt(TimePoint when, ScriptedInput input);
  // A message loop (RunMessageLoop, RunModalLoop) ends when it would sleep
  // for ever (nothing scripted is left) or past this time, the clock then
  // standing at it: so a test cannot hang, even with a timer that never stops.
  // Left at max: kDefaultLoopTime after the outermost loop started.
  TimePoint loopUntil = TimePoint::max();
  static constexpr auto kDefaultLoopTime = std::chrono::seconds(10);
  // Called on every DoEvents with its number; may schedule input or throw.
  std::function<void(long)> onDoEvents;

  // ---- what happened ----
  std::vector<std::string> calls;  // every OS call, in order (DoEvents only counted)
  long doEventsCount = 0;
  int cursorCount = 0;
  TimePoint now{};                // fake clock; WaitUntil and the message loops advance it
  long waits = 0;                 // WaitUntil calls
  long sleeps = 0;                // times the loop went to sleep
  std::vector<TimePoint> pushes;  // when the windows' drawing was pushed
  std::vector<std::string> fatalReports;
  MemoryWindow* FindLoaded(std::string_view caption);
  // The handle of the first window made; every later one gets the next number.
  static constexpr Handle kFirstWindowHandle = 0x1000;
  std::vector<MemoryWindow*> LoadedWindows() const { return windows_; }
  static std::string NormalizePath(const std::string& path);

  std::vector<std::string> logLines;  // WriteLog's lines

  // ---- Platform ----
  WindowSystem& Windows() override { return *this; }
  FileSystem& Files() override { return *this; }
  DesktopServices& Desktop() override { return *this; }
  ProcessServices& Process() override { return *this; }
  Features features() const override { return offered; }

  // ---- ProcessServices ----
  std::string CommandLine() override;
  std::string AppPath() override;
  [[noreturn]] void EndProcess(int exitCode) override;
  void ReportFatal(const std::string& message) override;
  void WriteLog(const std::string& line) override;
  RandomSource& Random() override { return *random_; }

  // ---- WindowSystem ----
  void DoEvents() override;
  void RunMessageLoop() override;
  void WaitUntil(TimePoint deadline) override;
  TimePoint Now() override { return now; }  // also the loop's clock
  void RunModalLoop(const std::function<bool()>& done) override;
  bool Presenting() override { return presenting; }
  ScreenMetrics Screen() override;
  std::vector<PixelRect> Monitors() override;
  std::unique_ptr<PlatformWindow> MakeWindow(const WindowDesc& desc, WindowHandler& handler) override;
  bool GetWindowRect(Handle window, PixelRect& out) override;
  void PostCloseRequest(Handle window) override;
  Handle FindTopLevelWindow(std::string_view caption) override;
  // A window of foreignRects, adopted: shown at its size, unloaded by DestroyForeignWindow.
  std::unique_ptr<PlatformWindow> AdoptWindow(Handle window, WindowHandler& handler) override;
  Handle BackgroundWindow() override;
  int ShowCursor(bool show) override;
  bool GetCursorPos(int& x, int& y) override;
  void AnimateCaptionZoom(Handle window, const PixelRect& from, const PixelRect& to) override;
  TextRenderer& Text() override { return *text_; }

  // ---- DesktopServices ----
  bool HoldInstanceLock() override;
  std::optional<OsVersion> GetVersion() override;
  void PwdChangePassword(Handle owner) override;
  std::optional<bool> VerifyScreenSavePwd(Handle owner) override;
  void SetScreenSaverRunning(std::int32_t running) override;
  void SetScreenSavingActive() override;
  bool ShowMessage(Handle owner, const std::string& caption, const std::string& text) override;
  void OpenDocument(Handle owner, const std::string& address) override;

  // ---- FileSystem ----
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::optional<std::int64_t> FileModified(const std::string& path) override;
  bool WriteFileAtomic(const std::string& path, std::string_view bytes) override;
  std::string LastFileError() override { return lastFileError_; }
  std::string SettingsDirectory() override;
  char PathSeparator() const override { return separator; }
  std::string UserSettingsDirectory() override { return userSettingsDirectory; }

 private:
  friend class MemoryWindow;
  void Log(std::string entry) { calls.push_back(std::move(entry)); }
  void Deliver(const ScriptedInput& in);
  void Forget(MemoryWindow* w);
  // Runs a message loop of the shared event loop until it ends or idles.
  template <class F>
  void RunLoop(F&& loop);

  // ---- EventSource ----
  bool ReadAndDispatch() override { return DispatchQueued(); }
  bool DispatchQueued() override;
  bool InputQueued() override;
  bool SleepUntil(std::optional<TimePoint> wake) override;
  bool AnyChanges() override;
  void PushChanges() override;
  bool AnyLoaded() override { return !windows_.empty(); }

  // Thrown by a sleep inside a message loop that nothing would end (or that
  // would pass loopUntil); the loop's caller returns.
  struct LoopIdle {};

  struct Pending {
    long at;
    ScriptedInput input;
  };
  std::deque<Pending> pending_;
  struct Timed {
    TimePoint when;
    ScriptedInput input;
  };
  std::deque<Timed> timed_;            // not arrived yet, by time
  std::deque<ScriptedInput> arrived_;  // arrived, not delivered yet
  int loops_ = 0;                      // message loops running
  TimePoint loopEnd_{};                // where the running loops end if loopUntil is not set
  int emptySleeps_ = 0;                // sleeps in a row that did not move the clock
  std::vector<MemoryWindow*> windows_;
  Handle nextHandle_ = kFirstWindowHandle;
  PcgRandom defaultRandom_;
  forms::BoxTextRenderer boxText_;
  TextRenderer* text_ = &boxText_;
  std::map<std::string, TimePoint> fileTimes_;  // when each file was written (fake clock)
  std::string lastFileError_;
  RandomSource* random_ = &defaultRandom_;
};

}  // namespace kal
