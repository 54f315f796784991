#include "platform/wayland/Output.h"

#include <wayland-client.h>

#include <algorithm>

#include "xdg-output-unstable-v1-client-protocol.h"

namespace kal::wayland {
namespace {

// Version 4 adds the name and description; 2 adds done and scale.
constexpr std::uint32_t kOutputVersion = 4;

}  // namespace

Output::Output(wl_registry* registry, std::uint32_t globalName, std::uint32_t version)
    : globalName_(globalName),
      version_(std::min(version, kOutputVersion)),
      name_("output-" + std::to_string(globalName)) {
  static const wl_output_listener listener = {&Output::Geometry, &Output::Mode, &Output::Done,
                                              &Output::Scale,    &Output::Name, &Output::Description};
  output_ = static_cast<wl_output*>(wl_registry_bind(registry, globalName, &wl_output_interface, version_));
  wl_output_add_listener(output_, &listener, this);
}

Output::~Output() {
  if (xdgOutput_ != nullptr) zxdg_output_v1_destroy(xdgOutput_);
  if (version_ >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
    wl_output_release(output_);
  } else {
    wl_output_destroy(output_);
  }
}

void Output::UseXdgOutput(zxdg_output_manager_v1* manager) {
  if (manager == nullptr || xdgOutput_ != nullptr) return;
  static const zxdg_output_v1_listener listener = {&Output::LogicalPosition, &Output::LogicalSize,
                                                   &Output::XdgDone, &Output::XdgName,
                                                   &Output::XdgDescription};
  xdgOutput_ = zxdg_output_manager_v1_get_xdg_output(manager, output_);
  xdgVersion_ = zxdg_output_v1_get_version(xdgOutput_);
  zxdg_output_v1_add_listener(xdgOutput_, &listener, this);
}

void Output::Apply() {
  // A done that comes before xdg-output's first report (it was asked for
  // after the wl_output was bound) has no logical place yet: wait for it.
  if (xdgOutput_ != nullptr && !pending_.hasLogical) return;
  report_ = pending_;
  if (!pendingName_.empty()) name_ = pendingName_;
  if (!pendingDescription_.empty()) description_ = pendingDescription_;
  ready_ = true;
  if (done_) done_(*this);
}

void Output::Geometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
                      std::int32_t, const char*, const char*, std::int32_t transform) {
  auto* self = static_cast<Output*>(data);
  self->pending_.x = x;
  self->pending_.y = y;
  self->pending_.transform = transform;
}

void Output::Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                  std::int32_t) {
  auto* self = static_cast<Output*>(data);
  if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
  self->pending_.modeWidth = width;
  self->pending_.modeHeight = height;
  // Version 1 has no done event: the mode comes last.
  if (self->version_ < WL_OUTPUT_DONE_SINCE_VERSION) self->Apply();
}

void Output::Done(void* data, wl_output*) { static_cast<Output*>(data)->Apply(); }

void Output::Scale(void* data, wl_output*, std::int32_t factor) {
  static_cast<Output*>(data)->pending_.scale = factor;
}

void Output::Name(void* data, wl_output*, const char* name) {
  if (name != nullptr) static_cast<Output*>(data)->pendingName_ = name;
}

void Output::Description(void* data, wl_output*, const char* description) {
  if (description != nullptr) static_cast<Output*>(data)->pendingDescription_ = description;
}

void Output::LogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
  auto* self = static_cast<Output*>(data);
  self->pending_.hasLogical = true;
  self->pending_.logicalX = x;
  self->pending_.logicalY = y;
}

void Output::LogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
  auto* self = static_cast<Output*>(data);
  self->pending_.hasLogical = true;
  self->pending_.logicalWidth = width;
  self->pending_.logicalHeight = height;
}

void Output::XdgDone(void* data, zxdg_output_v1*) {
  // From version 3 on, xdg-output's changes apply with wl_output.done instead.
  auto* self = static_cast<Output*>(data);
  if (self->xdgVersion_ < 3) self->Apply();
}

void Output::XdgName(void* data, zxdg_output_v1*, const char* name) {
  // wl_output's own name (version 4) is the same; it wins where both come.
  auto* self = static_cast<Output*>(data);
  if (name != nullptr && (self->version_ < WL_OUTPUT_NAME_SINCE_VERSION || self->pendingName_.empty()))
    self->pendingName_ = name;
}

void Output::XdgDescription(void*, zxdg_output_v1*, const char*) {}

}  // namespace kal::wayland
