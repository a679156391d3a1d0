#pragma once

#include "platform/host/host.h"
#include "runtime/object_table.h"

namespace engine {

// The window-and-event library that start-up brings up and shut-down takes down. The game uses
// nothing of it; it keeps its three object tables and its hidden event window.
struct WindowLibRecord {
  platform::WindowHandle window;  // first field: the object exists while it is set
};

struct WindowLibState {
  ObjectTable* images;
  ObjectTable* gadgets;
  ObjectTable* windows;
  platform::WindowHandle eventWindow;
  int started;
};

// Registers the event window class, creates the hidden 1 x 1 event window and the tables of
// images (16), gadgets (50) and windows (16). Returns 1 when the event window exists.
int WindowLibInit();
// Frees every window, gadget and image and destroys the event window. Nothing if not started.
void WindowLibEnd();
const WindowLibState& WindowLibStateGet();

}  // namespace engine
