#pragma once

// The RIFF/WAVE walk of sound loading: where a WAVE file's format and samples are.

#include <cstddef>
#include <cstdint>

#include "platform/audio/sound_types.h"

namespace engine {

struct WaveLayout {
  // The file's own format record (its first 16 bytes; the extra-size word is not used).
  platform::WAVEFORMATEX format;
  // The samples: an offset into the block and a byte count that lies inside it.
  std::size_t pcmOffset;
  std::uint32_t pcmBytes;
};

// Finds the format and the "data" chunk of a block that begins with "RIFF". The "fmt " chunk
// must start at offset 12 with a body of at least 16 bytes; the walk then steps over chunks
// until "data". Every read stays inside the `size` bytes. False for a block too short for the
// fields it needs, a missing "fmt " at 12, or no "data" chunk inside the block.
bool WaveLayoutRead(const void* data, std::size_t size, WaveLayout* layout);

}  // namespace engine
