#include "assets/DialogLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

#include "assets/Picture.h"

namespace kal::layout {
namespace {

std::string Id(const Control& c) {
  return std::string(c.name) + (c.index >= 0 ? std::to_string(c.index) : "");
}

TEST(DialogLayout, EveryControlSitsWhereTheDesignPutsIt) {
  const struct {
    const char* name;
    int index;
    const char* container;
    PixelRect px;
    int tab;
  } expected[] = {
      {"FontPic2", -1, "", {0, 380, 767, 402}, 13},
      {"Pic_Mbl", -1, "", {668, 8, 1219, 28}, 1},
      {"Pic_C", -1, "", {0, 0, 517, 281}, 0},
      {"Pic_1", -1, "Pic_C", {8, 12, 501, 77}, 7},
      {"P_Num", -1, "Pic_1", {180, 16, 293, 33}, 9},
      {"lbl_PNum", -1, "Pic_1", {228, 40, 251, 53}, 12},
      {"lbl", 5, "Pic_1", {300, 20, 385, 33}, 11},
      {"lbl", 4, "Pic_1", {160, 20, 173, 33}, 10},
      {"lbl", 3, "Pic_1", {12, 16, 105, 33}, 8},
      {"Img_H", -1, "Pic_1", {12, 12, 107, 34}, -1},
      {"Pic_2", -1, "Pic_C", {8, 88, 501, 221}, 5},
      {"Pic1", -1, "Pic_2", {8, 8, 481, 122}, 6},
      {"lbl", 9, "Pic_C", {8, 232, 173, 245}, 14},
      {"lbl_URL", -1, "Pic_C", {8, 252, 222, 265}, 4},
      {"lbl_Button", 2, "Pic_C", {404, 236, 497, 253}, 3},
      {"lbl_Button", 1, "Pic_C", {304, 236, 397, 253}, 2},
      {"Img_Button", 1, "Pic_C", {304, 232, 399, 254}, -1},
      {"Img_Button", 2, "Pic_C", {404, 232, 499, 254}, -1},
      {"Img_TT", -1, "", {668, 224, 763, 246}, -1},
      {"Img_ON", -1, "", {668, 116, 763, 138}, -1},
      {"Img_OFF", -1, "", {668, 148, 763, 170}, -1},
      {"Img_Opt_On", -1, "", {692, 184, 705, 197}, -1},
      {"Img_Opt_Off", -1, "", {672, 184, 685, 197}, -1},
  };
  EXPECT_EQ(DialogControls().size(), std::size(expected) + 1);  // and Timer1
  for (const auto& e : expected) {
    const Control* c = Find(e.name, e.index);
    ASSERT_NE(c, nullptr) << e.name << e.index;
    EXPECT_EQ(c->container, e.container) << Id(*c);
    EXPECT_EQ(c->Pixels(), e.px) << Id(*c);
    EXPECT_EQ(c->tabIndex, e.tab) << Id(*c);
  }
  // The tab indices 0 to 14, each once.
  std::set<int> tabs;
  for (const Control& c : DialogControls()) {
    if (c.tabIndex >= 0) {
      EXPECT_TRUE(tabs.insert(c.tabIndex).second) << Id(c);
    }
  }
  EXPECT_EQ(tabs.size(), 15u);
  EXPECT_EQ(*tabs.rbegin(), 14);
}

TEST(DialogLayout, StoresLieOffStageAndHoldPicturesOfTheirOwnSize) {
  const PixelRect client = Find("Pic_C")->Pixels();
  for (const Control& c : DialogControls()) {
    if (!c.store) continue;
    const PixelRect r = c.Pixels();
    EXPECT_TRUE(r.left >= client.right || r.top >= client.bottom) << Id(c);
    ASSERT_FALSE(c.picture.empty()) << Id(c);
    PictureRef p = LoadPicture(c.picture);
    ASSERT_TRUE(p) << c.picture;
    if (c.kind == Kind::PictureBox) {  // AutoSize, no border: exactly the picture
      EXPECT_EQ(r.right - r.left, p->width()) << Id(c);
      EXPECT_EQ(r.bottom - r.top, p->height()) << Id(c);
      EXPECT_FALSE(c.visible);
      EXPECT_TRUE(c.autoRedraw);  // readable while hidden
    }
  }
}

TEST(DialogLayout, LabelsSitOnTheirFacesAndTheRestMatchesTheDesign) {
  // Each button label starts at its face's left edge, 4 pixels lower, 2 narrower, 17 high.
  for (auto [label, image] :
       {std::pair{Find("lbl_Button", 1), Find("Img_Button", 1)},
        std::pair{Find("lbl_Button", 2), Find("Img_Button", 2)}, std::pair{Find("lbl", 3), Find("Img_H")}}) {
    const PixelRect l = label->Pixels(), i = image->Pixels();
    EXPECT_EQ(l.left, i.left);
    EXPECT_EQ(l.top, i.top + 4);
    EXPECT_EQ(l.right - l.left, i.right - i.left - 2);
    EXPECT_EQ(l.bottom - l.top, 17);
    EXPECT_TRUE(label->transparent);
  }
  EXPECT_EQ(DialogWindow().caption, "Kalvessaの設定");
  const Control& bar = *Find("P_Num");
  EXPECT_EQ((std::array{bar.min, bar.max, bar.smallChange, bar.largeChange, bar.value}),
            (std::array{100, 500, 1, 10, 100}));
  const Control& timer = *Find("Timer1");
  EXPECT_FALSE(timer.enabled);
  EXPECT_EQ(timer.intervalMs, 1);
  std::set<std::string> hands;
  for (const Control& c : DialogControls())
    if (c.handPointer) hands.insert(Id(c));
  EXPECT_EQ(hands, (std::set<std::string>{"P_Num", "lbl_URL", "lbl_Button1", "lbl_Button2"}));
  EXPECT_TRUE(Find("lbl_URL")->font->underline);
  EXPECT_EQ(Find("lbl_URL")->caption.substr(0, 4), "http");
  EXPECT_EQ(Find("Pic1")->backColor, Rgb(0, 0, 0));
  EXPECT_FALSE(Find("Pic_C")->backColor.has_value());
  for (const char* box : {"Pic_C", "Pic_1", "Pic_2", "Pic1"}) EXPECT_TRUE(Find(box)->border) << box;
}

}  // namespace
}  // namespace kal::layout
