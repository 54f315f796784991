#include "tools/render/RenderOptions.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "saver/FramePacer.h"

namespace kal::render {
namespace {

template <class Int>
Int ParseInteger(const std::string& option, const std::string& text, Int lo, Int hi) {
  Int v{};
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec == std::errc::result_out_of_range || (ec == std::errc() && p == end && (v < lo || v > hi))) {
    throw UsageError(option + " must be between " + std::to_string(lo) + " and " + std::to_string(hi) +
                     ", not '" + text + "'");
  }
  if (ec != std::errc() || p != end || text.empty()) {
    throw UsageError(option + " needs a whole number, not '" + text + "'");
  }
  return v;
}

double ParseSeconds(const std::string& text) {
  std::size_t used = 0;
  double v = 0;
  try {
    v = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || !std::isfinite(v) || v < 0 || v > 1e9) {
    throw UsageError("--seconds needs a number of seconds from 0 to 1e9, not '" + text + "'");
  }
  return v;
}

Crop ParseCrop(const std::string& text) {
  Crop c;
  int* fields[] = {&c.x, &c.y, &c.width, &c.height};
  std::size_t start = 0;
  for (int f = 0; f < 4; ++f) {
    std::size_t comma = text.find(',', start);
    if ((f < 3) != (comma != std::string::npos)) throw UsageError("--crop needs X,Y,W,H, not '" + text + "'");
    std::string part = text.substr(start, f < 3 ? comma - start : std::string::npos);
    *fields[f] = ParseInteger<int>("--crop", part, f < 2 ? 0 : 1, 32767);
    start = comma + 1;
  }
  return c;
}

}  // namespace

std::string RenderUsage() {
  return "usage: kal-render [options]\n"
         "Runs the saver's animation on an in-memory screen and writes pictures of it.\n"
         "  --width N, --height N  screen size in pixels (default 1920 x 1080)\n"
         "  --count N              particle count setting, -32768..32767 (default 120 = 121 particles)\n"
         "  --seed N               seed of the random generator (default 1)\n"
         "  --random-file F        take the random values from F instead, one decimal value\n"
         "                         in [0, 1) per line; running out is an error\n"
         "  --frames N             frames to run (default 3 seconds' worth)\n"
         "  --seconds S            run S seconds at the design pace (" +
         std::to_string(kDesignFramesPerSecond) +
         " frames a second)\n"
         "  --png FILE             write the picture after the last frame\n"
         "  --series DIR           write numbered pictures DIR/frame-NNNNNNNNN.png (frame number)\n"
         "  --gif FILE             write an animated GIF\n"
         "  --every N              frames between two pictures of a series or GIF (default 120)\n"
         "  --from N               first frame pictured by a series or GIF (default: --every)\n"
         "  --gif-delay CS         GIF picture time in 1/100 s (default: real time at the design pace)\n"
         "  --crop X,Y,W,H         series and GIF show only this part of the screen\n"
         "  --json                 print the swarm state after the last frame on stdout\n"
         "  --preview              instead of the saver: the preview window placed into a host\n"
         "                         window of --width x --height, written with --png\n"
         "  --dialog               instead of the saver: the settings dialog with the stored count\n"
         "                         --count: --png writes its client area; --series DIR the banner\n"
         "                         box at each of the 310 phases (DIR/banner-PPP.png, PPP the\n"
         "                         phase drawn); --gif the banner over one cycle at its real pace\n"
         "  --ticks N              with --dialog: banner ticks run first (default 0; the first\n"
         "                         tick draws phase 40)\n"
         "  --message TEXT         instead of the saver: the settings dialog's message window\n"
         "                         saying TEXT (lines apart at newlines), its client area\n"
         "                         written with --png\n"
         "A run-time error of the animation ends the run as it ends the saver: the picture\n"
         "stays as it was, the pictures are written, the exit code is 0. Bad arguments exit\n"
         "with 2, a random file that runs out or an output that cannot be written with 3.\n";
}

RenderOptions ParseRenderOptions(const std::vector<std::string>& args) {
  RenderOptions o;
  std::optional<long long> frames;
  std::optional<double> seconds;
  std::optional<long long> from;
  bool everyGiven = false;
  bool ticksGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--width") {
      o.width = ParseInteger<int>(a, value(), 1, 32767);
    } else if (a == "--height") {
      o.height = ParseInteger<int>(a, value(), 1, 32767);
    } else if (a == "--count") {
      o.count = ParseInteger<int>(a, value(), -32768, 32767);
    } else if (a == "--seed") {
      o.seed = ParseInteger<std::uint64_t>(a, value(), 0, std::numeric_limits<std::uint64_t>::max());
    } else if (a == "--random-file") {
      o.randomFile = value();
    } else if (a == "--frames") {
      frames = ParseInteger<long long>(a, value(), 0, 1'000'000'000'000LL);
    } else if (a == "--seconds") {
      seconds = ParseSeconds(value());
    } else if (a == "--png") {
      o.png = value();
    } else if (a == "--series") {
      o.series = value();
    } else if (a == "--gif") {
      o.gif = value();
    } else if (a == "--every") {
      o.every = ParseInteger<long long>(a, value(), 1, 1'000'000'000'000LL);
      everyGiven = true;
    } else if (a == "--from") {
      from = ParseInteger<long long>(a, value(), 0, 1'000'000'000'000LL);
    } else if (a == "--gif-delay") {
      o.gifDelay = ParseInteger<int>(a, value(), 1, 65535);
    } else if (a == "--crop") {
      o.crop = ParseCrop(value());
    } else if (a == "--preview") {
      o.preview = true;
    } else if (a == "--dialog") {
      o.dialog = true;
    } else if (a == "--message") {
      o.message = value();
    } else if (a == "--ticks") {
      o.ticks = ParseInteger<long long>(a, value(), 0, 1'000'000'000LL);
      ticksGiven = true;
    } else if (a == "--json") {
      o.json = true;
    } else {
      throw UsageError("unknown argument '" + a + "'");
    }
  }
  if (o.help) return o;
  if (frames && seconds) throw UsageError("give --frames or --seconds, not both");
  if (seconds) {
    o.frames = std::llround(*seconds * kDesignFramesPerSecond);
  } else {
    o.frames = frames.value_or(3LL * kDesignFramesPerSecond);
  }
  o.from = from.value_or(o.every);
  if (static_cast<long long>(o.width) * o.height > kMaxPixels) {
    throw UsageError("a " + std::to_string(o.width) + " x " + std::to_string(o.height) +
                     " screen is too large (at most " + std::to_string(kMaxPixels) + " pixels)");
  }
  if (o.preview && (!o.png || o.series || o.gif || o.json || o.dialog))
    throw UsageError("--preview is written with --png alone");
  if (o.dialog && ((!o.png && !o.series && !o.gif) || o.json || everyGiven || from || o.crop || o.gifDelay))
    throw UsageError("--dialog is written with --png, --series or --gif alone");
  if (ticksGiven && !o.dialog) throw UsageError("--ticks only applies to --dialog");
  if (o.message && (!o.png || o.series || o.gif || o.json || o.dialog || o.preview))
    throw UsageError("--message is written with --png alone");
  if (!o.png && !o.series && !o.gif && !o.json)
    throw UsageError("nothing to write: give --png, --series, --gif or --json");
  if ((everyGiven || from || o.crop || o.gifDelay) && !o.series && !o.gif) {
    throw UsageError("--every, --from, --crop and --gif-delay only apply to --series and --gif");
  }
  if (o.crop && (o.crop->x + o.crop->width > o.width || o.crop->y + o.crop->height > o.height)) {
    throw UsageError("--crop must lie inside the " + std::to_string(o.width) + " x " +
                     std::to_string(o.height) + " screen");
  }
  if (o.gifDelay == 0) {
    // Real time at the design pace; GIF viewers slow anything under 2/100 s down.
    o.gifDelay = static_cast<int>(std::max(
        2LL, std::min(65535LL, (o.every * 100 + kDesignFramesPerSecond / 2) / kDesignFramesPerSecond)));
  }
  return o;
}

}  // namespace kal::render
