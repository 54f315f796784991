#include "platform/win32/GdiText.h"

#include <algorithm>
#include <vector>

#include "platform/win32/WideText.h"

namespace kal::win32 {

GdiText::GdiText() : dc_(CreateCompatibleDC(nullptr)) {}

GdiText::~GdiText() {
  for (auto& [key, font] : fonts_) DeleteObject(font);
  if (dc_) DeleteDC(dc_);
}

HFONT GdiText::FontFor(const FontSpec& font) {
  const std::string key = font.face + "/" + std::to_string(font.pixelHeight) + "/" +
                          std::to_string(font.weight) + (font.underline ? "/u" : "");
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  // A negative height asks for the em size; the Shift-JIS character set lets
  // the mapper pick a Japanese face when the named one is missing.
  HFONT f = CreateFontW(-font.pixelHeight, 0, 0, 0, font.weight, FALSE, font.underline ? TRUE : FALSE, FALSE,
                        SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, Widen(font.face).c_str());
  return fonts_[key] = f;
}

TextExtent GdiText::Measure(std::string_view utf8, const FontSpec& font) {
  const std::wstring text = Widen(utf8);
  HGDIOBJ old = SelectObject(dc_, FontFor(font));
  SIZE size{};
  GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc_, &tm);
  SelectObject(dc_, old);
  return {size.cx, tm.tmHeight};
}

void GdiText::Draw(Canvas& canvas, int x, int y, const PixelRect& clip, std::string_view utf8,
                   const FontSpec& font, Color color) {
  const PixelRect cut{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, canvas.width()),
                      std::min(clip.bottom, canvas.height())};
  const int w = cut.right - cut.left, h = cut.bottom - cut.top;
  if (w <= 0 || h <= 0) return;
  // The pixels behind the text go into a DIB, GDI draws over them, and they
  // come back: only the ink changes.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) return;
  auto* px = static_cast<std::uint32_t*>(bits);
  for (int row = 0; row < h; ++row) {
    std::copy_n(canvas.data() + static_cast<std::ptrdiff_t>(cut.top + row) * canvas.width() + cut.left, w,
                px + static_cast<std::ptrdiff_t>(row) * w);
  }
  HGDIOBJ oldBitmap = SelectObject(dc_, dib);
  HGDIOBJ oldFont = SelectObject(dc_, FontFor(font));
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, RGB(RedOf(color), GreenOf(color), BlueOf(color)));
  const std::wstring text = Widen(utf8);
  TextOutW(dc_, x - cut.left, y - cut.top, text.c_str(), static_cast<int>(text.size()));
  GdiFlush();
  for (int i = 0; i < w * h; ++i) px[i] &= 0x00FFFFFF;
  canvas.PutPixels(cut.left, cut.top, px, w, h, w);
  SelectObject(dc_, oldFont);
  SelectObject(dc_, oldBitmap);
  DeleteObject(dib);
}

}  // namespace kal::win32
