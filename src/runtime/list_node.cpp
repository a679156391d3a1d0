#include "runtime/list_node.h"

#include "runtime/main_heap.h"

namespace engine {

ListNode* ListNodeOf(const void* payload) {
  return reinterpret_cast<ListNode*>(
      const_cast<unsigned char*>(static_cast<const unsigned char*>(payload)) - sizeof(ListNode));
}

void* ListNodePayload(ListNode* node) {
  return reinterpret_cast<unsigned char*>(node) + sizeof(ListNode);
}

void* ListNodeAdd(ListNode** head, std::size_t nodeBytes) {
  if (nodeBytes < sizeof(ListNode)) nodeBytes = sizeof(ListNode);
  auto* node = static_cast<ListNode*>(MainHeapAllocZero(nodeBytes));
  if (!node) return nullptr;
  node->next = *head;
  if (*head) (*head)->prev = node;
  *head = node;
  return ListNodePayload(node);
}

void ListNodeRemove(ListNode** head, void* payload) {
  ListNode* node = ListNodeOf(payload);
  if (node == *head) {
    *head = node->next;
    if (*head) (*head)->prev = nullptr;
  } else {
    if (node->prev) node->prev->next = node->next;
    if (node->next) node->next->prev = node->prev;
  }
  MainHeapFree(node);
}

void* ListNodeFind(ListNode* head, const void* payload) {
  for (ListNode* n = head; n; n = n->next)
    if (ListNodePayload(n) == payload) return const_cast<void*>(payload);
  return nullptr;
}

}  // namespace engine
