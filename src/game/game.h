#pragma once

#include <cstdint>

namespace game {

// Everything the game remembers between frames.
struct GameState {
  std::int32_t playerFrame;
  std::int32_t playerFrameStep;
  std::int32_t playerX;
  std::int32_t playerY;
  std::int32_t bulletX;
  std::int32_t bulletY;
  std::int32_t bulletActive;
  std::int32_t enemyX;
  std::int32_t enemyY;
  std::int32_t enemySpeed;
  std::int32_t animCounter;
  std::int32_t animStep;
  std::int32_t floorScroll;
};

GameState& GameStateGet();

// Loads the media, prepares the sprites and starts the music. Needs an open screen.
void GameSetup();
// One pass of the frame loop; false once Escape was down in this pass's snapshot.
bool GameFrame();
// The game: set-up, then passes until Escape.
void GameRun();

// The media the game reads, relative to the working directory.
inline constexpr char kSpriteSheetPath[] = "Data/sprites01.png";
inline constexpr char kFloorPath[] = "Data/bg_floor01.png";
inline constexpr char kShotSoundPath[] = "Data/player_bullet01.wav";
inline constexpr char kCollisionSoundPath[] = "Data/collision01.wav";
inline constexpr char kMusicPath[] = "Music/evolutionloop.it";

}  // namespace game
