#include "settings/Sorvin_P.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/RunForTest.h"
#include "settings/MessageLayout.h"
#include "settings/MessageWindow.h"
#include "startup/SettingsFile.h"
#include "startup/Sorvin_B.h"

namespace kal {
namespace {

using std::chrono::milliseconds;
const std::string kIni = "C:\\Program Files\\Kalvessa\\Kalvessa.ini";
const std::string kKey(kSettingsKey);

// Window pixels of a few places (Pic_C's border is 2 pixels, Pic_1's too).
constexpr int kBarX = 2 + 8 + 2 + 180, kBarY = 2 + 12 + 2 + 16;  // P_Num's top-left
constexpr int kSaveX = 2 + 304 + 46, kSaveY = 2 + 236 + 8;       // lbl_Button(1)'s middle
constexpr int kCancelX = 2 + 404 + 46, kCancelY = kSaveY;        // lbl_Button(2)'s middle
constexpr int kLinkX = 2 + 8 + 20, kLinkY = 2 + 252 + 6;

// The program with "/c" on the memory backend; the dialog's loop ends (for the
// test) five seconds of fake time later unless input ends it before.
struct DialogRun {
  MemoryPlatform p;
  std::unique_ptr<Sorvin_B> module;
  RunOutcome outcome;
  explicit DialogRun(const std::string& stored) {
    p.commandLine = "/c";
    p.cursorPos = {{900, 700}};
    if (!stored.empty()) p.files[kIni] = "[Section]\r\n" + kKey + "=" + stored + "\r\n";
    p.loopUntil = p.now + std::chrono::seconds(5);
  }
  void At(int ms, ScriptedInput in) { p.ScheduleInputAt(TimePoint{} + milliseconds(ms), in); }
  void Click(int ms, int x, int y, int button = 1) {
    At(ms, {ScriptedInput::Kind::MouseDown, button, float(x), float(y)});
    At(ms + 50, {ScriptedInput::Kind::MouseUp, button, float(x), float(y)});
  }
  void Run() {
    module = std::make_unique<Sorvin_B>(p);
    outcome = RunUntilEnd([&] { module->Main(); });
  }
  Sorvin_P& dialog() { return *module->settingsDialog(); }
  forms::Form& form() { return dialog().form(); }
  long Count(const std::string& prefix) { return static_cast<long>(CallsStartingWith(p, prefix).size()); }
};

TEST(SettingsDialog, LoadSequenceSizesCentresAndFillsTheDialogFromTheStoredCount) {
  const struct {
    const char* stored;
    int bar;
    const char* label;
  } cases[] = {{"250", 250, "250"}, {"50", 100, "50"}, {"garbage", 100, "0"}, {"", 120, "120"}};
  for (const auto& c : cases) {
    DialogRun r(c.stored);
    r.Run();
    EXPECT_TRUE(r.outcome.processEnded);  // the loop ended; Main then ends the process
    forms::Form& f = r.form();
    EXPECT_EQ(f.Bar("P_Num").Value(), c.bar) << c.stored;
    EXPECT_EQ(f.Lbl("lbl_PNum").Caption(), c.label) << c.stored;
    EXPECT_EQ(r.Count("WriteFile"), 0) << c.stored;
  }
  DialogRun r("250");
  r.Run();
  forms::Form& f = r.form();
  // The client area is Pic_C: the memory frame adds 8 x 27, centred on 1024 x 768.
  EXPECT_GE(IndexOfCall(r.p, "Move 249 230 525 308"), 0);
  EXPECT_EQ(r.dialog().tileCopies(), 32 + 10 + 16);
  EXPECT_EQ(f.Img("Img_H").Picture, f.Img("Img_TT").Picture);  // shared, not copied
  for (int i : {1, 2}) EXPECT_EQ(f.Img("Img_Button", i).Picture, f.Img("Img_OFF").Picture);
  EXPECT_EQ(r.dialog().BannerText, "DESIGNED BY TAVRIN VERSION 1.0.0");
  EXPECT_EQ(r.dialog().BounceTable[82], 90);
  // Zoomed from the pointer to the window before it shows, and back on unload.
  const long zoom = IndexOfCall(r.p, "DrawAnimatedRects " + std::to_string(f.window()->handle()) +
                                         " 3 900,700,900,700 249,230,774,538");
  ASSERT_GE(zoom, 0);
  EXPECT_LT(zoom, IndexOfCall(r.p, "Show"));
  // The banner ran at its pace for the five seconds: 64 ticks a second from phase 40.
  EXPECT_EQ(r.dialog().BannerOffset, (40 - 1 + 5 * kBannerTicksPerSecond) % 310 + 1);
}

TEST(SettingsDialog, ScrollBarMovesTheLabelAndStoresNothing) {
  DialogRun r("250");
  r.Click(100, kBarX + 113 - 5, kBarY + 8);  // right arrow: +1
  r.Click(300, kBarX + 5, kBarY + 8);        // left arrow: -1
  r.Click(500, kBarX + 80, kBarY + 8);       // track right of the thumb: +10
  // Held for a second: the arrow repeats after its delay.
  r.At(1000, {ScriptedInput::Kind::MouseDown, 1, float(kBarX + 113 - 5), float(kBarY + 8)});
  r.At(2000, {ScriptedInput::Kind::MouseUp, 1, float(kBarX + 113 - 5), float(kBarY + 8)});
  r.Run();
  forms::Form& f = r.form();
  const int held = f.Bar("P_Num").Value() - 260;
  EXPECT_GT(held, 5);  // 650 ms of repeats at 20 a second, and the first step
  EXPECT_LE(held, 15);
  EXPECT_EQ(f.Lbl("lbl_PNum").Caption(), std::to_string(f.Bar("P_Num").Value()));
  EXPECT_EQ(r.Count("WriteFile"), 0);
}

TEST(SettingsDialog, ThumbDragShowsEveryValueOnTheWay) {
  DialogRun r("100");
  r.At(100, {ScriptedInput::Kind::MouseDown, 1, float(kBarX + 17 + 8), float(kBarY + 8)});
  for (int k = 1; k <= 20; ++k)
    r.At(100 + 10 * k, {ScriptedInput::Kind::MouseMove, 1, float(kBarX + 25 + 3 * k), float(kBarY + 8)});
  r.At(400, {ScriptedInput::Kind::MouseUp, 1, float(kBarX + 85), float(kBarY + 8)});
  r.Run();
  forms::Form& f = r.form();
  EXPECT_GT(f.Bar("P_Num").Value(), 100);
  EXPECT_EQ(f.Lbl("lbl_PNum").Caption(), std::to_string(f.Bar("P_Num").Value()));
  EXPECT_EQ(r.Count("WriteFile"), 0);
}

TEST(SettingsDialog, ButtonsActOnTheReleaseWhereverThePointerIsAndOnlyOnTheirLabels) {
  // "設定" pressed, moved off, released far away: saved with its leading blank.
  {
    DialogRun r("250");
    r.At(100, {ScriptedInput::Kind::MouseDown, 1, float(kSaveX), float(kSaveY)});
    r.At(150, {ScriptedInput::Kind::MouseMove, 1, 5.0f, 5.0f});
    r.At(200, {ScriptedInput::Kind::MouseUp, 1, 5.0f, 5.0f});
    r.Run();
    EXPECT_TRUE(r.outcome.processEnded);
    EXPECT_EQ(r.p.files[kIni], "[Section]\r\n" + kKey + "= 250\r\n");
    EXPECT_EQ(r.Count("DrawAnimatedRects"), 2);  // in, and out once
    EXPECT_EQ(r.Count("Unload Kalvessa"), 1);
  }
  // "ｷｬﾝｾﾙ" with the right button: closes, stores nothing.
  {
    DialogRun r("250");
    r.Click(100, kCancelX, kCancelY, 2);
    r.Run();
    EXPECT_TRUE(r.outcome.processEnded);
    EXPECT_EQ(r.Count("WriteFile"), 0);
    EXPECT_EQ(r.Count("DrawAnimatedRects"), 2);
  }
  // The rim of the face outside the label, Enter and Escape: nothing.
  {
    DialogRun r("250");
    r.Click(100, kSaveX, 2 + 232 + 1);  // the face's top rim, above its label
    r.At(300, {ScriptedInput::Kind::KeyDown, 0x0D});
    r.At(400, {ScriptedInput::Kind::KeyDown, 0x1B});
    r.Run();
    EXPECT_EQ(r.Count("WriteFile"), 0);
    EXPECT_EQ(r.Count("Unload"), 0);
    EXPECT_EQ(r.Count("DrawAnimatedRects"), 1);
  }
}

TEST(SettingsDialog, PressShowsThePressedFaceUntilTheRelease) {
  DialogRun r("250");
  r.At(100, {ScriptedInput::Kind::MouseDown, 1, float(kSaveX), float(kSaveY)});
  r.Run();  // the loop ends with the button still held
  forms::Form& f = r.form();
  EXPECT_EQ(f.Img("Img_Button", 1).Picture, f.Img("Img_ON").Picture);
  EXPECT_EQ(f.Img("Img_Button", 2).Picture, f.Img("Img_OFF").Picture);
}

TEST(SettingsDialog, LinkOpensOnEveryPressAndTheDialogStays) {
  DialogRun r("250");
  for (int k = 0; k < 3; ++k) r.Click(100 + 200 * k, kLinkX, kLinkY);
  r.Run();
  EXPECT_EQ(r.Count("OpenDocument " + std::string(r.form().Lbl("lbl_URL").Caption())), 3);
  EXPECT_EQ(r.Count("Unload"), 0);
}

TEST(SettingsDialog, ClosingThroughTheFrameUnloadsZoomsOutOnceAndEnds) {
  DialogRun r("250");
  r.At(100, {ScriptedInput::Kind::Close});
  r.Run();
  EXPECT_TRUE(r.outcome.processEnded);
  EXPECT_EQ(r.outcome.exitCode, 0);
  EXPECT_EQ(r.Count("DrawAnimatedRects"), 2);
  EXPECT_EQ(r.Count("WriteFile"), 0);
}

TEST(SettingsDialog, ASaveThatCannotGoBesideTheProgramGoesToTheUserAndIsReadBack) {
  const std::string perUser = "C:\\Users\\u\\AppData\\Roaming\\Kalvessa";
  {
    DialogRun r("250");
    r.p.userSettingsDirectory = perUser;
    r.p.unwritableDirectories = {"C:\\Program Files\\Kalvessa"};
    r.Click(100, kSaveX, kSaveY);
    r.Run();
    EXPECT_EQ(r.p.files[perUser + "\\Kalvessa.ini"], "[Section]\r\n" + kKey + "= 250\r\n");
    EXPECT_EQ(r.Count("ShowMessage"), 0);
    // The next start reads what was saved last.
    Sorvin_B next(r.p);
    next.LoadSettings();
    EXPECT_EQ(next.ParticleCount, 250);
    // A later save beside the program wins over the older per-user one.
    r.p.unwritableDirectories.clear();
    r.p.now += std::chrono::seconds(10);
    WriteSetting(r.p, " 300");
    next.LoadSettings();
    EXPECT_EQ(next.ParticleCount, 300);
  }
  {
    DialogRun r("250");
    r.p.userSettingsDirectory = perUser;
    r.p.unwritableDirectories = {"C:\\Program Files\\Kalvessa", perUser};
    r.Click(100, kSaveX, kSaveY);
    r.Run();
    EXPECT_TRUE(r.outcome.processEnded);
    auto said = CallsStartingWith(r.p, "ShowMessage");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(kIni), std::string::npos);
    EXPECT_NE(said[0].find("denied"), std::string::npos);  // the system's reason
  }
}

// Where the calls that start with prefix stand in the log, in order.
std::vector<long> CallIndices(const MemoryPlatform& p, const std::string& prefix) {
  std::vector<long> at;
  for (std::size_t i = 0; i < p.calls.size(); ++i)
    if (p.calls[i].rfind(prefix, 0) == 0) at.push_back(static_cast<long>(i));
  return at;
}

TEST(SettingsDialog, ARefusedSaveWithoutTheSystemsMessageBoxIsToldInAModalWindowOverTheDialog) {
  using K = ScriptedInput::Kind;
  const std::string caption = "Kalvessaの設定";
  const std::string folder = "C:\\Program Files\\Kalvessa";
  // What the refusal says, and where the message window's OK lies for it.
  MemoryPlatform sample;
  sample.unwritableDirectories = {folder};
  const std::string said = WriteSetting(sample, " 250");
  ASSERT_NE(said.find(kIni), std::string::npos);
  forms::BoxTextRenderer boxes;  // what the memory backend draws text with
  const MessageLayout design(caption, said, boxes);
  forms::Form probe(sample, boxes, design.window(), design.controls(),
                    [](std::string_view) { return nullptr; });
  const PixelRect ok = probe.WindowRect(probe.Lbl("lbl_OK"));
  const float okX = float(ok.left + ok.right) / 2, okY = float(ok.top + ok.bottom) / 2;
  const Handle dialogWindow = MemoryPlatform::kFirstWindowHandle;

  struct Way {
    const char* name;
    std::vector<std::pair<int, ScriptedInput>> input;  // to the message window, by time
    int endMs;
  };
  const Way ways[] = {
      {"Enter", {{600, {K::KeyDown, MessageWindow::kEnter}}}, 600},
      {"Escape", {{600, {K::KeyDown, MessageWindow::kEscape}}}, 600},
      {"Space", {{600, {K::KeyDown, MessageWindow::kSpace}}}, 600},
      {"the frame's close button", {{600, {K::Close}}}, 600},
      // Released off the button it does nothing, as a push button does; then a click.
      {"a click on OK",
       {{500, {K::MouseDown, 1, okX, okY}},
        {550, {K::MouseUp, 1, 1.0f, 1.0f}},
        {600, {K::KeyDown, 'A'}},
        {700, {K::MouseDown, 1, okX, okY}},
        {750, {K::MouseUp, 1, okX, okY}}},
       750},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    DialogRun r("250");
    r.p.offered = kMemoryFeatures.Without(Feature::kMessageBoxes);
    r.p.unwritableDirectories = {folder};
    r.Click(100, kSaveX, kSaveY);
    // While the message is up the dialog takes nothing: ｷｬﾝｾﾙ, a key, its close button.
    r.At(300, {K::MouseDown, 1, float(kCancelX), float(kCancelY), dialogWindow});
    r.At(350, {K::MouseUp, 1, float(kCancelX), float(kCancelY), dialogWindow});
    r.At(400, {K::KeyDown, MessageWindow::kEscape, 0, 0, dialogWindow});
    r.At(450, {K::Close, 0, 0, 0, dialogWindow});
    for (const auto& [ms, in] : way.input) r.At(ms, in);
    r.Run();

    // The words still go to the log, as they always did.
    EXPECT_EQ(r.p.logLines, std::vector<std::string>{caption + ": " + said});
    EXPECT_EQ(r.Count("ShowMessage"), 0);
    MessageWindow* message = r.dialog().message();
    ASSERT_NE(message, nullptr);
    auto* shown = static_cast<MemoryWindow*>(message->form().window());
    auto* dialog = static_cast<MemoryWindow*>(r.form().window());
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(dialog->handle(), dialogWindow);
    EXPECT_EQ(shown->desc().caption, caption);
    EXPECT_EQ(shown->desc().owner, dialogWindow);
    EXPECT_TRUE(shown->desc().scaleToDisplay);
    // Centred on the dialog's window.
    const PixelRect m = shown->rect(), d = dialog->rect();
    EXPECT_NEAR(m.left + m.right, d.left + d.right, 1);
    EXPECT_NEAR(m.top + m.bottom, d.top + d.bottom, 1);
    EXPECT_GT(m.right - m.left, 200);
    // The text, a label per line: the heading, the file, the system's reason.
    std::string lines;
    for (int i = 0; forms::Control* c = message->form().Find("lbl_Line", i); ++i)
      lines += (i ? "\n" : "") + static_cast<forms::Label*>(c)->Caption();
    EXPECT_EQ(lines, said);
    // Dismissed by this input and nothing before; then, as after the
    // system's box, the dialog unloads (zooming out once) and the program ends.
    EXPECT_TRUE(r.outcome.processEnded);
    EXPECT_EQ(r.outcome.exitCode, 0);
    EXPECT_EQ(r.p.now, TimePoint{} + milliseconds(way.endMs));
    EXPECT_FALSE(shown->loaded());
    EXPECT_FALSE(dialog->loaded());
    const std::vector<long> unloads = CallIndices(r.p, "Unload " + caption);
    const std::vector<long> zooms = CallIndices(r.p, "DrawAnimatedRects");
    ASSERT_EQ(unloads.size(), 2u);
    ASSERT_EQ(zooms.size(), 2u);
    EXPECT_LT(unloads[0], zooms[1]);  // the message went first, then the dialog zoomed out
    EXPECT_EQ(r.Count("RunModalLoop"), 2);
    EXPECT_EQ(r.Count("WriteFile"), 1);  // the refused attempt alone
  }
}

}  // namespace
}  // namespace kal
