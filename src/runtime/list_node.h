#pragma once

#include <cstddef>

namespace engine {

// A two-way list node on MainHeap: `next` points toward older nodes, `prev` toward newer ones,
// and the payload follows. A list is a head pointer to its newest node (null when empty); its
// users see only payload addresses.
struct ListNode {
  ListNode* next;
  ListNode* prev;
};

// Bytes a node takes for a payload of `payloadBytes`.
constexpr std::size_t ListNodeBytes(std::size_t payloadBytes) {
  return sizeof(ListNode) + payloadBytes;
}

// Adds a zero-filled node of `nodeBytes` (links included) at the head; returns its payload,
// or null (list unchanged) when it cannot be allocated.
void* ListNodeAdd(ListNode** head, std::size_t nodeBytes);
// Unlinks and frees the node of `payload`, which must be in the list.
void ListNodeRemove(ListNode** head, void* payload);
// Returns `payload` when its node is in the list, else null.
void* ListNodeFind(ListNode* head, const void* payload);

ListNode* ListNodeOf(const void* payload);
void* ListNodePayload(ListNode* node);

}  // namespace engine
