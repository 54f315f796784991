// The dialog's plates and marks: heading plate, button faces, option marks.
#pragma once

#include "tools/artgen/Raster.h"

namespace kal::artgen {

constexpr int kPlateWidth = 95;
constexpr int kPlateHeight = 22;
constexpr int kMarkSize = 13;

// What lies around a rounded shape: the panels' brushed metal, on average.
constexpr Rgb kPanelColour{192, 189, 188};

Raster DrawHeadingPlate();
Raster DrawButtonFace(bool pressed);
Raster DrawOptionMark(bool selected);

}  // namespace kal::artgen
