#include "music/music.h"

namespace engine {

void MusicInit() {}
void MusicEnd() {}

}  // namespace engine
