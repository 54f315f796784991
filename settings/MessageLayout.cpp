#include "settings/MessageLayout.h"

#include <algorithm>

#include "assets/Assets.h"
#include "assets/DialogLayout.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Text.h"

namespace kal {
namespace {

using layout::Control;
using layout::Kind;

constexpr layout::Font kFont{layout::kDialogFace, 9, 400, 128, false};
constexpr std::string_view kEllipsis = "…";
constexpr int kTwips = 15;  // per pixel, as every layout is made
constexpr int kBorder = forms::PictureBox::kBorder;

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Where each character of the text starts, and its end.
std::vector<std::size_t> CharacterStarts(std::string_view s) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!IsContinuation(s[i])) at.push_back(i);
  }
  at.push_back(s.size());
  return at;
}

bool BreaksAfter(char c) { return c == ' ' || c == '/' || c == '\\'; }

// One line of the text, cut into pieces no wider than the limit.
void Wrap(std::string_view line, TextRenderer& renderer, const FontSpec& font,
          std::vector<std::string>& out) {
  auto width = [&](std::string_view piece) { return renderer.Measure(piece, font).width; };
  const std::vector<std::size_t> at = CharacterStarts(line);
  std::size_t first = 0;  // index into `at` of the piece's first character
  const std::size_t count = at.size() - 1;
  while (first < count) {
    const std::size_t from = at[first];
    if (width(line.substr(from)) <= MessageLayout::kMaxTextWidth) {
      out.emplace_back(line.substr(from));
      return;
    }
    // The most characters that fit, at least one.
    std::size_t lo = first + 1, hi = count;
    while (lo < hi) {
      const std::size_t mid = (lo + hi + 1) / 2;
      if (width(line.substr(from, at[mid] - from)) <= MessageLayout::kMaxTextWidth) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    std::size_t end = lo;
    for (std::size_t k = lo; k > first + 1; --k) {
      if (BreaksAfter(line[at[k - 1]])) {
        end = k;
        break;
      }
    }
    out.emplace_back(line.substr(from, at[end] - from));
    first = end;
  }
}

}  // namespace

FontSpec MessageLayout::TextFont() {
  return FontSpec{std::string(kFont.face), forms::PixelHeightOf(kFont.points), kFont.weight, kFont.underline};
}

std::vector<std::string> WrapMessage(std::string_view text, TextRenderer& renderer, const FontSpec& font) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (;;) {
    const std::size_t nl = text.find('\n', from);
    std::string_view line =
        text.substr(from, nl == std::string_view::npos ? std::string_view::npos : nl - from);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      lines.emplace_back();
    } else {
      Wrap(line, renderer, font, lines);
    }
    if (nl == std::string_view::npos) break;
    from = nl + 1;
  }
  while (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  if (lines.size() > static_cast<std::size_t>(MessageLayout::kMaxLines)) {
    lines.resize(MessageLayout::kMaxLines);
    std::string& last = lines.back();
    // Characters come off the end until the mark fits.
    while (!last.empty() &&
           renderer.Measure(last + std::string(kEllipsis), font).width > MessageLayout::kMaxTextWidth) {
      std::size_t cut = last.size() - 1;
      while (cut > 0 && IsContinuation(last[cut])) --cut;
      last.resize(cut);
    }
    last += kEllipsis;
  }
  return lines;
}

MessageLayout::MessageLayout(std::string_view caption, std::string_view text, TextRenderer& renderer)
    : caption_(caption) {
  const FontSpec font = TextFont();
  lines_ = WrapMessage(text, renderer, font);
  int widest = 0, lineHeight = font.pixelHeight + 1;
  for (const std::string& line : lines_) {
    const TextExtent e = renderer.Measure(line, font);
    widest = std::max(widest, e.width);
    lineHeight = std::max(lineHeight, e.height);
  }
  const int n = static_cast<int>(lines_.size());
  const int textWidth = std::clamp(widest, kMinTextWidth, kMaxTextWidth);
  const int textHeight = n * lineHeight + (n > 1 ? kHeadingGap : 0);
  const int block = std::max(kSign, textHeight);
  // The panel, the frame around it and the button below, outer sizes.
  const int panelWidth = kBorder + kPad + kSign + kPad + textWidth + kPad + kBorder;
  const int panelHeight = kBorder + kPad + block + kPad + kBorder;
  // The frame's raised edge is drawn on its own picture (a window of its
  // own stands out from the dialog's sunken panels behind it).
  const int frameWidth = kEdge + kMargin + panelWidth + kMargin + kEdge;
  const int frameHeight = kEdge + kMargin + panelHeight + kMargin + kFaceHeight + kMargin + kEdge;
  const int panelLeft = kEdge + kMargin, panelTop = kEdge + kMargin;
  const int faceLeft = panelLeft + panelWidth - kFaceWidth, faceTop = panelTop + panelHeight + kMargin;

  window_ = layout::Window{caption_, kFont, assets::kProgramIcon, assets::kHandPointer,
                           0,        0,     frameWidth * kTwips,  frameHeight * kTwips};
  // Front to back within a container, as every layout lists them. The
  // texture and the faces come from the dialog's stores, kept off the client area.
  for (std::string_view store : {"Pic_Mbl", "Img_ON", "Img_OFF"}) {
    Control c = *layout::Find(store);
    c.visible = false;
    controls_.push_back(c);
  }
  controls_.push_back({.name = "Pic_M",
                       .kind = Kind::PictureBox,
                       .width = frameWidth * kTwips,
                       .height = frameHeight * kTwips,
                       .font = kFont,
                       .autoRedraw = true});
  controls_.push_back({.name = "lbl_OK",
                       .kind = Kind::Label,
                       .container = "Pic_M",
                       .left = faceLeft * kTwips,
                       .top = (faceTop + kLabelTop) * kTwips,
                       .width = (kFaceWidth - 2) * kTwips,
                       .height = kLabelHeight * kTwips,
                       .caption = "OK",
                       .alignment = layout::Align::Centre,
                       .transparent = true,
                       .handPointer = true});
  controls_.push_back({.name = "Img_OK",
                       .kind = Kind::Image,
                       .container = "Pic_M",
                       .left = faceLeft * kTwips,
                       .top = faceTop * kTwips,
                       .width = kFaceWidth * kTwips,
                       .height = kFaceHeight * kTwips});
  controls_.push_back({.name = "Pic_T",
                       .kind = Kind::PictureBox,
                       .container = "Pic_M",
                       .left = panelLeft * kTwips,
                       .top = panelTop * kTwips,
                       .width = panelWidth * kTwips,
                       .height = panelHeight * kTwips,
                       .border = true,
                       .autoRedraw = true});
  // The text beside the sign, centred on it when it is shorter; the heading
  // stands a little apart from the lines that say where and why.
  const int top = kPad + (block - textHeight) / 2;
  for (int i = 0; i < n; ++i) {
    controls_.push_back({.name = "lbl_Line",
                         .index = i,
                         .kind = Kind::Label,
                         .container = "Pic_T",
                         .left = (kPad + kSign + kPad) * kTwips,
                         .top = (top + i * lineHeight + (i > 0 ? kHeadingGap : 0)) * kTwips,
                         .width = textWidth * kTwips,
                         .height = lineHeight * kTwips,
                         .caption = lines_[static_cast<std::size_t>(i)],
                         .autoSize = true,
                         .transparent = true});
  }
}

}  // namespace kal
