#pragma once

// The inner loops of the mixer: one voice added into the float accumulator.

#include <cstddef>

#include "platform/audio/mixer.h"

namespace platform {

// Adds `frames` output frames of the voice, at its gains and step, into `mix` (interleaved
// left/right) and advances its position. A looping voice wraps; a one-shot voice that reaches
// its end stops adding, gets position 0 and makes the call return false. Needs Mixer::lock and
// the store's lock.
bool VoiceMix(Voice& voice, float* mix, std::size_t frames);

}  // namespace platform
