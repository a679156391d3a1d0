#pragma once

// Playing, stopping and freeing sounds.

#include <cstdint>

#include "runtime/object_id.h"

namespace engine {

// Plays `sound`. A streamed sound restarts its stream from the beginning with a worker that
// keeps its buffer filled (its flags go to the decoder); a play with SoundFlagOverlap adds an
// overlapping play and returns its channel handle; any other play restarts the main channel,
// looping with SoundFlagLoop. `volume` -1 keeps the channel's volume, anything else sets it
// (clamped to 0-100) before the channel starts. Returns 0 when there is no such sound or the
// play could not start; 1 for a started main channel or stream. Main thread.
std::intptr_t SoundPlay(ObjectId sound, std::uint32_t flags = 0, std::int32_t volume = -1);

// Stops channels of `sound` and rewinds them: channel 0 the main channel (which also ends a
// stream, without waiting for its worker), -1 every channel, otherwise the overlapping play
// with that handle if it is this sound's. sound -1 stops every channel of every sound. Main
// thread.
void SoundStop(ObjectId sound, std::intptr_t channel = 0);

// Frees `sound` (-1: every sound): a stream's worker is stopped and awaited and its decoder
// freed, then every overlapping play and the main buffer are released and the number emptied.
// Also the sound table's release callback. Main thread.
void SoundRelease(ObjectId sound);

}  // namespace engine
