#pragma once

// The sound-effects library: start and end, plus every public header of it.

#include "sound/sound_decoder.h"
#include "sound/sound_device.h"
#include "sound/sound_load.h"
#include "sound/sound_play.h"
#include "sound/sound_record.h"
#include "sound/sound_volume.h"

namespace engine {

// Starts the sound library: the sound table (capacity and growth step 64), the volume table,
// the media window, then the audio device on that window (cooperative level priority) and its
// primary buffer. 1 on success (also when the device already exists), 0 when the window cannot
// be made, the host has no audio output or the device refuses a step; nothing is shown. Main
// thread.
int SoundInit();
// Frees every sound (stopping and awaiting stream workers), releases the device and empties
// the decoder list. Nothing when SoundInit never ran. Main thread.
void SoundEnd();

}  // namespace engine
