#include "platform/wayland/CursorImages.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>

#include <cstdlib>
#include <cstring>

#include "platform/IconFile.h"
#include "platform/wayland/Connection.h"
#include "platform/wayland/Seat.h"

namespace kal::wayland {
namespace {

constexpr int kDefaultCursorSize = 24;
// The names cursor themes give the arrow and the hand, the newer first.
constexpr const char* kArrowNames[] = {"default", "left_ptr", nullptr};
constexpr const char* kHandNames[] = {"pointer", "hand2", "hand1", nullptr};

}  // namespace

CursorImages::CursorImages(Connection& connection, std::span<const std::uint8_t> hand)
    : connection_(connection), handFile_(hand) {}

CursorImages::~CursorImages() {
  if (surface_ != nullptr) wl_surface_destroy(surface_);
  if (handBuffer_ != nullptr) wl_buffer_destroy(handBuffer_);
  if (handMemory_ != nullptr) ::munmap(handMemory_, handBytes_);
  if (theme_ != nullptr) wl_cursor_theme_destroy(theme_);
}

void CursorImages::LoadTheme() {
  if (themeTried_) return;
  themeTried_ = true;
  // The user's theme and size, as other clients of the desktop read them.
  const char* name = std::getenv("XCURSOR_THEME");
  int size = kDefaultCursorSize;
  if (const char* s = std::getenv("XCURSOR_SIZE")) {
    const int asked = std::atoi(s);
    if (asked > 0 && asked <= 256) size = asked;
  }
  // Without any theme installed, wayland-cursor has a built-in one.
  theme_ = wl_cursor_theme_load(name != nullptr && name[0] != '\0' ? name : nullptr, size, connection_.shm());
}

CursorImages::Image CursorImages::ThemeImage(const char* const* names) {
  LoadTheme();
  Image image;
  if (theme_ == nullptr) return image;
  for (; *names != nullptr; ++names) {
    wl_cursor* cursor = wl_cursor_theme_get_cursor(theme_, *names);
    if (cursor == nullptr || cursor->image_count == 0) continue;
    wl_cursor_image* first = cursor->images[0];
    image.buffer = wl_cursor_image_get_buffer(first);
    image.width = static_cast<int>(first->width);
    image.height = static_cast<int>(first->height);
    image.hotX = static_cast<int>(first->hotspot_x);
    image.hotY = static_cast<int>(first->hotspot_y);
    if (image.buffer != nullptr) break;
  }
  return image;
}

CursorImages::Image CursorImages::HandImage() {
  Image image;
  const IconImageRef decoded = DecodeIconFile(handFile_);
  if (decoded == nullptr || decoded->width <= 0 || decoded->height <= 0) return ThemeImage(kHandNames);
  const std::size_t pixels =
      static_cast<std::size_t>(decoded->width) * static_cast<std::size_t>(decoded->height);
  const std::size_t bytes = pixels * 4;
  const int fd = ::memfd_create("kalvessa-cursor", MFD_CLOEXEC);
  if (fd < 0) return ThemeImage(kHandNames);
  void* memory = MAP_FAILED;
  if (::ftruncate(fd, static_cast<off_t>(bytes)) == 0)
    memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    ::close(fd);
    return ThemeImage(kHandNames);
  }
  // ARGB8888 is premultiplied: the mask's transparent pixels are 0.
  auto* out = static_cast<std::uint32_t*>(memory);
  for (std::size_t k = 0; k < pixels; ++k) {
    const std::uint32_t p = decoded->argb[k];
    const std::uint32_t a = p >> 24;
    auto channel = [&](int shift) { return (((p >> shift) & 0xFFu) * a + 127) / 255 << shift; };
    out[k] = (a << 24) | channel(16) | channel(8) | channel(0);
  }
  wl_shm_pool* pool = wl_shm_create_pool(connection_.shm(), fd, static_cast<std::int32_t>(bytes));
  ::close(fd);
  handBuffer_ = wl_shm_pool_create_buffer(pool, 0, decoded->width, decoded->height, decoded->width * 4,
                                          WL_SHM_FORMAT_ARGB8888);
  wl_shm_pool_destroy(pool);  // the buffer keeps what it needs
  handMemory_ = memory;
  handBytes_ = bytes;
  image.buffer = handBuffer_;
  image.width = decoded->width;
  image.height = decoded->height;
  image.hotX = decoded->hotX;
  image.hotY = decoded->hotY;
  return image;
}

void CursorImages::Show(CursorKind kind) {
  Seat* seat = connection_.seat();
  if (seat == nullptr) return;
  const Image* image = nullptr;
  if (kind == CursorKind::kArrow) {
    if (!arrowMade_) arrow_ = ThemeImage(kArrowNames);
    arrowMade_ = true;
    image = &arrow_;
  } else if (kind == CursorKind::kHand) {
    if (!handMade_) hand_ = HandImage();
    handMade_ = true;
    image = hand_.buffer != nullptr ? &hand_ : &arrow_;
    if (image == &arrow_ && !arrowMade_) {
      arrow_ = ThemeImage(kArrowNames);
      arrowMade_ = true;
    }
  }
  if (image == nullptr || image->buffer == nullptr) {
    // No surface: no picture (hidden, or nothing to show it with).
    seat->SetCursor(nullptr, 0, 0);
    shown_ = nullptr;
    return;
  }
  if (surface_ == nullptr) surface_ = wl_compositor_create_surface(connection_.compositor());
  if (shown_ != image) {
    wl_surface_attach(surface_, image->buffer, 0, 0);
    wl_surface_damage_buffer(surface_, 0, 0, image->width, image->height);
    wl_surface_commit(surface_);
    shown_ = image;
  }
  seat->SetCursor(surface_, image->hotX, image->hotY);
}

}  // namespace kal::wayland
