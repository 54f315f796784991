#include "platform/wayland/Seat.h"

#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>

namespace kal::wayland {
namespace {

// 5: pointer frames and axis sources (unused, harmless); 7: the keymap may be
// mapped privately only, which Keymap does anyway.
constexpr std::uint32_t kSeatVersion = 7;

}  // namespace

Seat::Seat(wl_registry* registry, std::uint32_t globalName, std::uint32_t version)
    : version_(std::min(version, kSeatVersion)) {
  static const wl_seat_listener listener = {&Seat::Capabilities, &Seat::Name};
  seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, globalName, &wl_seat_interface, version_));
  wl_seat_add_listener(seat_, &listener, this);
}

Seat::~Seat() {
  ReleasePointer();
  ReleaseKeyboard();
  if (version_ >= WL_SEAT_RELEASE_SINCE_VERSION) {
    wl_seat_release(seat_);
  } else {
    wl_seat_destroy(seat_);
  }
}

void Seat::ReleasePointer() {
  if (pointer_ == nullptr) return;
  if (version_ >= WL_POINTER_RELEASE_SINCE_VERSION) {
    wl_pointer_release(pointer_);
  } else {
    wl_pointer_destroy(pointer_);
  }
  pointer_ = nullptr;
  pointerFocus_ = nullptr;
}

void Seat::ReleaseKeyboard() {
  if (keyboard_ == nullptr) return;
  if (version_ >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
    wl_keyboard_release(keyboard_);
  } else {
    wl_keyboard_destroy(keyboard_);
  }
  keyboard_ = nullptr;
  keyboardFocus_ = nullptr;
}

void Seat::Forget(wl_surface* surface) {
  if (pointerFocus_ == surface) pointerFocus_ = nullptr;
  if (keyboardFocus_ == surface) keyboardFocus_ = nullptr;
}

void Seat::SetCursor(wl_surface* image, std::int32_t hotX, std::int32_t hotY) {
  if (pointer_ == nullptr || pointerFocus_ == nullptr) return;
  wl_pointer_set_cursor(pointer_, enterSerial_, image, hotX, hotY);
}

void Seat::Capabilities(void* data, wl_seat* seat, std::uint32_t caps) {
  auto* self = static_cast<Seat*>(data);
  const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (pointer && self->pointer_ == nullptr) {
    // Only the events of version 1: frames and axis details add nothing here.
    static const wl_pointer_listener listener = {
        &Seat::PointerEnter,
        &Seat::PointerLeave,
        &Seat::PointerMotion,
        &Seat::PointerButton,
        &Seat::PointerAxis,
        [](void*, wl_pointer*) {},
        [](void*, wl_pointer*, std::uint32_t) {},
        [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
        [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
        [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    };
    self->pointer_ = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(self->pointer_, &listener, self);
  } else if (!pointer) {
    self->ReleasePointer();
  }
  if (keyboard && self->keyboard_ == nullptr) {
    static const wl_keyboard_listener listener = {&Seat::KeyboardKeymap,    &Seat::KeyboardEnter,
                                                  &Seat::KeyboardLeave,     &Seat::KeyboardKey,
                                                  &Seat::KeyboardModifiers, &Seat::KeyboardRepeat};
    self->keyboard_ = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(self->keyboard_, &listener, self);
  } else if (!keyboard) {
    self->ReleaseKeyboard();
  }
  if (self->handler_ != nullptr) self->handler_->OnCapabilities(pointer, keyboard);
}

void Seat::PointerEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface,
                        std::int32_t sx, std::int32_t sy) {
  auto* self = static_cast<Seat*>(data);
  self->pointerFocus_ = surface;
  self->lastSerial_ = serial;
  self->enterSerial_ = serial;
  // No surface: no image while the pointer is over this surface.
  if (self->cursorHidden_) wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
  if (self->handler_ != nullptr && surface != nullptr)
    self->handler_->OnPointerEnter(surface, wl_fixed_to_double(sx), wl_fixed_to_double(sy));
}

void Seat::PointerLeave(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface) {
  auto* self = static_cast<Seat*>(data);
  self->lastSerial_ = serial;
  const bool ours = surface != nullptr && surface == self->pointerFocus_;
  self->pointerFocus_ = nullptr;
  if (self->handler_ != nullptr && ours) self->handler_->OnPointerLeave(surface);
}

void Seat::PointerMotion(void* data, wl_pointer*, std::uint32_t, std::int32_t sx, std::int32_t sy) {
  auto* self = static_cast<Seat*>(data);
  if (self->handler_ != nullptr && self->pointerFocus_ != nullptr)
    self->handler_->OnPointerMotion(self->pointerFocus_, wl_fixed_to_double(sx), wl_fixed_to_double(sy));
}

void Seat::PointerButton(void* data, wl_pointer*, std::uint32_t serial, std::uint32_t, std::uint32_t button,
                         std::uint32_t state) {
  auto* self = static_cast<Seat*>(data);
  self->lastSerial_ = serial;
  if (self->handler_ != nullptr && self->pointerFocus_ != nullptr)
    self->handler_->OnPointerButton(self->pointerFocus_, button, state == WL_POINTER_BUTTON_STATE_PRESSED);
}

void Seat::PointerAxis(void* data, wl_pointer*, std::uint32_t, std::uint32_t axis, std::int32_t value) {
  auto* self = static_cast<Seat*>(data);
  if (self->handler_ != nullptr && self->pointerFocus_ != nullptr)
    self->handler_->OnPointerAxis(self->pointerFocus_, axis, wl_fixed_to_double(value));
}

void Seat::KeyboardKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd,
                          std::uint32_t size) {
  auto* self = static_cast<Seat*>(data);
  if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
    ::close(fd);
    return;
  }
  self->keymap_.Load(fd, size);
}

void Seat::KeyboardEnter(void* data, wl_keyboard*, std::uint32_t serial, wl_surface* surface, wl_array*) {
  auto* self = static_cast<Seat*>(data);
  self->keyboardFocus_ = surface;
  self->lastSerial_ = serial;
  if (self->handler_ != nullptr && surface != nullptr) self->handler_->OnKeyboardEnter(surface);
}

void Seat::KeyboardLeave(void* data, wl_keyboard*, std::uint32_t serial, wl_surface* surface) {
  auto* self = static_cast<Seat*>(data);
  self->lastSerial_ = serial;
  const bool ours = surface != nullptr && surface == self->keyboardFocus_;
  self->keyboardFocus_ = nullptr;
  if (self->handler_ != nullptr && ours) self->handler_->OnKeyboardLeave(surface);
}

void Seat::KeyboardKey(void* data, wl_keyboard*, std::uint32_t serial, std::uint32_t, std::uint32_t key,
                       std::uint32_t state) {
  auto* self = static_cast<Seat*>(data);
  self->lastSerial_ = serial;
  if (self->handler_ == nullptr || self->keyboardFocus_ == nullptr) return;
  self->handler_->OnKey(self->keyboardFocus_, self->keymap_.Symbol(key), self->keymap_.Text(key),
                        state == WL_KEYBOARD_KEY_STATE_PRESSED, self->keymap_, key);
}

void Seat::KeyboardModifiers(void* data, wl_keyboard*, std::uint32_t serial, std::uint32_t depressed,
                             std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
  auto* self = static_cast<Seat*>(data);
  self->lastSerial_ = serial;
  self->keymap_.UpdateModifiers(depressed, latched, locked, group);
}

}  // namespace kal::wayland
