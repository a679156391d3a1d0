#pragma once

#include "canvas.h"

namespace assetgen {

// The 96 x 64 sprite sheet: the player's craft in two frames at (0, 0) and (32, 0), each 32 x 32
// and facing right; the shot at (64, 12), 7 x 7; the enemy at (0, 32), 32 x 32, facing left.
// Everything else is magenta.
Canvas DrawSpriteSheet();

}  // namespace assetgen
