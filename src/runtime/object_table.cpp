#include "runtime/object_table.h"

#include <cstring>

#include "runtime/main_heap.h"

namespace engine {

namespace {

// The walk hands out nodes from oldest to newest, so it starts at the tail.
ListNode* OldestNode(ListNode* head) {
  ListNode* n = head;
  while (n && n->next) n = n->next;
  return n;
}

// Numbers outside slot range are auto numbers only if this table handed them out and they are
// still live; anything else is refused instead of being dereferenced.
void* AutoRecord(ObjectTable* table, ObjectId number) {
  if (number <= 0) return nullptr;
  return ListNodeFind(table->autoList, reinterpret_cast<void*>(number));
}

bool InSlotRange(const ObjectTable* table, ObjectId number) {
  return number >= 0 && number < table->capacity;
}

}  // namespace

ObjectTable* ObjectTableCreate(std::int32_t elementSize, std::int32_t initialCapacity,
                               ObjectReleaseCallback releaseCallback) {
  if (elementSize < static_cast<std::int32_t>(sizeof(std::uintptr_t)) || initialCapacity < 1)
    return nullptr;
  auto* table = static_cast<ObjectTable*>(MainHeapAllocZero(sizeof(ObjectTable)));
  if (!table) return nullptr;
  table->elementSize = elementSize;
  table->releaseCallback = releaseCallback;
  table->growthStep = initialCapacity;
  table->capacity = initialCapacity;
  table->slots = static_cast<void**>(
      MainHeapAllocZero(sizeof(void*) * static_cast<std::size_t>(initialCapacity)));
  if (!table->slots) {
    MainHeapFree(table);
    return nullptr;
  }
  return table;
}

void* ObjectTableAcquire(ObjectTable* table, ObjectId number) {
  if (!table) return nullptr;
  if (number == ObjectIdAuto)
    return ListNodeAdd(&table->autoList,
                       ListNodeBytes(static_cast<std::size_t>(table->elementSize)));
  if (number < 0) return nullptr;
  if (number >= table->capacity) {
    // Growth by the fixed margin; a capacity that would not fit in 32 bits is refused.
    std::int64_t wanted = static_cast<std::int64_t>(number) + table->growthStep;
    if (wanted > INT32_MAX) return nullptr;
    auto* slots = static_cast<void**>(
        MainHeapReAllocZero(table->slots, sizeof(void*) * static_cast<std::size_t>(wanted)));
    if (!slots) return nullptr;
    table->slots = slots;
    table->capacity = static_cast<std::int32_t>(wanted);
  }
  if (table->slots[number]) {
    if (table->releaseCallback) table->releaseCallback(number);
    return table->slots[number];
  }
  void* record = MainHeapAllocZero(static_cast<std::size_t>(table->elementSize));
  table->slots[number] = record;
  return record;
}

void* ObjectTableLookup(ObjectTable* table, ObjectId number) {
  if (!table) return nullptr;
  void* candidate = InSlotRange(table, number) ? table->slots[number] : AutoRecord(table, number);
  return ObjectRecordLive(candidate) ? candidate : nullptr;
}

void ObjectTableRelease(ObjectTable* table, ObjectId number) {
  if (!table) return;
  if (InSlotRange(table, number)) {
    if (void* record = table->slots[number])
      std::memset(record, 0, static_cast<std::size_t>(table->elementSize));
    return;
  }
  if (void* record = AutoRecord(table, number)) {
    // A walk in progress must not be left holding the node that goes away.
    if (table->enumCursor == ListNodeOf(record)) table->enumCursor = table->enumCursor->prev;
    ListNodeRemove(&table->autoList, record);
  }
}

void ObjectTableFreeAll(ObjectTable* table) {
  if (!table || !table->releaseCallback) return;
  ObjectTableEnumStart(table);
  ObjectId number = 0;
  while (ObjectTableEnumNext(table, &number)) table->releaseCallback(number);
}

void ObjectTableEnumStart(ObjectTable* table) {
  if (!table) return;
  table->enumIndex = 0;
  table->enumCursor = OldestNode(table->autoList);
}

void* ObjectTableEnumNext(ObjectTable* table, ObjectId* number) {
  if (!table) return nullptr;
  while (table->enumIndex >= 0 && table->enumIndex < table->capacity) {
    std::int32_t i = table->enumIndex++;
    if (ObjectRecordLive(table->slots[i])) {
      *number = i;
      return table->slots[i];
    }
  }
  if (ListNode* node = table->enumCursor) {
    table->enumCursor = node->prev;
    void* record = ListNodePayload(node);
    *number = reinterpret_cast<ObjectId>(record);
    return record;
  }
  return nullptr;
}

}  // namespace engine
