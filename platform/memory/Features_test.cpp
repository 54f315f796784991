#include "platform/memory/Features.h"

#include <gtest/gtest.h>

#include "platform/memory/MemoryPlatform.h"
#include "platform/posix/Features.h"
#include "platform/wayland/Features.h"
#include "platform/win32/Features.h"
#include "platform/x11/Features.h"
#include "tests/support/FeatureProbe.h"

namespace kal {
namespace {

// The memory backend plays any desktop's set of features: what it leaves out
// answers "not here", what it keeps answers. Each real backend's own
// declaration is checked the same way against the real system (X11 under
// Xvfb, Win32 under Wine).
TEST(MemoryFeatures, EveryDeclaredSetAnswersAsDeclared) {
  const struct {
    const char* name;
    Features features;
  } sets[] = {
      {"everything", kMemoryFeatures},
      {"x11", x11::kX11Features | kPosixDesktopFeatures},
      {"wayland", wayland::kWaylandFeatures | kPosixDesktopFeatures},
      {"win32", win32::kWin32Features},
      {"nothing", Features{}},
  };
  for (const auto& set : sets) {
    MemoryPlatform p;
    p.offered = set.features;
    p.monitors = {{0, 0, 800, 600}, {800, 0, 1600, 600}};
    p.foreignRects[0x77] = PixelRect{0, 0, 640, 480};
    p.rootWindow = 0x77;
    p.cursorPos = std::pair{3, 4};
    p.passwordAnswer = true;
    EXPECT_EQ(test::FeatureMismatches(p), std::vector<std::string>{}) << set.name;
    // Several monitors are listed only where the feature is.
    EXPECT_EQ(p.Monitors().size(), set.features.Has(Feature::kSeveralMonitors) ? 2u : 1u) << set.name;
  }
}

}  // namespace
}  // namespace kal
