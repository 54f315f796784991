#include "platform/wayland/Keymap.h"

#include <sys/mman.h>
#include <unistd.h>

namespace kal::wayland {
namespace {

// wl_keyboard key codes are evdev codes; XKB's are 8 higher.
constexpr std::uint32_t kEvdevOffset = 8;
// A keymap is some tens of kilobytes: a larger one is not one.
constexpr std::uint32_t kMaxKeymapSize = 16u << 20;

}  // namespace

Keymap::Keymap() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

Keymap::~Keymap() {
  if (state_ != nullptr) xkb_state_unref(state_);
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  if (context_ != nullptr) xkb_context_unref(context_);
}

bool Keymap::Load(int fd, std::uint32_t size) {
  if (context_ == nullptr || size == 0 || size > kMaxKeymapSize) {
    ::close(fd);
    return false;
  }
  // Private: from seat version 7 on the compositor may share one read-only map with every client.
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) return false;
  // The text ends with a NUL within `size`; the length given stops before it.
  const char* text = static_cast<const char*>(map);
  std::size_t length = size;
  while (length > 0 && text[length - 1] == '\0') --length;
  xkb_keymap* keymap = xkb_keymap_new_from_buffer(context_, text, length, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
  ::munmap(map, size);
  if (keymap == nullptr) return false;
  xkb_state* state = xkb_state_new(keymap);
  if (state == nullptr) {
    xkb_keymap_unref(keymap);
    return false;
  }
  if (state_ != nullptr) xkb_state_unref(state_);
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  keymap_ = keymap;
  state_ = state;
  return true;
}

void Keymap::UpdateModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                             std::uint32_t group) {
  if (state_ != nullptr) xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
}

xkb_keysym_t Keymap::Symbol(std::uint32_t key) const {
  return state_ != nullptr ? xkb_state_key_get_one_sym(state_, key + kEvdevOffset) : XKB_KEY_NoSymbol;
}

xkb_keysym_t Keymap::BaseSymbol(std::uint32_t key) const {
  if (state_ == nullptr) return XKB_KEY_NoSymbol;
  const xkb_keycode_t code = key + kEvdevOffset;
  const xkb_layout_index_t layout = xkb_state_key_get_layout(state_, code);
  const xkb_keysym_t* syms = nullptr;
  if (layout == XKB_LAYOUT_INVALID || xkb_keymap_key_get_syms_by_level(keymap_, code, layout, 0, &syms) < 1)
    return XKB_KEY_NoSymbol;
  return syms[0];
}

std::string Keymap::Text(std::uint32_t key) const {
  if (state_ == nullptr) return {};
  char buffer[64];
  const int n = xkb_state_key_get_utf8(state_, key + kEvdevOffset, buffer, sizeof buffer);
  if (n <= 0) return {};
  return std::string(
      buffer, static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n) : sizeof buffer - 1);
}

bool Keymap::Held(const char* modifier) const {
  return state_ != nullptr && xkb_state_mod_name_is_active(state_, modifier, XKB_STATE_MODS_EFFECTIVE) > 0;
}

bool Keymap::ShiftHeld() const { return Held(XKB_MOD_NAME_SHIFT); }
bool Keymap::ControlHeld() const { return Held(XKB_MOD_NAME_CTRL); }
bool Keymap::AltHeld() const { return Held(XKB_MOD_NAME_ALT); }

}  // namespace kal::wayland
