#pragma once

// Loading and freeing modules under numbers.

#include <cstddef>

#include "runtime/object_id.h"

namespace engine {

// Loads the module file at `path` under `music` (a number or ObjectIdAuto). 0 when the path is
// null or the file cannot be read (the module under the number stays), or as
// MusicLoadFromMemory. Main thread, after SoundInit.
void* MusicLoad(ObjectId music, const char* path);

// Loads the module in `size` bytes at `data` (copied; the block stays the caller's) under
// `music` at master volume 512 with a new stream buffer. A module already under the number is
// released first, so a failure (not a module, no buffer) leaves the number empty. Returns the
// record (for ObjectIdAuto, the new auto number), or 0. Main thread, after SoundInit.
void* MusicLoadFromMemory(ObjectId music, const void* data, std::size_t size);

// Frees `music` (-1: every module): stops it and awaits its worker, unloads the module,
// releases its buffer and empties the number. Also the module table's release callback. Main
// thread.
void MusicRelease(ObjectId music);

}  // namespace engine
