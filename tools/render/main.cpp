// kal-render: runs the saver's animation on an in-memory screen and writes a
// PNG still, a numbered PNG series or an animated GIF, and the swarm's state.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/Errors.h"
#include "platform/memory/MemoryPlatform.h"
#include "preview/Sorvin_R.h"
#include "saver/Swarm.h"
#include "saver/SwarmDriver.h"
#include "tools/render/DialogRender.h"
#include "tools/render/FileRandom.h"
#include "tools/render/ImageWriters.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/StateJson.h"

namespace {

using namespace kal;
using namespace kal::render;

std::string SeriesPath(const std::string& dir, long long frame) {
  char name[40];
  std::snprintf(name, sizeof name, "frame-%09lld.png", frame);
  return (std::filesystem::path(dir) / name).string();
}

// The preview window as a host of the given size shows it.
int RunPreview(const RenderOptions& o) {
  constexpr Handle kHost = 1;
  MemoryPlatform platform;
  platform.foreignRects[kHost] = PixelRect{0, 0, o.width, o.height};
  Sorvin_R preview(platform);
  if (!preview.Place(kHost) || preview.window() == nullptr) throw OutputError("the preview was not placed");
  Canvas& canvas = static_cast<MemoryWindow*>(preview.window())->canvas();
  WritePng(canvas, WholeOr(canvas, std::nullopt), *o.png);
  return 0;
}

int Run(const RenderOptions& o) {
  if (o.preview) return RunPreview(o);
  if (o.dialog) return RunDialog(o);
  if (o.message) return RunMessage(o);
  std::unique_ptr<RandomSource> random;
  if (o.randomFile) {
    random = std::make_unique<ListRandom>(ReadRandomFile(*o.randomFile));
  } else {
    random = std::make_unique<SeededRandom>(o.seed);
  }
  if (o.series) {
    std::error_code ec;
    std::filesystem::create_directories(*o.series, ec);
    if (ec) throw OutputError("cannot create " + *o.series + ": " + ec.message());
  }

  Canvas canvas(o.width, o.height);
  CanvasSurface surface(canvas);
  Swarm swarm(surface, *random);
  const Crop area = WholeOr(canvas, o.crop);
  std::optional<GifWriter> gif;
  if (o.gif) {
    gif.emplace(*o.gif, area.width, area.height, std::vector<Color>(kTrailColors.begin(), kTrailColors.end()),
                o.gifDelay);
  }
  auto picture = [&](long long frame) {
    if (frame < o.from || (frame - o.from) % o.every != 0) return;
    if (o.series) WritePng(canvas, area, SeriesPath(*o.series, frame));
    if (gif) gif->AddPicture(canvas, area);
  };

  CountedFrames frames(o.frames, picture, [&] { picture(0); });
  auto where = [&] {
    return frames.frame() == 0 ? std::string("at the start") : "in frame " + std::to_string(frames.frame());
  };
  try {
    try {
      RunSwarm(swarm, static_cast<std::int16_t>(o.count), static_cast<std::int16_t>(o.width),
               static_cast<std::int16_t>(o.height), frames);
    } catch (const RuntimeError& e) {
      // As in the saver: the loop ends, the picture stays.
      std::fprintf(stderr,
                   "kal-render: the animation stopped %s: %s (error %d); the picture stays as it was\n",
                   where().c_str(), e.what(), static_cast<int>(e.code()));
    }
  } catch (const RandomValuesExhausted& e) {
    std::fprintf(stderr, "kal-render: %s ran out of random values after %zu draws (%s)\n",
                 o.randomFile->c_str(), e.drawn(), where().c_str());
    return 3;
  }

  if (gif) gif->Close();
  if (o.png) WritePng(canvas, WholeOr(canvas, std::nullopt), *o.png);
  if (o.json) std::fputs(SwarmStateJson(swarm).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const RenderOptions o = ParseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (o.help) {
      std::fputs(RenderUsage().c_str(), stdout);
      return 0;
    }
    return Run(o);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kal-render: %s\n%s", e.what(), RenderUsage().c_str());
    return 2;
  } catch (const RandomFileError& e) {
    std::fprintf(stderr, "kal-render: random file: %s\n", e.what());
    return 3;
  } catch (const OutputError& e) {
    std::fprintf(stderr, "kal-render: %s\n", e.what());
    return 3;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kal-render: out of memory\n");
    return 3;
  }
}
