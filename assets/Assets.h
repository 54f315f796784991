// The pictures the programs carry, the files in assets/pictures looked up by
// file name: compiled into the binary on Linux, resources of the executable on
// Windows (platform/win32/ResourceAssets.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace kal::assets {

// The ten pictures. Their owners: the preview window's Img_Prev; the settings
// dialog's Icon and MouseIcon, FontPic2, Pic_Mbl, Img_TT, Img_ON, Img_OFF,
// Img_Opt_On and Img_Opt_Off.
inline constexpr std::string_view kPreviewStill = "preview-still.jpg";
inline constexpr std::string_view kProgramIcon = "program-icon.ico";
inline constexpr std::string_view kHandPointer = "hand-pointer.cur";
inline constexpr std::string_view kGlyphStrip = "glyph-strip.gif";
inline constexpr std::string_view kMetalTexture = "metal-texture.bmp";
inline constexpr std::string_view kHeadingPlate = "heading-plate.jpg";
inline constexpr std::string_view kButtonPressed = "button-pressed.jpg";
inline constexpr std::string_view kButtonReleased = "button-released.jpg";
inline constexpr std::string_view kOptionSelected = "option-selected.jpg";
inline constexpr std::string_view kOptionEmpty = "option-empty.jpg";

// The program icon as the executable's resources hold it: the icon image
// (RT_ICON, id kIconImageId) is the .ico file's image bytes, and the group
// directory (RT_GROUP_ICON, id kIconGroupId) names it.
inline constexpr std::string_view kIconResourceImage = "program-icon.rt_icon";
inline constexpr std::string_view kIconResourceGroup = "program-icon.rt_group_icon";
inline constexpr int kIconGroupId = 1;
inline constexpr int kIconImageId = 30001;

struct Asset {
  std::string_view name;
  std::span<const std::uint8_t> bytes;
};

// Every file the program carries, in file-name order.
std::span<const Asset> All();

// The bytes of the named file; empty when there is no such file.
std::span<const std::uint8_t> Find(std::string_view name);

}  // namespace kal::assets
