// A message the user must see, in a small modal window of our own, for a
// desktop whose system has no message box: the caption, a warning sign, the
// text and an OK button (see MessageLayout). A click on OK, Enter, Space,
// Escape and the frame's close button dismiss it. It belongs to the form it
// is shown over, centred on that form's window, and that form takes no input
// until it is gone.
#pragma once

#include <string_view>

#include "platform/WindowSystem.h"
#include "platform/forms/Form.h"
#include "settings/MessageLayout.h"

namespace kal {

class MessageWindow {
 public:
  MessageWindow(WindowSystem& windows, TextRenderer& text, std::string_view caption,
                std::string_view message);
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Loads the window over the owner's, shows it and returns once it has been
  // dismissed. False when no window could be made (nothing was shown).
  bool ShowModal(forms::Form& owner);
  // Loads it without showing it, centred on the screen (tools, tests).
  void LoadOnly();
  void Dismiss();

  forms::Form& form() { return form_; }
  const std::vector<std::string>& lines() const { return layout_.lines(); }
  bool loaded() const { return loaded_; }

  // Keys that dismiss it: Enter, Escape, Space.
  static constexpr int kEnter = 0x0D, kEscape = 0x1B, kSpace = 0x20;

 private:
  void Form_Load();
  void Place(PlatformWindow& window);
  // Covers the picture box with the metal texture, as the dialog's panels are.
  void Tile(forms::PictureBox& target);

  WindowSystem& windows_;
  MessageLayout layout_;
  forms::Form form_;
  Handle owner_ = 0;
  bool loaded_ = false;
};

// The warning sign: a yellow triangle with a dark rim and an exclamation
// mark, size x size pixels with its top-left corner at (x, y).
void DrawWarningSign(Canvas& canvas, int x, int y, int size);
// A raised edge of two lines around the whole canvas.
void DrawRaisedEdge(Canvas& canvas);

}  // namespace kal
