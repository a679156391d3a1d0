#include "sound/sound.h"

namespace engine {

int SoundInit() { return 0; }
void SoundEnd() {}

}  // namespace engine
