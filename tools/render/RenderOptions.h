// kal-render's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kal::render {

// A command line that cannot be run; the message says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Crop {
  int x = 0, y = 0, width = 0, height = 0;
};

struct RenderOptions {
  int width = 1920;
  int height = 1080;
  int count = 120;  // the particle count setting: count + 1 particles
  std::uint64_t seed = 1;
  std::optional<std::string> randomFile;
  long long frames = 0;               // frames to run after the start
  std::optional<std::string> png;     // still of the last frame
  std::optional<std::string> series;  // directory of numbered PNGs
  std::optional<std::string> gif;     // animated GIF
  long long every = 120;              // frames between two pictures of a series or GIF
  long long from = 0;                 // first frame pictured (series, GIF)
  int gifDelay = 0;                   // centiseconds per GIF picture
  std::optional<Crop> crop;
  bool json = false;
  bool preview = false;                // the preview window in a host of width x height instead
  bool dialog = false;                 // the settings dialog with stored count `count` instead
  long long ticks = 0;                 // banner ticks of the dialog before its picture
  std::optional<std::string> message;  // the settings' message window with this text instead
  bool help = false;
};

// The largest canvas the tool will allocate (width x height).
constexpr long long kMaxPixels = 64LL * 1024 * 1024;

// Parses argv[1..]; throws UsageError with a clear message.
RenderOptions ParseRenderOptions(const std::vector<std::string>& args);

std::string RenderUsage();

}  // namespace kal::render
