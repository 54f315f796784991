// The Wayland backend against a real compositor (run under headless sway
// with two outputs by backend_sway.sh): the row of the Linux table answers
// as its checklist says, and a drawing window reuses its few buffers and
// commits at most once per frame callback.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/linux/WindowSystems.h"
#include "platform/wayland/WaylandWindow.h"
#include "platform/wayland/WaylandWindowSystem.h"
#include "tests/support/FeatureProbe.h"

namespace kal::wayland {
namespace {

class Quiet final : public WindowHandler {};

// The Wayland row, as the program opens it: what the window system and the
// shared Linux services declare is what they answer here.
TEST(WaylandFeatures, TheBackendAnswersAsItsChecklistSays) {
  const linux_desktop::WindowSystemEntry* row =
      linux_desktop::FindWindowSystem(linux_desktop::WindowSystems(), "wayland");
  ASSERT_NE(row, nullptr);
  std::string error;
  std::unique_ptr<linux_desktop::LinuxPlatform> platform = row->open("/s", WindowArt{}, error);
  ASSERT_NE(platform, nullptr) << error;
  EXPECT_EQ(test::FeatureMismatches(*platform), std::vector<std::string>{});
  // Both outputs, in one space: the second beside the first.
  const std::vector<PixelRect> monitors = platform->Windows().Monitors();
  ASSERT_EQ(monitors.size(), 2u);
  EXPECT_EQ(monitors[0], (PixelRect{0, 0, 1280, 720}));
  EXPECT_EQ(monitors[1], (PixelRect{1280, 0, 3200, 1080}));
}

// Two seconds of a dot moving every frame: the frames ride on the
// compositor's callbacks, and the same two or three buffers carry them all.
TEST(WaylandBuffers, AFewBuffersCarryEveryFrameOneCommitPerCallback) {
  std::string error;
  std::unique_ptr<WaylandWindowSystem> windows = WaylandWindowSystem::Open(WindowArt{}, error);
  ASSERT_NE(windows, nullptr) << error;
  Quiet handler;
  WindowDesc desc;
  desc.fullScreen = true;
  std::unique_ptr<PlatformWindow> window = windows->MakeWindow(desc, handler);
  const PixelRect m = windows->Monitors().front();
  window->Move(m.left, m.top, m.right - m.left, m.bottom - m.top);
  window->Show();
  const TimePoint end = windows->Now() + std::chrono::seconds(2);
  int x = 10;
  while (windows->Now() < end) {
    window->Display().Circle(static_cast<float>(x), 100, 1, Rgb(250, 250, 0));
    x = x % 1200 + 3;
    windows->DoEvents();
    windows->WaitUntil(windows->Now() + std::chrono::milliseconds(2));
  }
  EXPECT_TRUE(windows->Presenting());
  const OutputSurface* surface = static_cast<WaylandWindow&>(*window).coverSurface();
  ASSERT_NE(surface, nullptr);
  EXPECT_GE(surface->commits(), 60u) << "the frames did not reach the compositor";
  EXPECT_LE(surface->commits(), surface->framesDone() + 1);
  EXPECT_LE(surface->buffers().buffersMade(), ShmBuffers::kMaxBuffers);
  window->Unload();
}

}  // namespace
}  // namespace kal::wayland
