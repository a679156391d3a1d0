#pragma once

#include <cstdint>

#include "platform/host/host.h"
#include "runtime/list_node.h"

namespace engine {

// One window a blocking message box touched, kept while the box is shown.
struct ModalWindowRecord {
  std::uint32_t threadId;
  platform::WindowHandle window;
  std::uint8_t wasTopmost;
  std::uint8_t disabledHere;
};

// Shows a message box (caption first, then text, then the box's style flags) while the calling
// thread's other visible windows are disabled and not topmost; puts them back afterwards.
// Returns the id of the button that closed the box, 0 when it could not be shown.
int MessageBoxBlocking(const char* caption, const char* text, std::uint32_t flags);
void ModalWindowsDisable();
void ModalWindowsRestore();
// The foreground window when it belongs to this process, else none.
platform::WindowHandle MessageBoxOwner();
// The head of the process-wide record list (for tests).
ListNode* ModalWindowListHead();

}  // namespace engine
