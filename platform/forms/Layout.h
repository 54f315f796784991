// The types of a form's design: the window's own properties and each control
// with its container, rectangle, caption, colours, font, picture and flags, as
// a layout table holds them (assets/DialogLayout.cpp holds the dialog's).
#pragma once

#include <optional>
#include <string_view>

#include "platform/Types.h"

namespace kal::layout {

enum class Kind { PictureBox, Image, Label, HScrollBar, Timer };
enum class Align { Left, Right, Centre };

// A font as the layout names it; pixels are taken at 96 dots per inch.
struct Font {
  std::string_view face{};
  float points = 9;
  int weight = 400;
  int charset = 128;  // Shift-JIS
  bool underline = false;
};

// The system colours the layout names, as they are on a standard desktop.
inline constexpr Color kWindowBackground = Rgb(255, 255, 255);  // system colour 5
inline constexpr Color kWindowText = Rgb(0, 0, 0);              // system colour 8
inline constexpr Color kButtonText = Rgb(0, 0, 0);              // system colour 18

struct Control {
  std::string_view name{};  // "Pic_C", "lbl", "lbl_Button", ...
  int index = -1;           // member of a control array, else -1
  Kind kind = Kind::Label;
  std::string_view container{};  // "" for the window itself
  // In twips, relative to the container's drawing area, as the layout stores them.
  int left = 0, top = 0, width = 0, height = 0;
  int tabIndex = -1;  // -1: takes no focus
  std::string_view caption{};
  Align alignment = Align::Left;
  std::optional<Font> font{};        // empty: the container's
  std::optional<Color> backColor{};  // empty: the system's button face
  std::optional<Color> foreColor{};  // empty: the system button-text colour
  std::string_view picture{};        // asset name, or empty
  bool visible = true;
  bool border = false;  // single-line border
  bool autoRedraw = false;
  bool autoSize = false;
  bool transparent = false;  // labels: BackStyle transparent
  bool handPointer = false;  // MousePointer custom (99)
  bool store = false;        // off stage: only holds artwork or timing
  // Scroll bar.
  int min = 0, max = 0, smallChange = 0, largeChange = 0, value = 0;
  // Timer.
  bool enabled = true;
  int intervalMs = 0;

  // The rectangle in pixels (15 twips each, as the layout was made).
  PixelRect Pixels() const { return {left / 15, top / 15, (left + width) / 15, (top + height) / 15}; }
};

struct Window {
  std::string_view caption;
  Font font;
  std::string_view icon;
  std::string_view mouseIcon;
  // The design client area in twips.
  int left, top, width, height;
};

}  // namespace kal::layout
