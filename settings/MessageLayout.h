// The message window's design, made for its text (the window and its
// controls as platform/forms/Layout.h has them): a textured frame, a panel
// with a warning sign and one label per line, and an OK button with the
// dialog's button faces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "platform/forms/Layout.h"

namespace kal {

class MessageLayout {
 public:
  // Lines: the text's, split at "\n" and wrapped where one would be wider
  // than kMaxTextWidth (after the last blank or path separator that fits,
  // else between characters). At most kMaxLines show; when more were cut
  // the last one ends in "…".
  static constexpr int kMaxTextWidth = 420;
  static constexpr int kMinTextWidth = 200;
  static constexpr int kMaxLines = 16;
  // Pixels of the design.
  static constexpr int kEdge = 2;    // the frame's raised edge
  static constexpr int kMargin = 8;  // frame to panel, panel to button, button to frame
  static constexpr int kPad = 12;    // inside the panel, around the sign and the text
  static constexpr int kSign = 32;   // the warning sign's square
  static constexpr int kHeadingGap = 6;
  static constexpr int kFaceWidth = 95, kFaceHeight = 22;  // the button faces' pictures
  static constexpr int kLabelHeight = 17, kLabelTop = 4;   // the button's label on its face

  MessageLayout(std::string_view caption, std::string_view text, TextRenderer& renderer);
  // The controls point into the lines and the caption: built in place.
  MessageLayout(const MessageLayout&) = delete;
  MessageLayout& operator=(const MessageLayout&) = delete;

  const layout::Window& window() const { return window_; }
  const std::vector<layout::Control>& controls() const { return controls_; }
  const std::vector<std::string>& lines() const { return lines_; }
  // The font of the text and the button.
  static FontSpec TextFont();

 private:
  std::string caption_;
  std::vector<std::string> lines_;
  layout::Window window_{};
  std::vector<layout::Control> controls_;
};

// The lines of a text as the message window shows them (see MessageLayout).
std::vector<std::string> WrapMessage(std::string_view text, TextRenderer& renderer, const FontSpec& font);

}  // namespace kal
