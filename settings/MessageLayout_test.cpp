#include "settings/MessageLayout.h"

#include <gtest/gtest.h>

#include "platform/forms/Text.h"

namespace kal {
namespace {

// The stand-in text draws a narrow character 6 pixels wide at this size:
// 70 of them fill a line.
TEST(MessageWindow, LinesSplitAtNewlinesAndWrapAfterASeparatorElseBetweenCharacters) {
  forms::BoxTextRenderer boxes;
  const FontSpec font = MessageLayout::TextFont();
  ASSERT_EQ(boxes.Measure("x", font).width * 70, MessageLayout::kMaxTextWidth);
  const std::string path =
      "/home/user/" + std::string(40, 'a') + "/" + std::string(40, 'b') + "/Kalvessa.ini";
  const std::string run(150, 'x');
  std::string many;
  for (int i = 0; i < 40; ++i) many += "line " + std::to_string(i) + "\n";
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"見出し\r\n" + std::string(70, 'p') + "\nwhy\n\n", {"見出し", std::string(70, 'p'), "why"}},
      {"a\n\nb", {"a", "", "b"}},
      // After the last separator that fits, which stays on its line.
      {path, {"/home/user/" + std::string(40, 'a') + "/", std::string(40, 'b') + "/Kalvessa.ini"}},
      // No place to break: as many characters as fit.
      {run, {std::string(70, 'x'), std::string(70, 'x'), std::string(10, 'x')}},
      // A blank at the very start is no place to break.
      {" " + run.substr(0, 80), {" " + std::string(69, 'x'), std::string(11, 'x')}},
  };
  for (const auto& c : cases) EXPECT_EQ(WrapMessage(c.text, boxes, font), c.lines) << c.text;

  // More lines than show: the last one says so, and still fits.
  const std::vector<std::string> cut = WrapMessage(many + std::string(80, 'y'), boxes, font);
  ASSERT_EQ(cut.size(), static_cast<std::size_t>(MessageLayout::kMaxLines));
  EXPECT_EQ(cut.front(), "line 0");
  EXPECT_EQ(cut.back(), "line 15…");
  const std::vector<std::string> full = WrapMessage(std::string(16 * 70 + 5, 'z'), boxes, font);
  ASSERT_EQ(full.size(), static_cast<std::size_t>(MessageLayout::kMaxLines));
  EXPECT_EQ(full.back(), std::string(68, 'z') + "…");  // the mark is one wide character
  for (const std::string& line : full)
    EXPECT_LE(boxes.Measure(line, font).width, MessageLayout::kMaxTextWidth);
}

}  // namespace
}  // namespace kal
