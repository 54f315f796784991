// kaltest features: the Win32 backend's declared features against what it
// answers on this system.
#include <windows.h>

#include <cstdio>

#include "platform/win32/Win32Platform.h"
#include "tests/support/FeatureProbe.h"
#include "tests/win32/Commands.h"

namespace kaltest {

int FeaturesCommand() {
  kal::Win32Platform platform(GetModuleHandleW(nullptr), kal::WindowArt{});
  for (kal::Feature f : kal::kAllFeatures) {
    std::printf("%s %s\n", platform.Has(f) ? "[x]" : "[ ]", std::string(kal::FeatureName(f)).c_str());
  }
  const std::vector<std::string> wrong = kal::test::FeatureMismatches(platform);
  for (const std::string& w : wrong) std::printf("mismatch: %s\n", w.c_str());
  std::printf("%zu mismatches\n", wrong.size());
  return wrong.empty() ? 0 : 1;
}

}  // namespace kaltest
