#include <gtest/gtest.h>

#include <cstring>

#include "runtime/library_block.h"
#include "runtime/list_node.h"
#include "runtime/main_heap.h"
#include "support/engine_fixture.h"

namespace {

using engine::ListNode;

class HeapListTest : public testing_support::EngineTest {};

TEST_F(HeapListTest, ThreeAddsGiveNewestFirstZeroFilledPayloads) {
  ListNode* head = nullptr;
  void* p[3];
  for (auto& slot : p) {
    slot = engine::ListNodeAdd(&head, engine::ListNodeBytes(32));
    ASSERT_NE(slot, nullptr);
    const auto* bytes = static_cast<const unsigned char*>(slot);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(bytes[i], 0);
  }
  EXPECT_EQ(engine::ListNodePayload(head), p[2]);
  EXPECT_EQ(engine::ListNodePayload(head->next), p[1]);
  EXPECT_EQ(engine::ListNodePayload(head->next->next), p[0]);
  EXPECT_EQ(head->next->next->next, nullptr);
  EXPECT_EQ(head->prev, nullptr);
  int other = 0;
  EXPECT_EQ(engine::ListNodeFind(head, &other), nullptr);
  EXPECT_EQ(engine::ListNodeFind(head, p[1]), p[1]);

  // Middle node: neighbours link to each other.
  engine::ListNodeRemove(&head, p[1]);
  EXPECT_EQ(engine::ListNodePayload(head->next), p[0]);
  EXPECT_EQ(head->next->prev, head);
  // Head node: the new head has no prev.
  engine::ListNodeRemove(&head, p[2]);
  EXPECT_EQ(engine::ListNodePayload(head), p[0]);
  EXPECT_EQ(head->prev, nullptr);
  // Only node: the list is empty.
  engine::ListNodeRemove(&head, p[0]);
  EXPECT_EQ(head, nullptr);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), 0u);
}

TEST_F(HeapListTest, FailedAddLeavesTheListUnchanged) {
  ListNode* head = nullptr;
  void* first = engine::ListNodeAdd(&head, engine::ListNodeBytes(8));
  engine::MainHeap()->FailAllocation(1);
  EXPECT_EQ(engine::ListNodeAdd(&head, engine::ListNodeBytes(8)), nullptr);
  EXPECT_EQ(engine::ListNodePayload(head), first);
  EXPECT_EQ(head->next, nullptr);
  // Injection fires once.
  EXPECT_NE(engine::ListNodeAdd(&head, engine::ListNodeBytes(8)), nullptr);
}

TEST_F(HeapListTest, GrowthZeroFillsTheNewTailAndKeepsTheOld) {
  auto* block = static_cast<unsigned char*>(engine::MainHeapAllocPlain(16));
  std::memset(block, 0xAB, 16);
  block = static_cast<unsigned char*>(engine::MainHeapReAllocZero(block, 4096));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block[i], 0xAB);
  for (int i = 16; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
}

TEST_F(HeapListTest, FailingResizeKeepsTheOldBlock) {
  auto* block = static_cast<unsigned char*>(engine::MainHeapAllocZero(8));
  block[0] = 7;
  engine::MainHeap()->FailAllocation(1);
  EXPECT_EQ(engine::MainHeapReAllocZero(block, 64), nullptr);
  EXPECT_EQ(block[0], 7);
  engine::MainHeapFree(block);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), 0u);
}

TEST_F(HeapListTest, DestroyReleasesEverythingStillAllocated) {
  // LeakSanitizer in the asan suite reports anything this leaves behind.
  for (int i = 0; i < 100; ++i) engine::MainHeapAllocPlain(100 + i);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), 100u);
  engine::MainHeapDestroy();
  EXPECT_EQ(engine::MainHeap(), nullptr);
  EXPECT_EQ(engine::MainHeapAllocZero(4), nullptr);
}

TEST_F(HeapListTest, FailAllocationCountsFromNow) {
  engine::MainHeapAllocZero(4);
  engine::MainHeap()->FailAllocation(3);
  EXPECT_NE(engine::MainHeapAllocZero(4), nullptr);
  EXPECT_NE(engine::MainHeapAllocZero(4), nullptr);
  EXPECT_EQ(engine::MainHeapAllocZero(4), nullptr);
  EXPECT_NE(engine::MainHeapAllocZero(4), nullptr);
}

TEST_F(HeapListTest, LibraryBlockIsZeroFilledAndInitialised) {
  auto init = [](void* block) { static_cast<int*>(block)[1] = 5; };
  auto* block = static_cast<int*>(engine::LibraryBlockAlloc(4 * sizeof(int), init));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[1], 5);
  EXPECT_EQ(engine::LibraryBlockGet(block), block);
  engine::MainHeap()->FailAllocation(1);
  EXPECT_EQ(engine::LibraryBlockAlloc(8, init), nullptr);
}

}  // namespace
