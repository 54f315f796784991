#include "tools/render/ImageWriters.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace kal::render {
namespace {

GifFileType* Gif(void* p) { return static_cast<GifFileType*>(p); }

std::string GifWhy(int error) {
  const char* text = GifErrorString(error);
  return text ? text : "GIF error " + std::to_string(error);
}

}  // namespace

Crop WholeOr(const Canvas& canvas, const std::optional<Crop>& crop) {
  return crop ? *crop : Crop{0, 0, canvas.width(), canvas.height()};
}

void WritePng(const Canvas& canvas, const Crop& area, const std::string& path) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(area.width) * area.height * 3);
  std::uint8_t* out = rgb.data();
  for (int y = area.y; y < area.y + area.height; ++y) {
    const std::uint32_t* row = canvas.data() + static_cast<std::size_t>(y) * canvas.width();
    for (int x = area.x; x < area.x + area.width; ++x) {
      *out++ = static_cast<std::uint8_t>(row[x] >> 16);
      *out++ = static_cast<std::uint8_t>(row[x] >> 8);
      *out++ = static_cast<std::uint8_t>(row[x]);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(area.width);
  image.height = static_cast<png_uint_32>(area.height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    std::string why = image.message;
    png_image_free(&image);
    throw OutputError("cannot write " + path + ": " + why);
  }
}

GifWriter::GifWriter(const std::string& path, int width, int height, const std::vector<Color>& colours,
                     int delayCentiseconds)
    : path_(path), width_(width), height_(height), delay_(delayCentiseconds) {
  palette_.push_back(Canvas::ToPixel(Rgb(0, 0, 0)));
  for (Color c : colours) {
    const std::uint32_t px = Canvas::ToPixel(c);
    bool known = false;
    for (std::uint32_t p : palette_) known = known || p == px;
    if (!known) palette_.push_back(px);
  }
  if (palette_.size() > 255) throw OutputError("too many colours for a GIF palette");
  transparent_ = static_cast<int>(palette_.size());
  int bits = 1;
  while ((1 << bits) < transparent_ + 1) ++bits;

  // Opened here rather than by giflib, which would make the file private (0600).
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) throw OutputError("cannot write " + path + ": " + std::strerror(errno));
  int error = 0;
  GifFileType* gif = EGifOpenFileHandle(fd, &error);
  if (!gif) {
    ::close(fd);
    throw OutputError("cannot write " + path + ": " + GifWhy(error));
  }
  gif_ = gif;
  EGifSetGifVersion(gif, true);

  std::vector<GifColorType> entries(static_cast<std::size_t>(1) << bits, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    entries[i] =
        GifColorType{static_cast<GifByteType>(palette_[i] >> 16), static_cast<GifByteType>(palette_[i] >> 8),
                     static_cast<GifByteType>(palette_[i])};
  }
  ColorMapObject* map = GifMakeMapObject(1 << bits, entries.data());
  const bool ok = map && EGifPutScreenDesc(gif, width, height, bits, 0, map) == GIF_OK;
  GifFreeMapObject(map);
  // Loop for ever.
  static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const GifByteType kLoop[] = {1, 0, 0};
  if (!ok || EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
      EGifPutExtensionBlock(gif, sizeof kNetscape, kNetscape) != GIF_OK ||
      EGifPutExtensionBlock(gif, sizeof kLoop, kLoop) != GIF_OK || EGifPutExtensionTrailer(gif) != GIF_OK) {
    const std::string why = GifWhy(gif->Error);
    EGifCloseFile(gif, &error);
    gif_ = nullptr;
    throw OutputError("cannot write " + path + ": " + why);
  }
  previous_.assign(static_cast<std::size_t>(width) * height, 0);
  line_.resize(static_cast<std::size_t>(width));
  lastPixel_ = palette_[0];
}

GifWriter::~GifWriter() {
  if (gif_) {
    int error = 0;
    EGifCloseFile(Gif(gif_), &error);
  }
}

std::uint8_t GifWriter::IndexOf(std::uint32_t pixel) {
  if (pixel == lastPixel_) return lastIndex_;
  int best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const long dr = long((pixel >> 16) & 0xFF) - long((palette_[i] >> 16) & 0xFF);
    const long dg = long((pixel >> 8) & 0xFF) - long((palette_[i] >> 8) & 0xFF);
    const long db = long(pixel & 0xFF) - long(palette_[i] & 0xFF);
    const long d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  lastPixel_ = pixel;
  lastIndex_ = static_cast<std::uint8_t>(best);
  return lastIndex_;
}

void GifWriter::AddPicture(const Canvas& canvas, const Crop& area, int delayCentiseconds) {
  GifFileType* gif = Gif(gif_);
  const bool first = pictures_ == 0;
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSE_DO_NOT;
  gcb.UserInputFlag = false;
  gcb.DelayTime = delayCentiseconds < 0 ? delay_ : delayCentiseconds;
  gcb.TransparentColor = first ? NO_TRANSPARENT_COLOR : transparent_;
  GifByteType ext[4];
  EGifGCBToExtension(&gcb, ext);
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_OK ||
      EGifPutImageDesc(gif, 0, 0, width_, height_, false, nullptr) != GIF_OK) {
    throw OutputError("cannot write " + path_ + ": " + GifWhy(gif->Error));
  }
  for (int y = 0; y < height_; ++y) {
    const std::uint32_t* row = canvas.data() + static_cast<std::size_t>(area.y + y) * canvas.width() + area.x;
    std::uint8_t* before = previous_.data() + static_cast<std::size_t>(y) * width_;
    for (int x = 0; x < width_; ++x) {
      const std::uint8_t index = IndexOf(row[x]);
      line_[x] = (!first && index == before[x]) ? static_cast<std::uint8_t>(transparent_) : index;
      before[x] = index;
    }
    if (EGifPutLine(gif, line_.data(), width_) != GIF_OK) {
      throw OutputError("cannot write " + path_ + ": " + GifWhy(gif->Error));
    }
  }
  ++pictures_;
}

void GifWriter::Close() {
  if (!gif_) return;
  int error = 0;
  const int result = EGifCloseFile(Gif(gif_), &error);
  gif_ = nullptr;
  if (result != GIF_OK) throw OutputError("cannot write " + path_ + ": " + GifWhy(error));
}

}  // namespace kal::render
