// kal-artgen: draws every picture the programs carry into a directory.
//   kal-artgen --font FONT OUTDIR [--contact-sheet FILE.png]
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/artgen/Artwork.h"
#include "tools/artgen/ContactSheet.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kal-artgen --font FONT OUTDIR [--contact-sheet FILE.png]\n");
  return 2;
}

void WriteFile(const std::filesystem::path& path, const kal::artgen::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  std::string font, outDir, sheet;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--font" && i + 1 < argc) {
      font = argv[++i];
    } else if (arg == "--contact-sheet" && i + 1 < argc) {
      sheet = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
      outDir = arg;
    } else {
      return Usage();
    }
  }
  if (font.empty() || outDir.empty()) return Usage();
  try {
    std::vector<kal::artgen::ArtFile> files = kal::artgen::MakeArtwork(font);
    std::filesystem::create_directories(outDir);
    for (const auto& f : files) WriteFile(std::filesystem::path(outDir) / f.name, f.bytes);
    if (!sheet.empty()) WriteFile(sheet, kal::artgen::EncodePng(kal::artgen::DrawContactSheet(files)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kal-artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
