#include "runtime/message_box.h"

#include "runtime/main_heap.h"

namespace engine {

namespace {
ListNode* gModalWindowList = nullptr;

ModalWindowRecord* RecordOf(ListNode* node) {
  return static_cast<ModalWindowRecord*>(ListNodePayload(node));
}
}  // namespace

ListNode* ModalWindowListHead() {
  return gModalWindowList;
}

void ModalWindowsDisable() {
  platform::Host& host = platform::HostGet();
  const std::uint32_t self = host.CurrentThreadId();
  host.WindowEnumerate([&](platform::WindowHandle window) {
    if (host.WindowThreadProcessId(window, nullptr) != self) return true;
    if (!host.WindowIsVisible(window)) return true;
    auto* record = static_cast<ModalWindowRecord*>(
        ListNodeAdd(&gModalWindowList, ListNodeBytes(sizeof(ModalWindowRecord))));
    // Without a record nothing would restore the window, so it is left as it is.
    if (!record) return true;
    record->threadId = self;
    record->window = window;
    if (host.WindowExStyle(window) & platform::WS_EX_TOPMOST) record->wasTopmost = 1;
    // The foreground window stays enabled: it owns the box, which disables it itself.
    if (window != host.ForegroundWindow() && host.WindowIsEnabled(window)) {
      record->disabledHere = 1;
      host.WindowEnable(window, false);
    }
    return true;
  });
  for (ListNode* n = gModalWindowList; n; n = n->next) {
    ModalWindowRecord* r = RecordOf(n);
    if (r->threadId == self && r->wasTopmost) host.WindowSetTopmost(r->window, false);
  }
}

void ModalWindowsRestore() {
  platform::Host& host = platform::HostGet();
  const std::uint32_t self = host.CurrentThreadId();
  ListNode* n = gModalWindowList;
  while (n) {
    ListNode* next = n->next;
    ModalWindowRecord* r = RecordOf(n);
    if (r->threadId == self) {
      if (r->disabledHere) host.WindowEnable(r->window, true);
      if (r->wasTopmost) host.WindowSetTopmost(r->window, true);
      ListNodeRemove(&gModalWindowList, r);
    }
    n = next;
  }
}

platform::WindowHandle MessageBoxOwner() {
  platform::Host& host = platform::HostGet();
  platform::WindowHandle w = host.ForegroundWindow();
  if (!w) return 0;
  std::uint32_t processId = 0;
  host.WindowThreadProcessId(w, &processId);
  return processId == host.CurrentProcessId() ? w : 0;
}

int MessageBoxBlocking(const char* caption, const char* text, std::uint32_t flags) {
  ModalWindowsDisable();
  platform::WindowHandle owner = MessageBoxOwner();
  int result =
      platform::HostGet().MessageBox(owner, text ? text : "", caption ? caption : "", flags);
  ModalWindowsRestore();
  return result;
}

}  // namespace engine
