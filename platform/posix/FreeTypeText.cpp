#include "platform/posix/FreeTypeText.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace kal {
namespace {

// Asked for after the layout's own face: the Japanese proportional Gothic
// faces Debian packages, then the desktop's sans-serif.
const char* const kFallbackFamilies[] = {"IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP", "VL PGothic",
                                         "sans-serif"};
constexpr int kMaxFaces = 4;

}  // namespace

struct FreeTypeText::Library {
  FT_Library ft = nullptr;
  Library() {
    FcInit();
    FT_Init_FreeType(&ft);
  }
  ~Library() {
    if (ft) FT_Done_FreeType(ft);
  }
};

struct FreeTypeText::Faces {
  std::vector<FT_Face> faces;  // best first
  std::vector<std::string> files;
  int pixelHeight = 12;
  ~Faces() {
    for (FT_Face f : faces) FT_Done_Face(f);
  }
  // The face that has the character, and its glyph index.
  std::pair<FT_Face, FT_UInt> For(char32_t c) const {
    for (FT_Face f : faces) {
      if (FT_UInt g = FT_Get_Char_Index(f, c)) return {f, g};
    }
    return {faces.empty() ? nullptr : faces.front(), 0};
  }
};

FreeTypeText::FreeTypeText() : library_(std::make_unique<Library>()) {}
FreeTypeText::~FreeTypeText() { faces_.clear(); }

FreeTypeText::Faces& FreeTypeText::Resolve(const FontSpec& font) {
  const std::string key =
      font.face + "/" + std::to_string(font.pixelHeight) + "/" + std::to_string(font.weight);
  auto it = faces_.find(key);
  if (it != faces_.end()) return *it->second;
  auto faces = std::make_unique<Faces>();
  faces->pixelHeight = font.pixelHeight;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(font.face.c_str()));
  for (const char* family : kFallbackFamilies)
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, font.weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, font.pixelHeight);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  if (set != nullptr) {
    for (int i = 0; i < set->nfont && static_cast<int>(faces->faces.size()) < kMaxFaces; ++i) {
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
      FT_Face face = nullptr;
      if (FT_New_Face(library_->ft, reinterpret_cast<const char*>(file), index, &face) != 0) continue;
      if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::max(1, font.pixelHeight))) != 0) {
        FT_Done_Face(face);
        continue;
      }
      faces->faces.push_back(face);
      faces->files.emplace_back(reinterpret_cast<const char*>(file));
    }
    FcFontSetDestroy(set);
  }
  FcPatternDestroy(pattern);
  return *(faces_[key] = std::move(faces));
}

std::vector<std::string> FreeTypeText::FacesFor(const FontSpec& font) { return Resolve(font).files; }

TextExtent FreeTypeText::Measure(std::string_view utf8, const FontSpec& font) {
  Faces& f = Resolve(font);
  if (f.faces.empty()) return {0, font.pixelHeight};
  int width = 0;
  for (char32_t c : DecodeUtf8(utf8)) {
    auto [face, glyph] = f.For(c);
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0)
      width += static_cast<int>((face->glyph->advance.x + 32) >> 6);
  }
  FT_Face first = f.faces.front();
  const int height =
      static_cast<int>((first->size->metrics.ascender - first->size->metrics.descender + 63) >> 6);
  return {width, height};
}

void FreeTypeText::Draw(Canvas& canvas, int x, int y, const PixelRect& clip, std::string_view utf8,
                        const FontSpec& font, Color color) {
  Faces& f = Resolve(font);
  if (f.faces.empty()) return;
  const PixelRect cut{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, canvas.width()),
                      std::min(clip.bottom, canvas.height())};
  FT_Face first = f.faces.front();
  const int baseline = y + static_cast<int>((first->size->metrics.ascender + 32) >> 6);
  const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  auto blend = [&](int px, int py, int alpha) {
    if (alpha <= 0 || px < cut.left || px >= cut.right || py < cut.top || py >= cut.bottom) return;
    std::uint32_t& p = canvas.data()[static_cast<std::size_t>(py) * canvas.width() + px];
    auto mix = [&](int under, int over) { return (under * (255 - alpha) + over * alpha + 127) / 255; };
    const int nr = mix((p >> 16) & 0xFF, r), ng = mix((p >> 8) & 0xFF, g), nb = mix(p & 0xFF, b);
    canvas.FillRect(px, py, px + 1, py + 1, Rgb(nr, ng, nb));  // keeps the dirty tiles right
  };
  int pen = x;
  for (char32_t c : DecodeUtf8(utf8)) {
    auto [face, glyph] = f.For(c);
    if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) continue;
    const FT_Bitmap& bm = face->glyph->bitmap;
    const int left = pen + face->glyph->bitmap_left, top = baseline - face->glyph->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      for (unsigned col = 0; col < bm.width; ++col) {
        int alpha = 0;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
          alpha = bm.buffer[static_cast<std::ptrdiff_t>(row) * bm.pitch + col];
        } else if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
          alpha = (bm.buffer[static_cast<std::ptrdiff_t>(row) * bm.pitch + col / 8] >> (7 - col % 8)) & 1
                      ? 255
                      : 0;
        }
        blend(left + static_cast<int>(col), top + static_cast<int>(row), alpha);
      }
    }
    pen += static_cast<int>((face->glyph->advance.x + 32) >> 6);
  }
  if (font.underline) {
    for (int px = x; px < pen; ++px) blend(px, baseline + 1, 255);
  }
}

}  // namespace kal
