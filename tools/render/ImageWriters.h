// Pictures of a Canvas: PNG stills (libpng) and animated GIFs (giflib).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "tools/render/RenderOptions.h"

namespace kal::render {

// An output file that could not be written; the message names it.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The rectangle of the canvas to write: all of it when `crop` is empty.
Crop WholeOr(const Canvas& canvas, const std::optional<Crop>& crop);

void WritePng(const Canvas& canvas, const Crop& area, const std::string& path);

// An animated GIF that loops for ever. Its palette is black plus the given
// colours (the saver draws nothing else); a pixel of any other colour gets the
// nearest palette entry. After the first picture only changed pixels are
// stored, the rest is transparent over the previous picture.
class GifWriter {
 public:
  GifWriter(const std::string& path, int width, int height, const std::vector<Color>& colours,
            int delayCentiseconds);
  ~GifWriter();
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  // delayCentiseconds < 0: the writer's own delay.
  void AddPicture(const Canvas& canvas, const Crop& area, int delayCentiseconds = -1);
  // Writes the end of the file; throws OutputError when that fails.
  void Close();
  int pictures() const { return pictures_; }

 private:
  std::uint8_t IndexOf(std::uint32_t pixel);

  std::string path_;
  void* gif_ = nullptr;  // GifFileType
  int width_, height_, delay_;
  std::vector<std::uint32_t> palette_;  // Canvas pixels, index = palette entry
  int transparent_;
  std::vector<std::uint8_t> previous_;
  std::vector<std::uint8_t> line_;
  std::uint32_t lastPixel_ = 0;
  std::uint8_t lastIndex_ = 0;
  int pictures_ = 0;
};

}  // namespace kal::render
