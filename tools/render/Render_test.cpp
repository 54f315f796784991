// kal-render's parts: command line, random values, JSON state, PNG and GIF.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/Errors.h"
#include "saver/Swarm.h"
#include "tools/render/FileRandom.h"
#include "tools/render/ImageWriters.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/StateJson.h"

namespace kal::render {
namespace {

std::string UsageMessage(const std::vector<std::string>& args) {
  try {
    ParseRenderOptions(args);
  } catch (const UsageError& e) {
    return e.what();
  }
  return "";
}

TEST(RenderOptions, DefaultsAndDesignPaceSeconds) {
  RenderOptions o = ParseRenderOptions({"--json"});
  EXPECT_EQ(o.width, 1920);
  EXPECT_EQ(o.height, 1080);
  EXPECT_EQ(o.count, 120);
  EXPECT_EQ(o.frames, 18000);
  o = ParseRenderOptions({"--seconds", "2.5", "--count", "-1", "--png", "a.png"});
  EXPECT_EQ(o.frames, 15000);
  EXPECT_EQ(o.count, -1);
  o = ParseRenderOptions({"--gif", "a.gif", "--every", "600"});
  EXPECT_EQ(o.from, 600);
  EXPECT_EQ(o.gifDelay, 10);
  o = ParseRenderOptions({"--gif", "a.gif", "--every", "1", "--from", "0"});
  EXPECT_EQ(o.from, 0);
  EXPECT_EQ(o.gifDelay, 2) << "never faster than GIF viewers show";
}

TEST(RenderOptions, BadCommandLinesSayWhatIsWrong) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{"--json", "--fast"}, "unknown argument '--fast'"},
      {{"--json", "--width"}, "--width needs a value"},
      {{"--json", "--width", "0"}, "--width must be between 1 and 32767"},
      {{"--json", "--height", "40000"}, "--height must be between 1 and 32767"},
      {{"--json", "--width", "12x"}, "--width needs a whole number, not '12x'"},
      {{"--json", "--count", "32768"}, "--count must be between -32768 and 32767"},
      {{"--json", "--seed", "-3"}, "--seed needs a whole number"},
      {{"--json", "--frames", "5", "--seconds", "1"}, "not both"},
      {{"--json", "--seconds", "-1"}, "--seconds needs a number"},
      {{"--json", "--seconds", "nan"}, "--seconds needs a number"},
      {{"--frames", "5"}, "nothing to write"},
      {{"--json", "--every", "5"}, "only apply to --series and --gif"},
      {{"--gif", "a.gif", "--crop", "600,0,400,10", "--width", "800", "--height", "600"},
       "inside the 800 x 600"},
      {{"--gif", "a.gif", "--crop", "1,2,3"}, "--crop needs X,Y,W,H"},
      {{"--json", "--width", "32767", "--height", "32767"}, "too large"},
  };
  for (const Case& c : cases) {
    const std::string message = UsageMessage(c.args);
    EXPECT_NE(message.find(c.says), std::string::npos) << "got '" << message << "' for " << c.args.back();
  }
}

TEST(RandomValues, OneDecimalValuePerLine) {
  const std::vector<float> v = ParseRandomValues("0.5\n  0.25 \r\n\n0\n0.99999994\n1e-3");
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[0], 0.5f);
  EXPECT_EQ(v[1], 0.25f);
  EXPECT_EQ(v[2], 0.0f);
  EXPECT_EQ(v[3], 0.99999994f);
  EXPECT_EQ(v[4], 0.001f);
}

TEST(RandomValues, RefusesWhatIsNotAValueInZeroToOne) {
  for (const char* text : {"0.5\n1.0\n", "0.5\n0.99999999\n", "0.5\n-0.1\n", "0.5\nabc\n", "0.5\n0x0.8\n",
                           "0.5\ninf\n", "0.5\n0.3 0.4\n"}) {
    try {
      ParseRandomValues(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const RandomFileError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("line 2:", 0), 0u) << e.what();
    }
  }
  EXPECT_THROW(ReadRandomFile(::testing::TempDir() + "/no-such-random-file.txt"), RandomFileError);
}

TEST(RandomValues, RunningOutIsNotOneOfTheAnimationsErrors) {
  Canvas canvas(64, 48);
  CanvasSurface surface(canvas);
  ListRandom random({0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
  Swarm swarm(surface, random);
  swarm.Start(0, 64, 48);
  swarm.Frame();
  try {
    swarm.Frame();
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError&) {
    ADD_FAILURE() << "taken for a run-time error of the animation";
  } catch (const RandomValuesExhausted& e) {
    EXPECT_EQ(e.drawn(), 5u);
    EXPECT_STREQ(e.what(), "ran out of random values after 5 draws");
  }
}

TEST(RandomValues, SeededRunsRepeatThroughRandomize) {
  SeededRandom a(7), b(7), c(8);
  a.Rnd();
  a.Randomize();
  b.Randomize();
  c.Randomize();
  bool differs = false;
  for (int i = 0; i < 10; ++i) {
    const float va = a.Rnd();
    EXPECT_EQ(va, b.Rnd());
    differs = differs || va != c.Rnd();
  }
  EXPECT_TRUE(differs);
}

TEST(StateJson, HeadWithSeventeenDigitsAndTheParticlesInUse) {
  Canvas canvas(64, 48);
  CanvasSurface surface(canvas);
  ScriptedRandom random;
  for (float v : {0.5f, 0.5f, 0.25f, 0.0f}) random.Push(v);
  Swarm swarm(surface, random);
  swarm.Start(1, 64, 48);
  swarm.HeadX = 0.1;
  swarm.HeadY = 2.0 / 3.0;
  swarm.TrailX[10][1] = -5;
  const std::string json = SwarmStateJson(swarm);
  EXPECT_NE(json.find("{\"cur\":0,\"head\":{\"x\":0.10000000000000001,\"y\":0.66666666666666663,"
                      "\"speed\":0,\"targetX\":0,\"targetY\":0,\"hasTarget\":true},\"particles\":["),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"fall\":0,\"trail\":[[32,24],[0,0],"), std::string::npos) << json;
  EXPECT_NE(
      json.find(
          "{\"fall\":0,\"trail\":[[16,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[-5,0]]}]}"),
      std::string::npos)
      << json;

  ScriptedRandom none;
  Swarm empty(surface, none);
  empty.Start(-1, 64, 48);
  EXPECT_NE(SwarmStateJson(empty).find("\"particles\":[]}"), std::string::npos);
}

// A canvas with a few trail dots on black.
Canvas Dots() {
  Canvas c(40, 30);
  for (int k = 0; k < 10; ++k)
    c.Circle(3.0f + 3.0f * static_cast<float>(k), 5.0f + 2.0f * static_cast<float>(k), 1.0f, kTrailColors[k]);
  return c;
}

TEST(ImageWriters, PngKeepsEveryPixel) {
  const Canvas canvas = Dots();
  const std::string path = ::testing::TempDir() + "/kal-render-test.png";
  WritePng(canvas, Crop{2, 3, 30, 20}, path);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
  image.format = PNG_FORMAT_RGB;
  ASSERT_EQ(image.width, 30u);
  ASSERT_EQ(image.height, 20u);
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) {
      const std::uint8_t* p = &rgb[(y * 30 + x) * 3];
      ASSERT_EQ(Rgb(p[0], p[1], p[2]), canvas.At(x + 2, y + 3)) << x << "," << y;
    }
  }
  EXPECT_THROW(WritePng(canvas, Crop{0, 0, 40, 30}, ::testing::TempDir() + "/no/such/dir/x.png"),
               OutputError);
}

TEST(ImageWriters, GifHasTheExactColoursAndStoresOnlyChanges) {
  Canvas canvas = Dots();
  const Canvas first = canvas;
  const std::string path = ::testing::TempDir() + "/kal-render-test.gif";
  {
    GifWriter gif(path, 40, 30, std::vector<Color>(kTrailColors.begin(), kTrailColors.end()), 2);
    gif.AddPicture(canvas, Crop{0, 0, 40, 30});
    canvas.Circle(20.0f, 20.0f, 1.0f, kTrailColors[0]);
    gif.AddPicture(canvas, Crop{0, 0, 40, 30});
    gif.Close();
  }
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  ASSERT_EQ(gif->ImageCount, 2);
  const ColorMapObject* map = gif->SColorMap;
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->ColorCount, 16) << "black, ten trail colours and the transparent entry";
  auto colourAt = [&](int image, int x, int y) {
    const GifColorType& e = map->Colors[gif->SavedImages[image].RasterBits[y * 40 + x]];
    return Rgb(e.Red, e.Green, e.Blue);
  };
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) ASSERT_EQ(colourAt(0, x, y), first.At(x, y)) << x << "," << y;
  }
  GraphicsControlBlock gcb;
  ASSERT_EQ(DGifSavedExtensionToGCB(gif, 1, &gcb), GIF_OK);
  EXPECT_EQ(gcb.DelayTime, 2);
  const int transparent = gcb.TransparentColor;
  ASSERT_NE(transparent, NO_TRANSPARENT_COLOR);
  int changed = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const int index = gif->SavedImages[1].RasterBits[y * 40 + x];
      if (index != transparent) {
        ++changed;
        EXPECT_EQ(colourAt(1, x, y), canvas.At(x, y));
      }
    }
  }
  EXPECT_EQ(changed, 5) << "only the new dot";
  DGifCloseFile(gif, &error);
}

}  // namespace
}  // namespace kal::render
