// Text through fontconfig and FreeType: the fonts of a Linux desktop, drawn
// with grey-scale anti-aliasing straight onto a Canvas. A face the system
// lacks (the dialog asks for a Windows face) falls back to the Japanese
// proportional Gothic faces, then to any face that has the character.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace kal {

class FreeTypeText final : public TextRenderer {
 public:
  FreeTypeText();
  ~FreeTypeText() override;
  FreeTypeText(const FreeTypeText&) = delete;
  FreeTypeText& operator=(const FreeTypeText&) = delete;

  TextExtent Measure(std::string_view utf8, const FontSpec& font) override;
  void Draw(Canvas& canvas, int x, int y, const PixelRect& clip, std::string_view utf8, const FontSpec& font,
            Color color) override;

  // The files of the faces a font resolves to, best first (tests, diagnostics).
  std::vector<std::string> FacesFor(const FontSpec& font);

 private:
  struct Faces;
  Faces& Resolve(const FontSpec& font);
  struct Library;
  std::unique_ptr<Library> library_;
  std::map<std::string, std::unique_ptr<Faces>> faces_;
};

}  // namespace kal
