#pragma once

namespace engine {

// Starts the sound device. 1 on success, 0 on failure.
int SoundInit();
// Frees every sound and releases the sound device; nothing when it did not start.
void SoundEnd();

}  // namespace engine
