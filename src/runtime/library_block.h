#pragma once

#include <cstddef>

namespace engine {

// A library's own working state: one zero-filled MainHeap block per library, living until
// MainHeap is destroyed. `initialise` (may be null) runs on the block before it is returned.
// Returns null when the block cannot be allocated.
void* LibraryBlockAlloc(std::size_t size, void (*initialise)(void* block));
// The block that LibraryBlockAlloc returned, unchanged.
inline void* LibraryBlockGet(void* handle) {
  return handle;
}

}  // namespace engine
