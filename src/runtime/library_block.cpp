#include "runtime/library_block.h"

#include "runtime/main_heap.h"

namespace engine {

void* LibraryBlockAlloc(std::size_t size, void (*initialise)(void* block)) {
  void* block = MainHeapAllocZero(size);
  if (block && initialise) initialise(block);
  return block;
}

}  // namespace engine
