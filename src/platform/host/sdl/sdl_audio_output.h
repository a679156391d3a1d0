#pragma once

// The SDL audio device as an AudioOutput: 44100 Hz, 16-bit stereo, pulled from an AudioSource
// on SDL's audio thread.

#include <memory>

#include "platform/host/host.h"

namespace platform {

// Opens the default audio device and starts pulling from `source` at once. Null when SDL
// audio cannot start or refuses the format. Main thread.
std::unique_ptr<AudioOutput> SdlAudioOutputOpen(AudioSource* source);

}  // namespace platform
