#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

// A private heap: every block it hands out is tracked, so destroying the heap releases whatever
// is still allocated. Blocks are aligned for any scalar type. Main thread and loaders only; the
// heap serialises its own use, so a worker thread may free too.
class Heap {
 public:
  Heap();
  ~Heap();
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;

  // A block of `bytes` bytes, zero-filled when `zeroFill` is set; null when out of memory or when
  // failure injection says so.
  void* Alloc(std::size_t bytes, bool zeroFill);
  // Resizes `block` (null allocates); bytes past the old size read as zero. Null on failure, the
  // old block then stays valid.
  void* ReAlloc(void* block, std::size_t bytes);
  // Frees one block; null does nothing.
  void Free(void* block);

  // Failure injection for tests: the n-th allocation from now (1 = the next) fails; 0 turns it off.
  void FailAllocation(std::uint64_t n);
  // Allocations (including resizes) made since the heap was created.
  std::uint64_t AllocationCount() const;
  // Blocks currently allocated.
  std::size_t LiveBlockCount() const;

  struct Block;

 private:
  struct State;
  State* state_;
};

// The process-wide heap, created by start-up before anything allocates and destroyed last.
// Null before start-up and after shut-down.
Heap* MainHeap();
// Creates MainHeap (nothing if it exists); returns it.
Heap* MainHeapCreate();
// Destroys MainHeap and everything still allocated from it.
void MainHeapDestroy();

// Shorthands for the four allocation kinds on MainHeap. Null when it does not exist or fails.
void* MainHeapAllocZero(std::size_t bytes);
void* MainHeapAllocPlain(std::size_t bytes);
void* MainHeapReAllocZero(void* block, std::size_t bytes);
void MainHeapFree(void* block);

}  // namespace engine
