// Text on a Canvas: the one service a form's labels need from the system's
// fonts. Backends render with the system's own text engine (GDI on Windows,
// FreeType through fontconfig on Linux); tests use a plain stand-in.
#pragma once

#include <string>
#include <string_view>

#include "platform/Canvas.h"
#include "platform/Types.h"

namespace kal {

struct FontSpec {
  std::string face;      // the face the layout asks for (UTF-8)
  int pixelHeight = 12;  // the em size in pixels
  int weight = 400;
  bool underline = false;
};

// The size of a line of text: its advance and the font's line height.
struct TextExtent {
  int width = 0;
  int height = 0;
};

class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  virtual TextExtent Measure(std::string_view utf8, const FontSpec& font) = 0;
  // Draws one line with its box's top-left corner at (x, y), cut to clip.
  // Only the glyphs' ink is drawn: the pixels behind show through.
  virtual void Draw(Canvas& canvas, int x, int y, const PixelRect& clip, std::string_view utf8,
                    const FontSpec& font, Color color) = 0;
};

// The code points of UTF-8 text; bytes that are not UTF-8 count as U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);

}  // namespace kal
