#pragma once

// Loading sounds under numbers: RIFF/WAVE data whole into one buffer, anything else through the
// registered decoders, whole or (SoundFlagStream) streamed.

#include <cstddef>
#include <cstdint>

#include "runtime/object_id.h"

namespace engine {

// Loads the file at `path` under `sound` (a number, or ObjectIdAuto for a new auto number).
// With SoundFlagStream the file goes to the decoders as a stream; otherwise it is read whole
// and loaded as by SoundLoadFromMemory with no flags. Returns 0 on failure, else the new
// sound's auto number for ObjectIdAuto or a nonzero handle (the buffer of a whole sound, the
// record of a streamed one). A sound already under the number is replaced; a whole load that
// fails keeps it. Main thread, after SoundInit.
void* SoundLoad(ObjectId sound, const char* path, std::uint32_t flags = 0);

// Loads `size` bytes at `data` under `sound`: a block beginning with "RIFF" is read as a WAVE
// file and copied into the sound's buffer; any other block is offered to the decoders and
// decoded whole or, with SoundFlagStream, streamed (the decoder may then read the block for as
// long as the sound exists). Results as SoundLoad. Main thread, after SoundInit.
void* SoundLoadFromMemory(ObjectId sound, const void* data, std::size_t size,
                          std::uint32_t flags = 0);

// Upper bound of a whole decode's PCM bytes; the rest of a longer sound is dropped.
inline constexpr std::int64_t kSoundDecodeMaxBytes = 64000000;

}  // namespace engine
