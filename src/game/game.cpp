#include "game/game.h"

namespace game {

void GameRun() {}

}  // namespace game
