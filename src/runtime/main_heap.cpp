#include "runtime/main_heap.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace engine {

// Every block carries a header that links it into the heap's list of live blocks; the header's
// size keeps the payload aligned to max_align_t.
struct Heap::Block {
  Block* prev;
  Block* next;
  std::size_t bytes;
};

namespace {
constexpr std::size_t kHeaderBytes = (sizeof(Heap::Block) + alignof(std::max_align_t) - 1) /
                                     alignof(std::max_align_t) * alignof(std::max_align_t);
}  // namespace

struct Heap::State {
  std::mutex lock;
  Block* head = nullptr;
  std::size_t liveBlocks = 0;
  std::uint64_t allocations = 0;
  std::uint64_t failAt = 0;  // absolute allocation number that fails; 0: none

  bool ShouldFail() {
    ++allocations;
    return failAt != 0 && allocations == failAt;
  }
  void Link(Block* b) {
    b->prev = nullptr;
    b->next = head;
    if (head) head->prev = b;
    head = b;
    ++liveBlocks;
  }
  void Unlink(Block* b) {
    if (b->prev)
      b->prev->next = b->next;
    else
      head = b->next;
    if (b->next) b->next->prev = b->prev;
    --liveBlocks;
  }
};

Heap::Heap() : state_(new State) {}

Heap::~Heap() {
  Block* b = state_->head;
  while (b) {
    Block* next = b->next;
    std::free(b);
    b = next;
  }
  delete state_;
}

static Heap::Block* HeaderOf(void* block) {
  return reinterpret_cast<Heap::Block*>(static_cast<unsigned char*>(block) - kHeaderBytes);
}
static void* PayloadOf(Heap::Block* b) {
  return reinterpret_cast<unsigned char*>(b) + kHeaderBytes;
}

void* Heap::Alloc(std::size_t bytes, bool zeroFill) {
  std::lock_guard guard(state_->lock);
  if (state_->ShouldFail() || bytes > SIZE_MAX - kHeaderBytes) return nullptr;
  void* raw = zeroFill ? std::calloc(1, kHeaderBytes + bytes) : std::malloc(kHeaderBytes + bytes);
  if (!raw) return nullptr;
  auto* b = static_cast<Block*>(raw);
  b->bytes = bytes;
  state_->Link(b);
  return PayloadOf(b);
}

void* Heap::ReAlloc(void* block, std::size_t bytes) {
  if (!block) return Alloc(bytes, true);
  std::lock_guard guard(state_->lock);
  if (state_->ShouldFail() || bytes > SIZE_MAX - kHeaderBytes) return nullptr;
  Block* old = HeaderOf(block);
  std::size_t oldBytes = old->bytes;
  state_->Unlink(old);
  auto* b = static_cast<Block*>(std::realloc(old, kHeaderBytes + bytes));
  if (!b) {
    state_->Link(old);
    return nullptr;
  }
  if (bytes > oldBytes)
    std::memset(static_cast<unsigned char*>(PayloadOf(b)) + oldBytes, 0, bytes - oldBytes);
  b->bytes = bytes;
  state_->Link(b);
  return PayloadOf(b);
}

void Heap::Free(void* block) {
  if (!block) return;
  std::lock_guard guard(state_->lock);
  Block* b = HeaderOf(block);
  state_->Unlink(b);
  std::free(b);
}

void Heap::FailAllocation(std::uint64_t n) {
  std::lock_guard guard(state_->lock);
  state_->failAt = n == 0 ? 0 : state_->allocations + n;
}

std::uint64_t Heap::AllocationCount() const {
  std::lock_guard guard(state_->lock);
  return state_->allocations;
}

std::size_t Heap::LiveBlockCount() const {
  std::lock_guard guard(state_->lock);
  return state_->liveBlocks;
}

namespace {
Heap* gMainHeap = nullptr;
}  // namespace

Heap* MainHeap() {
  return gMainHeap;
}

Heap* MainHeapCreate() {
  if (!gMainHeap) gMainHeap = new (std::nothrow) Heap;
  return gMainHeap;
}

void MainHeapDestroy() {
  delete gMainHeap;
  gMainHeap = nullptr;
}

void* MainHeapAllocZero(std::size_t bytes) {
  return gMainHeap ? gMainHeap->Alloc(bytes, true) : nullptr;
}
void* MainHeapAllocPlain(std::size_t bytes) {
  return gMainHeap ? gMainHeap->Alloc(bytes, false) : nullptr;
}
void* MainHeapReAllocZero(void* block, std::size_t bytes) {
  return gMainHeap ? gMainHeap->ReAlloc(block, bytes) : nullptr;
}
void MainHeapFree(void* block) {
  if (gMainHeap) gMainHeap->Free(block);
}

}  // namespace engine
