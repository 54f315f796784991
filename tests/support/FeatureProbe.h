// Asks a platform every question whose answer shows whether a feature is
// there, and compares with what the platform declares: a feature it does not
// declare must answer "not here" (the empty value), and one it declares must
// answer where the answer can be had without a person (no dialog, no box).
// Used against the memory backend (unit tests), X11 under Xvfb and Win32
// under Wine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace kal::test {

class ProbeWindow final : public WindowHandler {};

// The features whose answers disagree with the declaration, each with what
// was seen. `caption` is used for a window the probe makes and looks for.
inline std::vector<std::string> FeatureMismatches(Platform& p,
                                                  const std::string& caption = "kal feature probe") {
  std::vector<std::string> out;
  auto expect = [&](Feature f, bool answered, const std::string& seen) {
    if (answered != p.Has(f)) {
      out.push_back(std::string(FeatureName(f)) + (p.Has(f) ? ": declared, but " : ": not declared, but ") +
                    seen);
    }
  };
  WindowSystem& w = p.Windows();
  DesktopServices& d = p.Desktop();

  // One monitor is all a desk may have: only a system without the feature
  // must answer exactly one.
  if (!p.Has(Feature::kSeveralMonitors) && w.Monitors().size() != 1)
    out.push_back("several monitors: not declared, but " + std::to_string(w.Monitors().size()) + " answered");

  ProbeWindow host, child;
  WindowDesc desc;
  desc.caption = caption;
  std::unique_ptr<PlatformWindow> a = w.MakeWindow(desc, host);
  desc.caption = caption + " (child)";
  desc.border = false;
  std::unique_ptr<PlatformWindow> b = w.MakeWindow(desc, child);
  if (!a || !b) {
    out.push_back("the probe's windows could not be made");
    return out;
  }
  a->Move(0, 0, 64, 48);
  a->Show();
  w.DoEvents();
  const Handle found = w.FindTopLevelWindow(caption);
  expect(Feature::kFindWindowByCaption, found == a->handle(),
         "FindTopLevelWindow gave " + std::to_string(found));
  const bool embedded = b->EmbedInto(a->handle());
  expect(Feature::kEmbedWindow, embedded, embedded ? "EmbedInto worked" : "EmbedInto refused");
  b->Unload();
  a->Unload();

  // Adopting: the desktop's background window, which every system with the
  // service has (the memory backend's when a test names one).
  const Handle background = w.BackgroundWindow();
  bool adopted = false;
  if (background != 0) {
    ProbeWindow drawer;
    std::unique_ptr<PlatformWindow> on = w.AdoptWindow(background, drawer);
    adopted = on != nullptr;
    if (on) on->Unload();
  }
  expect(Feature::kAdoptWindow, adopted, "background window " + std::to_string(background));

  int x = 0, y = 0;
  expect(Feature::kPointerPosition, w.GetCursorPos(x, y), "GetCursorPos answered");
  expect(Feature::kOsVersion, d.GetVersion().has_value(), "GetVersion answered");
  expect(Feature::kInstanceLock, d.HoldInstanceLock(), "HoldInstanceLock answered");
  // These answer only where declared: a real password dialog or message box
  // would wait for a person, so only their absence is asked for.
  if (!p.Has(Feature::kPasswordServices) && d.VerifyScreenSavePwd(0).has_value())
    out.push_back("screen-saver passwords: not declared, but VerifyScreenSavePwd answered");
  if (!p.Has(Feature::kMessageBoxes) && d.ShowMessage(0, caption, "probe"))
    out.push_back("message boxes: not declared, but ShowMessage showed one");
  return out;
}

}  // namespace kal::test
