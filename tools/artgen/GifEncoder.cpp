// GIF89a through giflib, written to memory.
#include <gif_lib.h>

#include <stdexcept>
#include <string>

#include "tools/artgen/Encoders.h"

namespace kal::artgen {
namespace {

int Append(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

void Check(int result, GifFileType* gif, const char* what) {
  if (result != GIF_ERROR) return;
  const char* reason = GifErrorString(gif->Error);
  throw std::runtime_error(std::string("GIF encoder: ") + what + ": " + (reason ? reason : "?"));
}

}  // namespace

Bytes EncodeGif(int width, int height, const std::vector<std::uint8_t>& indices,
                const std::array<std::uint32_t, 256>& palette) {
  if (indices.size() != std::size_t(width) * height) throw std::invalid_argument("GIF encoder: index count");
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, Append, &error);
  if (!gif) throw std::runtime_error("GIF encoder: cannot open");
  ColorMapObject* map = nullptr;
  try {
    EGifSetGifVersion(gif, true);  // GIF89a
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
      colours[i].Red = static_cast<GifByteType>(RedOf(palette[i]));
      colours[i].Green = static_cast<GifByteType>(GreenOf(palette[i]));
      colours[i].Blue = static_cast<GifByteType>(BlueOf(palette[i]));
    }
    map = GifMakeMapObject(256, colours);
    Check(EGifPutScreenDesc(gif, width, height, 8, 0, map), gif, "screen");
    Check(EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr), gif, "image");
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) line[std::size_t(x)] = indices[std::size_t(y) * width + x];
      Check(EGifPutLine(gif, line.data(), width), gif, "line");
    }
  } catch (...) {
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    throw;
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) == GIF_ERROR) throw std::runtime_error("GIF encoder: close");
  return out;
}

}  // namespace kal::artgen
