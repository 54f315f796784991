// kal-artgen: draws every picture the programs carry into a directory.
//   kal-artgen --font FONT OUTDIR [--contact-sheet FILE.png]
//   kal-artgen --icons DIR      (the icon as PNGs, for the Linux package)
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/artgen/Artwork.h"
#include "tools/artgen/ContactSheet.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kal-artgen --font FONT OUTDIR [--contact-sheet FILE.png]\n"
               "       kal-artgen --icons DIR\n");
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
  std::string font, outDir, sheet, iconDir;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--font" && i + 1 < argc) {
      font = argv[++i];
    } else if (arg == "--icons" && i + 1 < argc) {
      iconDir = argv[++i];
    } else if (arg == "--contact-sheet" && i + 1 < argc) {
      sheet = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
      outDir = arg;
    } else {
      return Usage();
    }
  }
  // One job a run: the committed artwork, or the icon PNGs.
  const bool icons = !iconDir.empty();
  if (icons ? !(font.empty() && outDir.empty() && sheet.empty()) : (font.empty() || outDir.empty()))
    return Usage();
  try {
    const std::filesystem::path dir = icons ? iconDir : outDir;
    const std::vector<kal::artgen::ArtFile> files =
        icons ? kal::artgen::MakeIconPngs() : kal::artgen::MakeArtwork(font);
    std::filesystem::create_directories(dir);
    for (const auto& f : files) WriteFile(dir / f.name, f.bytes);
    if (!sheet.empty()) WriteFile(sheet, kal::artgen::EncodePng(kal::artgen::DrawContactSheet(files)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kal-artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
