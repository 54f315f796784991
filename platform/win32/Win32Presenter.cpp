#include "platform/win32/Win32Presenter.h"

#include <algorithm>
#include <cstring>

namespace kal::win32 {

// The region's data is its header followed by the rectangles; the header is
// exactly two rectangles long, so both live in one vector.
static_assert(sizeof(RGNDATAHEADER) == 2 * sizeof(RECT));
constexpr std::size_t kHeaderRects = 2;

void Presenter::Push(HDC dc, Canvas& canvas) {
  region_.resize(kHeaderRects);
  RECT bound{canvas.width(), canvas.height(), 0, 0};
  canvas.TakeDirty([&](int x, int y, int w, int h) {
    region_.push_back(RECT{x, y, x + w, y + h});
    bound.left = std::min<LONG>(bound.left, x);
    bound.top = std::min<LONG>(bound.top, y);
    bound.right = std::max<LONG>(bound.right, x + w);
    bound.bottom = std::max<LONG>(bound.bottom, y + h);
  });
  const std::size_t count = region_.size() - kHeaderRects;
  if (count == 0 || dc == nullptr) return;

  RGNDATAHEADER header{};
  header.dwSize = sizeof header;
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(count);
  header.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
  header.rcBound = bound;
  std::memcpy(region_.data(), &header, sizeof header);
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(region_.size() * sizeof(RECT)),
                                reinterpret_cast<const RGNDATA*>(region_.data()));
  // Without a region (out of GDI resources) the bounding box goes whole:
  // more pixels, the same picture.
  if (region) {
    SelectClipRgn(dc, region);
  } else {
    IntersectClipRect(dc, bound.left, bound.top, bound.right, bound.bottom);
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = canvas.width();
  info.bmiHeader.biHeight = -canvas.height();  // rows top-down, as the canvas keeps them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;  // 0x00RRGGBB: the canvas's own pixel format
  info.bmiHeader.biCompression = BI_RGB;
  // The whole canvas, clipped to the region: the system copies only what
  // lies inside it.
  SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(canvas.width()), static_cast<DWORD>(canvas.height()), 0, 0,
                    0, static_cast<UINT>(canvas.height()), canvas.data(), &info, DIB_RGB_COLORS);
  SelectClipRgn(dc, nullptr);
  if (region) DeleteObject(region);
}

}  // namespace kal::win32
