// The pointer's pictures over our surfaces: none (the saver), the desktop's
// arrow (the cursor theme's, through wayland-cursor), or the program's hand
// (its .cur file, hot spot kept). One cursor surface shows whichever is asked.
#pragma once

#include <cstdint>
#include <span>

struct wl_buffer;
struct wl_cursor_theme;
struct wl_surface;

namespace kal::wayland {

class Connection;

enum class CursorKind { kHidden, kArrow, kHand };

class CursorImages {
 public:
  // `hand`: a .cur file (empty or unreadable: the theme's hand).
  CursorImages(Connection& connection, std::span<const std::uint8_t> hand);
  ~CursorImages();
  CursorImages(const CursorImages&) = delete;
  CursorImages& operator=(const CursorImages&) = delete;

  // Shows `kind` over the surface the pointer is on now (Seat::SetCursor).
  void Show(CursorKind kind);

 private:
  struct Image {
    wl_buffer* buffer = nullptr;  // null: none could be made
    int width = 0, height = 0, hotX = 0, hotY = 0;
  };
  void LoadTheme();
  Image ThemeImage(const char* const* names);
  Image HandImage();

  Connection& connection_;
  std::span<const std::uint8_t> handFile_;
  wl_cursor_theme* theme_ = nullptr;
  bool themeTried_ = false;
  wl_surface* surface_ = nullptr;
  Image arrow_, hand_;
  bool arrowMade_ = false, handMade_ = false;
  // The hand's own pixels (the theme's buffers are the theme's).
  wl_buffer* handBuffer_ = nullptr;
  void* handMemory_ = nullptr;
  std::size_t handBytes_ = 0;
  const Image* shown_ = nullptr;
};

}  // namespace kal::wayland
