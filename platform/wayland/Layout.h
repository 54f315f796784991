// Where the outputs lie in the compositor's layout, and what a position on
// one output's surface is in the pixels of the output the swarm lives on.
// Pure arithmetic: the Wayland objects that report these numbers are in
// Output.h.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace kal::wayland {

// What one output reports about itself. Logical units are the compositor's
// layout coordinates (the surface coordinates of a surface covering the
// output); device pixels are its mode.
struct OutputReport {
  // wl_output.geometry: the position in the layout (older compositors put
  // device pixels here) and the transform (wl_output_transform: 0..7).
  std::int32_t x = 0, y = 0;
  std::int32_t transform = 0;
  // wl_output.mode with the "current" flag, device pixels (0: none yet).
  std::int32_t modeWidth = 0, modeHeight = 0;
  // wl_output.scale: the integer buffer scale clients should draw at.
  std::int32_t scale = 1;
  // zxdg_output_v1's logical position and size, when it sent them.
  bool hasLogical = false;
  std::int32_t logicalX = 0, logicalY = 0, logicalWidth = 0, logicalHeight = 0;
};

// An output's rectangle in the layout (logical units) and its buffer scale.
// Whatever a compositor reports, sizes stay within these (a buffer of the
// largest is 4 GiB at most, and no arithmetic here overflows).
inline constexpr std::int32_t kMaxSide = 1 << 15;
inline constexpr std::int32_t kMaxScale = 8;

struct OutputPlace {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  std::int32_t scale = 1;
  bool operator==(const OutputPlace&) const = default;
};

// The place an output's report gives: xdg-output's logical rectangle where
// there is one (it is the truth under fractional scales and transforms),
// else the geometry's position and the current mode turned by the transform
// and divided by the scale. The scale is held to 1..kMaxScale, the sizes to
// 0..kMaxSide.
OutputPlace PlaceOf(const OutputReport& report);

struct PointF {
  double x = 0, y = 0;
  bool operator==(const PointF&) const = default;
};

// A position (sx, sy) in the surface coordinates of a surface covering
// output `on`, in the pixels of the swarm's output (its buffer, scale times
// its logical size, origin at its top-left corner). Both outputs' logical
// positions are one layout, so the pointer crossing from one output to
// another keeps its position in the swarm's pixels and is no move.
PointF ToSwarmPixels(const OutputPlace& swarm, const OutputPlace& on, double sx, double sy);

// Output `o`'s rectangle in the pixels of the swarm's output: the swarm's
// output at the origin, its buffer's size; the others where the layout puts
// them, in the same units (logical units times the swarm's scale). A window
// covering `o` that reports a position as ToSwarmPixels less this corner
// gives what the saver's covers add their corner's offset back to: one
// space in which crossing from output to output is no move.
PixelRect MonitorRect(const OutputPlace& swarm, const OutputPlace& o);

// The buffer a surface of `width` x `height` logical units needs at `scale`
// (device pixels), with the same limits.
struct BufferSize {
  std::int32_t width = 0, height = 0;
  bool operator==(const BufferSize&) const = default;
};
BufferSize BufferFor(std::int32_t width, std::int32_t height, std::int32_t scale);

}  // namespace kal::wayland
