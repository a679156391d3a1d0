#pragma once

// The sound library's shared state: the one audio device of the process, the table of numbered
// sounds and the buffers every sound and module plays through. Main thread only.

#include <cstdint>

#include "platform/audio/direct_sound.h"
#include "runtime/object_table.h"

namespace engine {

// The table of numbered sounds (elements SoundRecord, release callback SoundRelease); null
// before SoundInit and after SoundEnd.
extern ObjectTable* SoundTable;

// The device SoundInit made, or null.
platform::DirectSound* SoundDevice();

// Every secondary buffer of the system is made with these capabilities: frequency, pan and
// volume control, audible whatever window has the focus, a precise play cursor.
inline constexpr std::uint32_t kSoundBufferFlags =
    platform::DSBCAPS_STATIC | platform::DSBCAPS_CTRLFREQUENCY | platform::DSBCAPS_CTRLPAN |
    platform::DSBCAPS_CTRLVOLUME | platform::DSBCAPS_GLOBALFOCUS |
    platform::DSBCAPS_GETCURRENTPOSITION2;
static_assert(kSoundBufferFlags == 98530);
// The record size callers written for the original 32-bit record pass.
inline constexpr std::uint32_t kSoundBufferDescBytes = 36;

// A stopped 16-bit PCM buffer of `bytes` bytes with `channels` channels at `frequency` Hz and
// the common flags, holding one reference; null when there is no device or the device refuses
// it (format, size, memory).
platform::SoundBuffer* SoundBufferCreate(std::int32_t channels, std::int32_t frequency,
                                         std::int32_t bytes);
// The same for a format of the caller's (a WAVE file's own).
platform::SoundBuffer* SoundBufferCreateWithFormat(const platform::WAVEFORMATEX& format,
                                                   std::uint32_t bytes);

// For tests: replaces the device (null forgets it), as SoundInit would have made it.
void SoundDeviceSet(platform::DirectSound* device);

}  // namespace engine
