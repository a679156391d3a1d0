#pragma once

// Reading a media file whole into one MainHeap block, as the sound and module loaders do.

#include <cstddef>

namespace engine {

// The largest file the loaders read: sizes are handed on as 32-bit signed counts.
inline constexpr std::size_t kMediaFileMaxBytes = 0x7FFFFFFF;

// Reads the file at `path` into a new plain MainHeap block and stores its size in *size.
// Null when the path is null, the file cannot be opened or read, is larger than
// kMediaFileMaxBytes, or the block cannot be allocated. The caller frees the block with
// MainHeapFree. Main thread.
void* MediaFileRead(const char* path, std::size_t* size);

}  // namespace engine
