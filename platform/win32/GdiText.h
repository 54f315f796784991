// Text through GDI: the system's own fonts and font mapper (the layout's
// Japanese face where it is installed, the mapper's choice for the Shift-JIS
// character set otherwise), drawn into a Canvas through a DIB section.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "platform/Text.h"

namespace kal::win32 {

class GdiText final : public TextRenderer {
 public:
  GdiText();
  ~GdiText() override;
  GdiText(const GdiText&) = delete;
  GdiText& operator=(const GdiText&) = delete;

  TextExtent Measure(std::string_view utf8, const FontSpec& font) override;
  void Draw(Canvas& canvas, int x, int y, const PixelRect& clip, std::string_view utf8, const FontSpec& font,
            Color color) override;

 private:
  HFONT FontFor(const FontSpec& font);
  HDC dc_;
  std::map<std::string, HFONT> fonts_;
};

}  // namespace kal::win32
