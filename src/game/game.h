#pragma once

namespace game {

// The game: loads its media, sets up its sprites and runs the frame loop until Escape.
// Needs an open screen.
void GameRun();

}  // namespace game
