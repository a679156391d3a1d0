#pragma once

// The 0-100 volume scale of sounds and its mapping to attenuation.

#include <cstdint>

#include "runtime/object_id.h"

namespace engine {

inline constexpr int kSoundVolumeCount = 101;

// Entry v is log10(1000 v) x 2000 truncated (0 for v = 0, 10000 for v = 100); a channel at
// volume v gets the attenuation entry[v] - 10000 hundredths of a decibel. Filled by SoundInit.
extern std::int32_t SoundVolumeTable[kSoundVolumeCount];

// Computes SoundVolumeTable.
void SoundVolumeTableFill();

// Attenuation in hundredths of a decibel for a volume; values outside 0-100 are clamped.
std::int32_t SoundVolumeAttenuation(std::int64_t volume);

// Sets the volume (0-100, clamped) of `sound`'s channels: channel 0 the main channel, -1 the
// main channel and every overlapping play, otherwise the overlapping play with that handle (a
// handle of another sound changes nothing). sound -1 means every sound, all channels. A number
// without a sound does nothing. Main thread.
void SoundSetVolume(ObjectId sound, std::int32_t volume, std::intptr_t channel = 0);

}  // namespace engine
