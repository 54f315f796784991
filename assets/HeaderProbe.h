// Reads the headers of the picture file formats the programs carry, so tests
// can check what a file says about itself independently of any decoder.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kal::probe {

inline std::uint32_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8);
}
inline std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return Le16(b, at) | (Le16(b, at + 2) << 16);
}
inline std::int32_t Le32Signed(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int32_t>(Le32(b, at));
}

struct JpegComponent {
  int id = 0;
  int h = 0;  // sampling factors
  int v = 0;
};
struct JpegFrame {
  bool jfif = false;
  int sofMarker = 0;  // 0xC0 baseline, 0xC1 extended, 0xC2 progressive, ...
  int sofCount = 0;
  int precision = 0;
  int width = 0;
  int height = 0;
  std::vector<JpegComponent> components;
};

// Walks the marker segments up to the first scan.
inline std::optional<JpegFrame> ProbeJpeg(std::span<const std::uint8_t> b) {
  if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
  JpegFrame f;
  std::size_t at = 2;
  while (at + 4 <= b.size()) {
    if (b[at] != 0xFF) return std::nullopt;
    const int marker = b[at + 1];
    const std::size_t length = (std::size_t{b[at + 2]} << 8) | b[at + 3];
    if (length < 2 || at + 2 + length > b.size()) return std::nullopt;
    std::span<const std::uint8_t> seg = b.subspan(at + 4, length - 2);
    if (marker == 0xE0 && seg.size() >= 5 &&
        std::string(seg.begin(), seg.begin() + 5) == std::string("JFIF\0", 5)) {
      f.jfif = true;
    }
    const bool isSof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (isSof && seg.size() >= 6) {
      ++f.sofCount;
      f.sofMarker = marker;
      f.precision = seg[0];
      f.height = static_cast<int>((std::uint32_t{seg[1]} << 8) | seg[2]);
      f.width = static_cast<int>((std::uint32_t{seg[3]} << 8) | seg[4]);
      const int n = seg[5];
      if (seg.size() < 6 + std::size_t(n) * 3) return std::nullopt;
      for (int c = 0; c < n; ++c) {
        std::uint8_t s = seg[7 + std::size_t(c) * 3];
        f.components.push_back({seg[6 + std::size_t(c) * 3], s >> 4, s & 0x0F});
      }
    }
    if (marker == 0xDA) return f;  // start of scan: the headers are done
    at += 2 + length;
  }
  return std::nullopt;
}

struct GifInfo {
  std::string version;
  int width = 0;
  int height = 0;
  int globalTableEntries = 0;  // 0: none
  int frames = 0;
  bool anyInterlaced = false;
  bool anyLocalTable = false;
  bool anyTransparency = false;
};

// Walks the block structure to the trailer.
inline std::optional<GifInfo> ProbeGif(std::span<const std::uint8_t> b) {
  if (b.size() < 13) return std::nullopt;
  GifInfo g;
  g.version.assign(b.begin(), b.begin() + 6);
  g.width = static_cast<int>(Le16(b, 6));
  g.height = static_cast<int>(Le16(b, 8));
  std::size_t at = 13;
  if (b[10] & 0x80) {
    g.globalTableEntries = 2 << (b[10] & 0x07);
    at += std::size_t(g.globalTableEntries) * 3;
  }
  auto skipSubBlocks = [&](std::size_t& p) {
    while (p < b.size() && b[p] != 0) p += std::size_t{b[p]} + 1;
    ++p;  // the terminator
  };
  while (at < b.size()) {
    const std::uint8_t kind = b[at];
    if (kind == 0x3B) return g;  // trailer
    if (kind == 0x21) {          // extension
      if (at + 2 >= b.size()) return std::nullopt;
      if (b[at + 1] == 0xF9 && at + 4 < b.size() && (b[at + 3] & 0x01)) g.anyTransparency = true;
      at += 2;
      skipSubBlocks(at);
    } else if (kind == 0x2C) {  // image descriptor
      if (at + 10 > b.size()) return std::nullopt;
      const std::uint8_t packed = b[at + 9];
      ++g.frames;
      g.anyInterlaced = g.anyInterlaced || (packed & 0x40);
      at += 10;
      if (packed & 0x80) {
        g.anyLocalTable = true;
        at += std::size_t(2 << (packed & 0x07)) * 3;
      }
      ++at;  // LZW minimum code size
      skipSubBlocks(at);
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;  // no trailer
}

}  // namespace kal::probe
