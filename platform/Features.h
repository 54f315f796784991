// What a backend offers beyond what every backend must. Each backend declares
// its set once, in the Features.h at the top of its folder, as a checklist;
// the logic asks Platform::Has() where a missing service changes what it does.
//
// The one convention for "not here": every operation tied to a feature has a
// default in its interface that does nothing, and a question answers its
// empty value (false, nullopt, nullptr, 0). A backend overrides exactly the
// operations of the features it declares. A declared service may still fail
// at run time (a library that will not load, a pointer that cannot be read):
// it answers the same empty value then.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kal {

enum class Feature : std::uint8_t {
  // ---- the window system ----
  kSeveralMonitors,      // Monitors() lists every monitor (else one, the screen)
  kHighDpiScaling,       // a WindowDesc::scaleToDisplay window shows enlarged on a dense display
  kFindWindowByCaption,  // FindTopLevelWindow sees every program's top-level windows
  kEmbedWindow,          // PlatformWindow::EmbedInto: our window as a child of another program's
  kAdoptWindow,          // AdoptWindow, BackgroundWindow: drawing into a window another program made
  kPointerPosition,      // GetCursorPos: the pointer anywhere on the screen
  kCaptionZoom,          // AnimateCaptionZoom: the rectangle animation of opening and closing
  // ---- the desktop ----
  kOsVersion,         // GetVersion
  kPasswordServices,  // PwdChangePassword, VerifyScreenSavePwd
  kScreenSaverFlags,  // SetScreenSaverRunning, SetScreenSavingActive
  kMessageBoxes,      // ShowMessage: the system's own message box
  kOpenDocument,      // OpenDocument: the desktop's "open" of an address
  kInstanceLock,      // HoldInstanceLock: one saver or dialog per desktop
};

inline constexpr std::array kAllFeatures = {
    Feature::kSeveralMonitors,  Feature::kHighDpiScaling, Feature::kFindWindowByCaption,
    Feature::kEmbedWindow,      Feature::kAdoptWindow,    Feature::kPointerPosition,
    Feature::kCaptionZoom,      Feature::kOsVersion,      Feature::kPasswordServices,
    Feature::kScreenSaverFlags, Feature::kMessageBoxes,   Feature::kOpenDocument,
    Feature::kInstanceLock,
};

// A feature's name as --version and test reports print it.
std::string_view FeatureName(Feature feature);

class Features {
 public:
  constexpr Features() = default;
  constexpr Features(std::initializer_list<Feature> list) {
    for (Feature f : list) bits_ |= Bit(f);
  }
  constexpr bool Has(Feature f) const { return (bits_ & Bit(f)) != 0; }
  constexpr Features With(Feature f) const { return Features(bits_ | Bit(f)); }
  constexpr Features Without(Feature f) const { return Features(bits_ & ~Bit(f)); }
  constexpr Features operator|(Features other) const { return Features(bits_ | other.bits_); }
  constexpr bool operator==(const Features&) const = default;
  // Every feature there is: a stand-in that plays the whole desktop.
  static constexpr Features All() {
    Features all;
    for (Feature f : kAllFeatures) all = all.With(f);
    return all;
  }

 private:
  constexpr explicit Features(std::uint32_t bits) : bits_(bits) {}
  static constexpr std::uint32_t Bit(Feature f) { return std::uint32_t{1} << static_cast<unsigned>(f); }
  std::uint32_t bits_ = 0;
};

}  // namespace kal
