#include "runtime/object_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/engine_fixture.h"

namespace {

using engine::ObjectId;
using engine::ObjectTable;

// A record whose first field says whether the object exists, as every library's does.
struct Record {
  std::uintptr_t handle;
  int payload;
};

ObjectTable* gTable = nullptr;
std::vector<ObjectId> gReleased;

// Follows the library pattern: look up, free what the record owns, release.
void ReleaseRecord(ObjectId n) {
  gReleased.push_back(n);
  if (n == engine::ObjectIdAuto) {
    engine::ObjectTableFreeAll(gTable);
    return;
  }
  if (!engine::ObjectTableLookup(gTable, n)) return;
  engine::ObjectTableRelease(gTable, n);
}

class ObjectTableTest : public testing_support::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    gReleased.clear();
    gTable = engine::ObjectTableCreate(sizeof(Record), 64, ReleaseRecord);
    ASSERT_NE(gTable, nullptr);
  }
  Record* Make(ObjectId n, std::uintptr_t handle = 1) {
    auto* r = static_cast<Record*>(engine::ObjectTableAcquire(gTable, n));
    if (r) r->handle = handle;
    return r;
  }
  std::vector<ObjectId> Walk() {
    std::vector<ObjectId> seen;
    engine::ObjectTableEnumStart(gTable);
    ObjectId n = 0;
    while (engine::ObjectTableEnumNext(gTable, &n)) seen.push_back(n);
    return seen;
  }
};

TEST_F(ObjectTableTest, NewTableHasNoObjects) {
  EXPECT_EQ(gTable->capacity, 64);
  EXPECT_EQ(gTable->growthStep, 64);
  for (ObjectId n = 0; n < 64; ++n) {
    EXPECT_EQ(gTable->slots[n], nullptr);
    EXPECT_EQ(engine::ObjectTableLookup(gTable, n), nullptr);
  }
}

TEST_F(ObjectTableTest, GrowsByTheFixedMarginAndKeepsNewSlotsNull) {
  Make(3);
  Make(64);
  EXPECT_EQ(gTable->capacity, 128);
  Make(200);
  EXPECT_EQ(gTable->capacity, 264);
  for (ObjectId n : {4, 63, 65, 199, 201, 263}) EXPECT_EQ(gTable->slots[n], nullptr) << n;
  for (ObjectId n : {3, 64, 200}) EXPECT_NE(engine::ObjectTableLookup(gTable, n), nullptr) << n;
}

TEST_F(ObjectTableTest, RecordWithZeroFirstFieldIsNoObject) {
  Make(5, 0);
  EXPECT_NE(gTable->slots[5], nullptr);
  EXPECT_EQ(engine::ObjectTableLookup(gTable, 5), nullptr);
  EXPECT_TRUE(Walk().empty());
}

TEST_F(ObjectTableTest, ReacquiringCallsTheReleaseCallbackOnceAndReusesTheRecord) {
  Record* first = Make(7, 42);
  first->payload = 99;
  auto* again = static_cast<Record*>(engine::ObjectTableAcquire(gTable, 7));
  EXPECT_EQ(again, first);
  EXPECT_EQ(gReleased, std::vector<ObjectId>{7});
  EXPECT_EQ(again->handle, 0u);
  EXPECT_EQ(again->payload, 0);

  // Released already: the callback runs, finds nothing, and the same record comes back.
  engine::ObjectTableRelease(gTable, 7);
  gReleased.clear();
  EXPECT_EQ(engine::ObjectTableAcquire(gTable, 7), first);
  EXPECT_EQ(gReleased, std::vector<ObjectId>{7});
}

TEST_F(ObjectTableTest, AutoNumbersAreRecordAddressesWalkedOldestFirstAfterSlots) {
  Record* a = Make(engine::ObjectIdAuto);
  Record* b = Make(engine::ObjectIdAuto);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a, b);
  Make(9);
  Make(2);
  const ObjectId na = reinterpret_cast<ObjectId>(a), nb = reinterpret_cast<ObjectId>(b);
  EXPECT_EQ(Walk(), (std::vector<ObjectId>{2, 9, na, nb}));
  EXPECT_EQ(engine::ObjectTableLookup(gTable, na), a);
  engine::ObjectTableRelease(gTable, na);
  EXPECT_EQ(engine::ObjectTableLookup(gTable, na), nullptr);
  EXPECT_EQ(Walk(), (std::vector<ObjectId>{2, 9, nb}));
}

TEST_F(ObjectTableTest, NumbersNeverHandedOutAreRefused) {
  Record local{1, 0};
  const ObjectId bogus[] = {-2, 100000, reinterpret_cast<ObjectId>(&local), INTPTR_MIN};
  for (ObjectId n : bogus) {
    EXPECT_EQ(engine::ObjectTableLookup(gTable, n), nullptr) << n;
    engine::ObjectTableRelease(gTable, n);  // must not touch anything
  }
  EXPECT_EQ(local.handle, 1u);
  EXPECT_EQ(engine::ObjectTableAcquire(gTable, -2), nullptr);
}

TEST_F(ObjectTableTest, FreeAllReleasesSlotsAscendingThenAutoOldestFirst) {
  Make(4);
  Record* a = Make(engine::ObjectIdAuto);
  Make(1);
  Make(3, 0);  // no object
  Record* b = Make(engine::ObjectIdAuto);
  gReleased.clear();
  engine::ObjectTableFreeAll(gTable);
  EXPECT_EQ(gReleased, (std::vector<ObjectId>{1, 4, reinterpret_cast<ObjectId>(a),
                                              reinterpret_cast<ObjectId>(b)}));
  EXPECT_TRUE(Walk().empty());
  EXPECT_EQ(gTable->autoList, nullptr);
}

TEST_F(ObjectTableTest, FreeAllWithoutCallbackDoesNothing) {
  ObjectTable* plain = engine::ObjectTableCreate(sizeof(Record), 4, nullptr);
  auto* r = static_cast<Record*>(engine::ObjectTableAcquire(plain, 1));
  r->handle = 5;
  engine::ObjectTableFreeAll(plain);
  EXPECT_EQ(engine::ObjectTableLookup(plain, 1), r);
}

TEST_F(ObjectTableTest, EnumNextAfterTheEndKeepsReturningNullAndLeavesTheNumber) {
  Make(0);
  engine::ObjectTableEnumStart(gTable);
  ObjectId n = -7;
  EXPECT_NE(engine::ObjectTableEnumNext(gTable, &n), nullptr);
  EXPECT_EQ(n, 0);
  n = -7;
  EXPECT_EQ(engine::ObjectTableEnumNext(gTable, &n), nullptr);
  EXPECT_EQ(engine::ObjectTableEnumNext(gTable, &n), nullptr);
  EXPECT_EQ(n, -7);
}

TEST_F(ObjectTableTest, ReleasingMoreObjectsDuringAWalkStaysSafe) {
  // A callback that frees an auto object other than the one in hand must not leave the walk on
  // a freed node.
  Record* a = Make(engine::ObjectIdAuto);
  Record* b = Make(engine::ObjectIdAuto);
  engine::ObjectTableEnumStart(gTable);
  ObjectId n = 0;
  ASSERT_EQ(engine::ObjectTableEnumNext(gTable, &n), a);
  engine::ObjectTableRelease(gTable, reinterpret_cast<ObjectId>(b));
  EXPECT_EQ(engine::ObjectTableEnumNext(gTable, &n), nullptr);
}

TEST_F(ObjectTableTest, FailedAutoAllocationGivesNull) {
  engine::MainHeap()->FailAllocation(1);
  EXPECT_EQ(engine::ObjectTableAcquire(gTable, engine::ObjectIdAuto), nullptr);
  EXPECT_EQ(gTable->autoList, nullptr);
}

}  // namespace
