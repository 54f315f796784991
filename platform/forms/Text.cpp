#include "platform/forms/Text.h"

#include <algorithm>
#include <cmath>

namespace kal::forms {
namespace {

// Half-width: ASCII and the half-width katakana block.
bool Narrow(char32_t c) { return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F); }

int CellWidth(char32_t c, int pixelHeight) { return Narrow(c) ? std::max(2, pixelHeight / 2) : pixelHeight; }

}  // namespace

int PixelHeightOf(float points) { return static_cast<int>(std::lround(points * 96.0f / 72.0f)); }

TextExtent BoxTextRenderer::Measure(std::string_view utf8, const FontSpec& font) {
  int width = 0;
  for (char32_t c : DecodeUtf8(utf8)) width += CellWidth(c, font.pixelHeight);
  return {width, font.pixelHeight + 1};
}

void BoxTextRenderer::Draw(Canvas& canvas, int x, int y, const PixelRect& clip, std::string_view utf8,
                           const FontSpec& font, Color color) {
  auto fill = [&](int x0, int y0, int x1, int y1) {
    canvas.FillRect(std::max(x0, clip.left), std::max(y0, clip.top), std::min(x1, clip.right),
                    std::min(y1, clip.bottom), color);
  };
  const int top = y + 2, bottom = y + font.pixelHeight - 1;
  int at = x;
  for (char32_t c : DecodeUtf8(utf8)) {
    const int w = CellWidth(c, font.pixelHeight);
    if (c != U' ' && c != U'\u3000') {
      fill(at, top, at + w - 1, top + 1);
      fill(at, bottom - 1, at + w - 1, bottom);
      fill(at, top, at + 1, bottom);
      fill(at + w - 2, top, at + w - 1, bottom);
    }
    at += w;
  }
  if (font.underline) fill(x, y + font.pixelHeight, at, y + font.pixelHeight + 1);
}

}  // namespace kal::forms
