#pragma once

#include "canvas.h"

namespace assetgen {

inline constexpr int kFloorWidth = 320;
inline constexpr int kFloorHeight = 240;

// The 320 x 240 floor tile: distant islands on the horizon, open sea, and a beach in front.
// Everything is drawn on a horizontally wrapping canvas with features whose periods divide the
// width, so column 319 continues into column 0. Above the skyline it is magenta, where the
// game's sky colour shows through.
Canvas DrawFloorTile();

}  // namespace assetgen
