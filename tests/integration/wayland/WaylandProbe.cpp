// kal-wayland-probe: the Wayland layer on a real compositor. Covers every
// output with a black surface (layer shell, or full-screen xdg_toplevels;
// KALVESSA_WAYLAND_SHELL chooses) and, once the first frame is on screen,
// draws a test pattern on one of them through the shared-memory buffers,
// telling the compositor only the changed tiles. Prints what happens as
// lines on stdout, for the tests: the globals, outputs, configures,
// surfaces entering outputs, pointer positions (also in the pattern
// output's pixels), buttons and keys. A key press ends it (exit 0), as do
// SIGTERM and SIGINT; --timeout ends it with exit 3.
//
//   kal-wayland-probe [--pattern NAME] [--unplaced] [--animate] [--timeout SECONDS]
//
// --pattern NAME   the output that shows the pattern (default: the first)
// --unplaced       one surface only, made for no output: shows where the
//                  compositor puts it (the pattern goes there)
// --animate        a dot steps one pixel per frame callback; a line
//                  "stats frames=N commits=N" comes every second
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/wayland/Connection.h"
#include "platform/wayland/EventPump.h"
#include "platform/wayland/Layout.h"
#include "platform/wayland/Output.h"
#include "platform/wayland/OutputSurface.h"
#include "platform/wayland/Seat.h"
#include "platform/wayland/ShellChoice.h"

namespace kal::wayland {
namespace {

volatile sig_atomic_t g_signal = 0;
void OnSignal(int sig) { g_signal = sig; }

// The pattern, in the buffer's pixels: a 64x64 yellow square and three
// white 3x3 dots in tiles of their own, far apart.
constexpr Color kYellow = Rgb(255, 255, 0);
constexpr Color kWhite = Rgb(255, 255, 255);
constexpr Color kCyan = Rgb(0, 255, 255);
constexpr int kSquare[4] = {64, 64, 128, 128};
constexpr int kDots[3][2] = {{300, 300}, {601, 100}, {100, 501}};
constexpr int kAnimationRow = 400;

struct Options {
  std::string pattern;  // empty: the first output
  bool unplaced = false;
  bool animate = false;
  int timeoutSeconds = 60;
};

struct Cover {
  std::unique_ptr<OutputSurface> surface;
  Canvas canvas;
  bool pattern = false;
  bool patternDrawn = false;
  bool gone = false;
  int step = 0;   // of the animated dot
  int dotX = -1;  // where it is drawn (-1: nowhere yet)
};

class Probe final : public SurfaceHandler, public InputHandler {
 public:
  Probe(Connection& connection, Shell shell, const Options& options)
      : connection_(connection), shell_(shell), options_(options) {}

  void Start() {
    if (Seat* seat = connection_.seat()) seat->SetHandler(this);
    connection_.SetOutputEvents(OutputEvents{[this](Output& o) {
                                               PrintOutput("added", o);
                                               if (!options_.unplaced) AddCover(&o);
                                             },
                                             [this](Output& o) {
                                               PrintOutput("changed", o);
                                               for (auto& c : covers_) {
                                                 if (c->surface->output() == &o) c->surface->OutputChanged();
                                               }
                                             },
                                             [this](Output& o) {
                                               std::printf("output removed name=%s\n", o.name().c_str());
                                               for (auto& c : covers_) c->surface->OutputRemoved(o);
                                               // Its cover must go before it does.
                                               std::erase_if(covers_, [&](const std::unique_ptr<Cover>& c) {
                                                 return c->surface->placed() && c->surface->output() == &o;
                                               });
                                             }});
    const std::vector<Output*> outputs = connection_.Outputs();
    for (Output* o : outputs) PrintOutput("present", *o);
    if (options_.unplaced) {
      AddCover(nullptr);
    } else {
      for (Output* o : outputs) AddCover(o);
    }
  }

  // Draws and commits what can be; forgets covers the compositor closed.
  void Update() {
    std::erase_if(covers_, [](const std::unique_ptr<Cover>& c) { return c->gone; });
    for (auto& c : covers_) {
      if (c->surface->WantsPresent(c->canvas)) c->surface->Present(c->canvas);
    }
  }

  bool done() const { return exitCode_.has_value(); }
  int exitCode() const { return exitCode_.value_or(0); }
  void Quit(const char* why, int code) {
    if (exitCode_) return;
    std::printf("exit reason=%s\n", why);
    exitCode_ = code;
  }

  void PrintStats() {
    for (auto& c : covers_) {
      if (!c->pattern) continue;
      std::printf("stats frames=%zu commits=%zu pending=%d buffers=%d all-held=%zu\n",
                  c->surface->framesDone(), c->surface->commits(), c->surface->FramePending() ? 1 : 0,
                  c->surface->buffers().buffersMade(), c->surface->buffers().allHeld());
    }
  }

  // ---- SurfaceHandler ----
  void OnConfigured(OutputSurface& s) override {
    Cover* c = Find(s);
    if (c == nullptr) return;
    std::printf("configured output=%s shell=%s width=%d height=%d scale=%d buffer=%dx%d\n", Label(s).c_str(),
                ShellName(s.shell()), s.width(), s.height(), s.scale(), s.bufferWidth(), s.bufferHeight());
    c->canvas.Resize(s.bufferWidth(), s.bufferHeight(), Rgb(0, 0, 0));
    c->canvas.EnableDirtyTracking(true);
    // A new size starts black; a pattern already shown is drawn again at once.
    if (c->patternDrawn) DrawPattern(*c);
  }
  void OnFrame(OutputSurface& s) override {
    Cover* c = Find(s);
    if (c == nullptr || !c->pattern) return;
    if (!c->patternDrawn) {
      // Black is on screen: the pattern now goes out as damage of its tiles only.
      DrawPattern(*c);
      std::printf("pattern output=%s\n", Label(s).c_str());
    } else if (options_.animate) {
      Step(*c);
    }
  }
  void OnClosed(OutputSurface& s) override {
    std::printf("closed output=%s\n", Label(s).c_str());
    if (Cover* c = Find(s)) c->gone = true;
  }
  void OnCloseRequest(OutputSurface&) override { Quit("close-request", 0); }
  void OnEnter(OutputSurface& s, Output& o) override {
    std::printf("enter surface=%s output=%s\n", Label(s).c_str(), o.name().c_str());
    Cover* c = Find(s);
    if (c != nullptr && !s.placed()) c->pattern = true;
  }
  void OnLeave(OutputSurface& s, Output& o) override {
    std::printf("leave surface=%s output=%s\n", Label(s).c_str(), o.name().c_str());
  }

  // ---- InputHandler ----
  void OnCapabilities(bool pointer, bool keyboard) override {
    std::printf("seat pointer=%d keyboard=%d\n", pointer ? 1 : 0, keyboard ? 1 : 0);
  }
  void OnPointerEnter(wl_surface* surface, double x, double y) override { Pointer("enter", surface, x, y); }
  void OnPointerMotion(wl_surface* surface, double x, double y) override { Pointer("motion", surface, x, y); }
  void OnPointerLeave(wl_surface* surface) override {
    std::printf("pointer leave output=%s\n", LabelOf(surface).c_str());
  }
  void OnPointerButton(wl_surface* surface, std::uint32_t button, bool pressed) override {
    std::printf("pointer button output=%s button=0x%x state=%s\n", LabelOf(surface).c_str(), button,
                pressed ? "pressed" : "released");
  }
  void OnKeyboardEnter(wl_surface* surface) override {
    std::printf("keyboard enter output=%s\n", LabelOf(surface).c_str());
  }
  void OnKey(wl_surface* surface, xkb_keysym_t symbol, const std::string& text, bool pressed, const Keymap&,
             std::uint32_t) override {
    char name[64];
    if (xkb_keysym_get_name(symbol, name, sizeof name) < 0) std::snprintf(name, sizeof name, "0x%x", symbol);
    std::printf("key output=%s sym=%s text=%s state=%s\n", LabelOf(surface).c_str(), name, text.c_str(),
                pressed ? "pressed" : "released");
    if (pressed) Quit("key", 0);
  }

 private:
  void PrintOutput(const char* what, Output& o) {
    const OutputPlace p = o.place();
    std::printf("output %s name=%s x=%d y=%d width=%d height=%d scale=%d\n", what, o.name().c_str(), p.x, p.y,
                p.width, p.height, p.scale);
  }

  void AddCover(Output* output) {
    auto c = std::make_unique<Cover>();
    c->pattern = output != nullptr &&
                 ((options_.pattern.empty() && !patternChosen_) || output->name() == options_.pattern);
    if (c->pattern) patternChosen_ = true;
    c->surface = std::make_unique<OutputSurface>(connection_, output, shell_, *this);
    covers_.push_back(std::move(c));
  }

  Cover* Find(const OutputSurface& s) {
    for (auto& c : covers_) {
      if (c->surface.get() == &s) return c.get();
    }
    return nullptr;
  }
  Cover* FindBySurface(const wl_surface* surface) {
    for (auto& c : covers_) {
      if (c->surface->surface() == surface) return c.get();
    }
    return nullptr;
  }
  std::string Label(const OutputSurface& s) {
    if (!s.placed()) return "unplaced";
    return s.output() != nullptr ? s.output()->name() : "?";
  }
  std::string LabelOf(const wl_surface* surface) {
    Cover* c = FindBySurface(surface);
    return c != nullptr ? Label(*c->surface) : "foreign";
  }

  void Pointer(const char* what, wl_surface* surface, double x, double y) {
    Cover* c = FindBySurface(surface);
    const Cover* swarm = nullptr;
    for (auto& k : covers_) {
      if (k->pattern) swarm = k.get();
    }
    std::printf("pointer %s output=%s x=%.2f y=%.2f", what, LabelOf(surface).c_str(), x, y);
    if (c != nullptr && c->surface->output() != nullptr && swarm != nullptr &&
        swarm->surface->output() != nullptr) {
      const PointF p = ToSwarmPixels(swarm->surface->output()->place(), c->surface->output()->place(), x, y);
      std::printf(" swarm=%.2f,%.2f", p.x, p.y);
    }
    std::printf("\n");
  }

  void DrawPattern(Cover& c) {
    c.canvas.FillRect(kSquare[0], kSquare[1], kSquare[2], kSquare[3], kYellow);
    for (const auto& d : kDots) c.canvas.FillRect(d[0] - 1, d[1] - 1, d[0] + 2, d[1] + 2, kWhite);
    c.patternDrawn = true;
  }

  void Step(Cover& c) {
    const int span = c.canvas.width() > 8 ? c.canvas.width() - 8 : 1;
    const int x = 4 + c.step % span;
    if (c.dotX >= 0)
      c.canvas.FillRect(c.dotX - 1, kAnimationRow - 1, c.dotX + 2, kAnimationRow + 2, Rgb(0, 0, 0));
    c.canvas.FillRect(x - 1, kAnimationRow - 1, x + 2, kAnimationRow + 2, kCyan);
    c.dotX = x;
    ++c.step;
  }

  Connection& connection_;
  Shell shell_;
  Options options_;
  std::vector<std::unique_ptr<Cover>> covers_;
  bool patternChosen_ = false;
  std::optional<int> exitCode_;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int k = 1; k < argc; ++k) {
    const std::string a = argv[k];
    if (a == "--pattern" && k + 1 < argc) {
      options.pattern = argv[++k];
    } else if (a == "--unplaced") {
      options.unplaced = true;
    } else if (a == "--animate") {
      options.animate = true;
    } else if (a == "--timeout" && k + 1 < argc) {
      options.timeoutSeconds = std::atoi(argv[++k]);
      if (options.timeoutSeconds <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

int Run(const Options& options) {
  Connection connection;
  std::printf("globals compositor=%u layer-shell=%u decoration=%d xdg-output=%d seat=%u\n",
              connection.compositorVersion(), connection.layerShellVersion(),
              connection.decorationManager() != nullptr ? 1 : 0,
              connection.outputManager() != nullptr ? 1 : 0, connection.seatVersion());
  const ShellDecision shell = ChooseShell(std::getenv(kShellVariable), connection.layerShell() != nullptr);
  std::printf("shell %s%s%.*s\n", ShellName(shell.shell),
              shell.note.empty() ? "" : " note=", static_cast<int>(shell.note.size()), shell.note.data());
  if (Seat* seat = connection.seat())
    std::printf("seat pointer=%d keyboard=%d\n", seat->hasPointer() ? 1 : 0, seat->hasKeyboard() ? 1 : 0);
  else
    std::printf("seat none\n");

  Probe probe(connection, shell.shell, options);
  probe.Start();
  EventPump pump(connection.display());
  const TimePoint end = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
  TimePoint nextStats = Clock::now() + std::chrono::seconds(1);
  while (!probe.done()) {
    pump.DispatchQueued();
    probe.Update();
    std::fflush(stdout);
    if (probe.done()) break;
    const TimePoint now = Clock::now();
    if (g_signal != 0) {
      probe.Quit("signal", 0);
      break;
    }
    if (now >= end) {
      probe.Quit("timeout", 3);
      break;
    }
    if (options.animate && now >= nextStats) {
      probe.PrintStats();
      nextStats += std::chrono::seconds(1);
    }
    const TimePoint wake = options.animate ? std::min(end, nextStats) : end;
    if (pump.SleepUntil(wake)) pump.DispatchQueued();
    pump.ReadAndDispatch();
  }
  probe.PrintStats();
  pump.Flush();
  std::fflush(stdout);
  return probe.exitCode();
}

}  // namespace
}  // namespace kal::wayland

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  kal::wayland::Options options;
  if (!kal::wayland::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: %s [--pattern NAME] [--unplaced] [--animate] [--timeout SECONDS]\n",
                 argv[0]);
    return 2;
  }
  struct sigaction action {};
  action.sa_handler = kal::wayland::OnSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  try {
    return kal::wayland::Run(options);
  } catch (const kal::wayland::WaylandError& e) {
    std::printf("error %s\n", e.what());
    std::fprintf(stderr, "kal-wayland-probe: %s\n", e.what());
    return 1;
  }
}
