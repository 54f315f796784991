// The settings dialog as designed: the window's own properties and every
// control with its container, rectangle, caption, colours, font, picture and
// flags. The dialog, the backends and the tests all read this one table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
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

const Window& DialogWindow();
std::span<const Control> DialogControls();
// The control by name and array index; nullptr when there is none.
const Control* Find(std::string_view name, int index = -1);

// The face the layout asks for.
inline constexpr std::string_view kDialogFace = "ＭＳ Ｐゴシック";
// The credit line the banner shows (the static label reads otherwise).
inline constexpr std::string_view kBannerCredit = "Designed by Tavrin Version 1.0.0";

}  // namespace kal::layout
