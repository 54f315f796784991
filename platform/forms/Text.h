// The stand-in text renderer of tests and the font sizes of the forms.
#pragma once

#include <string_view>

#include "platform/Text.h"

namespace kal::forms {

// A stand-in without a font: every character is a box one pixel wide short
// of its cell (half a cell for narrow characters). Deterministic, for tests
// of layout and behaviour, not for people to read.
class BoxTextRenderer final : public TextRenderer {
 public:
  TextExtent Measure(std::string_view utf8, const FontSpec& font) override;
  void Draw(Canvas& canvas, int x, int y, const PixelRect& clip, std::string_view utf8, const FontSpec& font,
            Color color) override;
};

// The font's pixel height for a size in points at 96 dots per inch.
int PixelHeightOf(float points);

}  // namespace kal::forms
