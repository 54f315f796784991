// One wl_output and what it reports: its name, place in the layout and
// scale, from wl_output and (where the compositor offers it) zxdg_output_v1.
// The report is complete, and applies as a whole, at wl_output.done.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/wayland/Layout.h"

struct wl_output;
struct wl_registry;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace kal::wayland {

class Output {
 public:
  // Binds the registry's global `globalName` (a wl_output of `version`).
  Output(wl_registry* registry, std::uint32_t globalName, std::uint32_t version);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Asks for the xdg-output report too (the logical place and the name).
  void UseXdgOutput(zxdg_output_manager_v1* manager);
  // Runs after every complete report (the first one makes the output ready).
  void OnDone(std::function<void(Output&)> done) { done_ = std::move(done); }

  wl_output* wl() const { return output_; }
  std::uint32_t globalName() const { return globalName_; }
  // A report has arrived: the name and place are known.
  bool ready() const { return ready_; }
  // The compositor's name (HEADLESS-1, DP-2), else "output-<global name>".
  const std::string& name() const { return name_; }
  const std::string& description() const { return description_; }
  OutputPlace place() const { return PlaceOf(report_); }
  const OutputReport& report() const { return report_; }

 private:
  static void Geometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
                       std::int32_t, const char*, const char*, std::int32_t transform);
  static void Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                   std::int32_t);
  static void Done(void* data, wl_output*);
  static void Scale(void* data, wl_output*, std::int32_t factor);
  static void Name(void* data, wl_output*, const char* name);
  static void Description(void* data, wl_output*, const char* description);
  static void LogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y);
  static void LogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height);
  static void XdgDone(void* data, zxdg_output_v1*);
  static void XdgName(void* data, zxdg_output_v1*, const char* name);
  static void XdgDescription(void* data, zxdg_output_v1*, const char* description);
  void Apply();

  wl_output* output_ = nullptr;
  std::uint32_t globalName_;
  std::uint32_t version_;
  zxdg_output_v1* xdgOutput_ = nullptr;
  std::uint32_t xdgVersion_ = 0;
  // What has arrived since the last done, and the report as of then.
  OutputReport pending_;
  OutputReport report_;
  std::string pendingName_, pendingDescription_;
  std::string name_, description_;
  bool ready_ = false;
  std::function<void(Output&)> done_;
};

}  // namespace kal::wayland
