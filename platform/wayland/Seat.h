// The seat's pointer and keyboard, as they come and go with its
// capabilities. Every event is handed on with the surface it concerns
// (wl_pointer and wl_keyboard name it only on enter): positions in that
// surface's coordinates, keys as XKB symbols and text. The pointer's image
// is hidden over our surfaces unless asked otherwise.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <string>

#include "platform/wayland/Keymap.h"

struct wl_keyboard;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_surface;
struct wl_array;

namespace kal::wayland {

class InputHandler {
 public:
  virtual void OnPointerEnter(wl_surface* /*surface*/, double /*x*/, double /*y*/) {}
  virtual void OnPointerMotion(wl_surface* /*surface*/, double /*x*/, double /*y*/) {}
  // `button`: the evdev code (BTN_LEFT 0x110, BTN_RIGHT 0x111, BTN_MIDDLE 0x112).
  virtual void OnPointerButton(wl_surface* /*surface*/, std::uint32_t /*button*/, bool /*pressed*/) {}
  virtual void OnPointerLeave(wl_surface* /*surface*/) {}
  // The wheel and other axes: one event per axis change.
  virtual void OnPointerAxis(wl_surface* /*surface*/, std::uint32_t /*axis*/, double /*value*/) {}
  virtual void OnKeyboardEnter(wl_surface* /*surface*/) {}
  virtual void OnKeyboardLeave(wl_surface* /*surface*/) {}
  // A key (its evdev code `key`) went down (pressed) or up; `keymap` tells
  // the modifiers held and the key's other symbols.
  virtual void OnKey(wl_surface* /*surface*/, xkb_keysym_t /*symbol*/, const std::string& /*text*/,
                     bool /*pressed*/, const Keymap& /*keymap*/, std::uint32_t /*key*/) {}
  // The seat gained or lost its pointer or keyboard.
  virtual void OnCapabilities(bool /*pointer*/, bool /*keyboard*/) {}

 protected:
  ~InputHandler() = default;
};

class Seat {
 public:
  Seat(wl_registry* registry, std::uint32_t globalName, std::uint32_t version);
  ~Seat();
  Seat(const Seat&) = delete;
  Seat& operator=(const Seat&) = delete;

  // Null: events are dropped. The handler must outlive the seat or be reset.
  void SetHandler(InputHandler* handler) { handler_ = handler; }
  // True (the default): the pointer shows no image over our surfaces.
  // False: the handler's OnPointerEnter chooses the image (SetCursor).
  void SetCursorHidden(bool hidden) { cursorHidden_ = hidden; }
  // The pointer's image over our surface under it now (null: none), by the
  // serial of its enter; nothing when the pointer is over none of ours.
  void SetCursor(wl_surface* image, std::int32_t hotX, std::int32_t hotY);

  bool hasPointer() const { return pointer_ != nullptr; }
  bool hasKeyboard() const { return keyboard_ != nullptr; }
  wl_surface* pointerFocus() const { return pointerFocus_; }
  wl_surface* keyboardFocus() const { return keyboardFocus_; }
  // The keyboard's keymap and the modifiers held now.
  const Keymap& keymap() const { return keymap_; }
  // The serial of the last input event (for requests that ask for one).
  std::uint32_t lastSerial() const { return lastSerial_; }

  // Our surface is going away: events still naming it are dropped.
  void Forget(wl_surface* surface);

 private:
  static void Capabilities(void* data, wl_seat*, std::uint32_t caps);
  static void Name(void*, wl_seat*, const char*) {}
  static void PointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                           std::int32_t sx, std::int32_t sy);
  static void PointerLeave(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface);
  static void PointerMotion(void* data, wl_pointer*, std::uint32_t time, std::int32_t sx, std::int32_t sy);
  static void PointerButton(void* data, wl_pointer*, std::uint32_t serial, std::uint32_t time,
                            std::uint32_t button, std::uint32_t state);
  static void PointerAxis(void* data, wl_pointer*, std::uint32_t time, std::uint32_t axis,
                          std::int32_t value);
  static void KeyboardKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd,
                             std::uint32_t size);
  static void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t serial, wl_surface* surface,
                            wl_array* keys);
  static void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t serial, wl_surface* surface);
  static void KeyboardKey(void* data, wl_keyboard*, std::uint32_t serial, std::uint32_t time,
                          std::uint32_t key, std::uint32_t state);
  static void KeyboardModifiers(void* data, wl_keyboard*, std::uint32_t serial, std::uint32_t depressed,
                                std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
  static void KeyboardRepeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
  void ReleasePointer();
  void ReleaseKeyboard();

  wl_seat* seat_ = nullptr;
  std::uint32_t version_;
  wl_pointer* pointer_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_surface* pointerFocus_ = nullptr;
  wl_surface* keyboardFocus_ = nullptr;
  std::uint32_t lastSerial_ = 0;
  std::uint32_t enterSerial_ = 0;  // of the pointer's last enter, which set_cursor names
  bool cursorHidden_ = true;
  Keymap keymap_;
  InputHandler* handler_ = nullptr;
};

}  // namespace kal::wayland
