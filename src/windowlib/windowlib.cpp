#include "windowlib/windowlib.h"

namespace engine {

namespace {

WindowLibState gWindowLib{};

// The event window handles no message itself; creation and the rest take the system's way.
std::intptr_t EventWindowProc(platform::WindowHandle window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam) {
  return platform::HostGet().WindowDefaultProc(window, message, wParam, lParam);
}

// Every record of the three tables owns one host window; freeing the object destroys it.
void ReleaseFrom(ObjectTable* table, ObjectId number) {
  if (number == ObjectIdAuto) {
    ObjectTableFreeAll(table);
    return;
  }
  auto* record = static_cast<WindowLibRecord*>(ObjectTableLookup(table, number));
  if (!record) return;
  platform::HostGet().WindowDestroy(record->window);
  ObjectTableRelease(table, number);
}

void ImageRelease(ObjectId number) {
  ReleaseFrom(gWindowLib.images, number);
}
void GadgetRelease(ObjectId number) {
  ReleaseFrom(gWindowLib.gadgets, number);
}
void WindowRelease(ObjectId number) {
  ReleaseFrom(gWindowLib.windows, number);
}

}  // namespace

int WindowLibInit() {
  if (gWindowLib.started) return gWindowLib.eventWindow != 0;
  platform::Host& host = platform::HostGet();
  gWindowLib.started = 1;
  platform::WindowClass eventClass;
  eventClass.name = "PostEventClass";
  eventClass.proc = EventWindowProc;
  host.WindowClassRegister(eventClass);
  gWindowLib.eventWindow =
      host.WindowCreate("PostEventClass", "", platform::WS_POPUP, 0, 0, 0, 1, 1);
  gWindowLib.images = ObjectTableCreate(sizeof(WindowLibRecord), 16, ImageRelease);
  gWindowLib.gadgets = ObjectTableCreate(sizeof(WindowLibRecord), 50, GadgetRelease);
  gWindowLib.windows = ObjectTableCreate(sizeof(WindowLibRecord), 16, WindowRelease);
  return gWindowLib.eventWindow != 0;
}

void WindowLibEnd() {
  if (!gWindowLib.started) return;
  WindowRelease(ObjectIdAuto);
  GadgetRelease(ObjectIdAuto);
  ImageRelease(ObjectIdAuto);
  if (gWindowLib.eventWindow) platform::HostGet().WindowDestroy(gWindowLib.eventWindow);
  // The tables themselves go with MainHeap.
  gWindowLib = WindowLibState{};
}

const WindowLibState& WindowLibStateGet() {
  return gWindowLib;
}

}  // namespace engine
