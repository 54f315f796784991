// The keyboard's keymap and state through xkbcommon: which symbol and text a
// key gives with the modifiers held now.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <string>

namespace kal::wayland {

class Keymap {
 public:
  Keymap();
  ~Keymap();
  Keymap(const Keymap&) = delete;
  Keymap& operator=(const Keymap&) = delete;

  // wl_keyboard.keymap: `size` bytes of an XKB text keymap in `fd` (closed
  // here). False, with the old keymap kept, when it cannot be read.
  bool Load(int fd, std::uint32_t size);
  bool loaded() const { return state_ != nullptr; }
  // wl_keyboard.modifiers.
  void UpdateModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                       std::uint32_t group);
  // The symbol of wl_keyboard.key's `key` (an evdev code); XKB_KEY_NoSymbol without a keymap.
  xkb_keysym_t Symbol(std::uint32_t key) const;
  // Its symbol on the first level of the active layout: what it gives
  // without modifiers (Shift+1 gives '1').
  xkb_keysym_t BaseSymbol(std::uint32_t key) const;
  // The text it types (UTF-8), empty for keys that type none.
  std::string Text(std::uint32_t key) const;
  bool ShiftHeld() const;
  bool ControlHeld() const;
  bool AltHeld() const;

 private:
  bool Held(const char* modifier) const;

  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* state_ = nullptr;
};

}  // namespace kal::wayland
