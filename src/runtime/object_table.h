#pragma once

#include <cstdint>

#include "runtime/list_node.h"
#include "runtime/object_id.h"

namespace engine {

using ObjectReleaseCallback = void (*)(ObjectId number);

// The numbered-object registry every library keeps. Records are `elementSize` bytes,
// zero-filled; a record whose first field (a pointer-sized word) is zero holds no object.
// Slot numbers 0 .. capacity-1 live in `slots`; auto-numbered records are list nodes whose
// record address is their number. Main thread only.
struct ObjectTable {
  std::int32_t elementSize;
  std::int32_t growthStep;
  std::int32_t capacity;
  void** slots;
  ListNode* autoList;
  ObjectReleaseCallback releaseCallback;
  std::int32_t enumIndex;
  ListNode* enumCursor;
};

// A new table on MainHeap; null when it cannot be allocated.
ObjectTable* ObjectTableCreate(std::int32_t elementSize, std::int32_t initialCapacity,
                               ObjectReleaseCallback releaseCallback);
// The record to fill for `number` (ObjectIdAuto: a new auto-numbered record). A number that
// was acquired before is first handed to the release callback. Null when the record cannot be
// allocated or the number is not valid (negative other than -1).
void* ObjectTableAcquire(ObjectTable* table, ObjectId number);
// The live record of `number`, or null (never acquired, first field zero, or not a number this
// table handed out).
void* ObjectTableLookup(ObjectTable* table, ObjectId number);
// Forgets the object: a slot record is zero-filled and kept, an auto record is freed.
void ObjectTableRelease(ObjectTable* table, ObjectId number);
// Calls the release callback for every object: live slots ascending, then auto numbers oldest
// first.
void ObjectTableFreeAll(ObjectTable* table);
void ObjectTableEnumStart(ObjectTable* table);
// The next record of the walk, its number stored in *number; null at the end (number untouched).
void* ObjectTableEnumNext(ObjectTable* table, ObjectId* number);

// Reads a record's first field.
inline bool ObjectRecordLive(const void* record) {
  return record && *static_cast<const std::uintptr_t*>(record) != 0;
}

}  // namespace engine
