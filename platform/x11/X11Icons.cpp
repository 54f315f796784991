#include "platform/x11/X11Icons.h"

#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>

#include <vector>

#include "platform/IconFile.h"

namespace kal::x11 {

Cursor MakeCursorFromFile(Display* display, std::span<const std::uint8_t> curFile) {
  IconImageRef icon = DecodeIconFile(curFile);
  if (!icon || icon->width <= 0 || icon->height <= 0) return 0;
  XcursorImage* image = XcursorImageCreate(icon->width, icon->height);
  if (image == nullptr) return 0;
  image->xhot = static_cast<XcursorDim>(icon->hotX);
  image->yhot = static_cast<XcursorDim>(icon->hotY);
  // Xcursor wants premultiplied alpha.
  for (std::size_t i = 0; i < icon->argb.size(); ++i) {
    const std::uint32_t p = icon->argb[i];
    const std::uint32_t a = p >> 24;
    auto pre = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255 << shift; };
    image->pixels[i] = (a << 24) | pre(16) | pre(8) | pre(0);
  }
  Cursor cursor = XcursorImageLoadCursor(display, image);
  XcursorImageDestroy(image);
  return cursor;
}

void SetIconFromFile(Display* display, Window window, std::span<const std::uint8_t> icoFile) {
  IconImageRef icon = DecodeIconFile(icoFile);
  if (!icon || icon->argb.empty()) return;
  // Width, height, then ARGB pixels, each in a long (the 32-bit format's rule).
  std::vector<unsigned long> data;
  data.reserve(icon->argb.size() + 2);
  data.push_back(static_cast<unsigned long>(icon->width));
  data.push_back(static_cast<unsigned long>(icon->height));
  for (std::uint32_t p : icon->argb) data.push_back(p);
  Atom netWmIcon = XInternAtom(display, "_NET_WM_ICON", False);
  XChangeProperty(display, window, netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
}

}  // namespace kal::x11
