// The pictures as the Windows build finds them in its own resources: one line
// per asset (name, size, first bytes in hex), and optionally every asset's
// bytes written to a folder, for a byte-for-byte comparison with the files.
#include <windows.h>

#include <cstdio>
#include <span>
#include <string>

#include "assets/Assets.h"
#include "platform/win32/WideText.h"
#include "tests/win32/Commands.h"

namespace kaltest {
namespace {

bool WriteBytes(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int AssetsCommand(const std::wstring& dumpDir) {
  namespace assets = kal::assets;
  std::span<const assets::Asset> all = assets::All();
  int faults = 0;
  for (const assets::Asset& a : all) {
    std::printf("%.*s %zu ", static_cast<int>(a.name.size()), a.name.data(), a.bytes.size());
    for (std::size_t i = 0; i < a.bytes.size() && i < 16; ++i) std::printf("%02x", a.bytes[i]);
    std::printf("\n");
    // Find must hand out the very bytes All lists.
    std::span<const std::uint8_t> found = assets::Find(a.name);
    if (found.data() != a.bytes.data() || found.size() != a.bytes.size()) {
      std::fprintf(stderr, "kaltest assets: Find(%.*s) is not the listed resource\n",
                   static_cast<int>(a.name.size()), a.name.data());
      ++faults;
    }
    if (!dumpDir.empty() && !WriteBytes(dumpDir + L"\\" + kal::win32::Widen(a.name), a.bytes)) {
      std::fprintf(stderr, "kaltest assets: cannot write %.*s\n", static_cast<int>(a.name.size()),
                   a.name.data());
      ++faults;
    }
  }
  if (!assets::Find("no-such-picture.png").empty()) {
    std::fprintf(stderr, "kaltest assets: an unknown name was found\n");
    ++faults;
  }
  std::printf("count %zu\n", all.size());
  return all.empty() || faults ? 1 : 0;
}

}  // namespace kaltest
