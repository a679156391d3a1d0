#include "screen/media_window.h"

#include "screen/screen_state.h"

namespace engine {

namespace {
platform::WindowHandle gMediaWindow = 0;
std::int32_t gCreated = 0;
}  // namespace

platform::WindowHandle MediaWindowHandle() {
  return gMediaWindow;
}

void MediaWindowForget() {
  gMediaWindow = 0;
  gCreated = 0;
}

int MediaWindowCreate() {
  if (gCreated || ScreenStateGet().screenWindow) return gCreated;
  platform::Host& host = platform::HostGet();
  platform::WindowClass windowClass;
  windowClass.name = kMediaWindowClass;
  windowClass.style = platform::CS_DBLCLKS;
  windowClass.proc = MediaWindowProc;
  windowClass.blackBackground = true;
  // The program carries no icon, so the class gets none.
  if (!host.WindowClassRegister(windowClass)) return gCreated;
  gMediaWindow = host.WindowCreate(kMediaWindowClass, "", platform::WS_POPUP, 0, 0, 0, 1, 1);
  if (gMediaWindow) gCreated = 1;
  return gCreated;
}

std::intptr_t MediaWindowProc(platform::WindowHandle window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case platform::WM_ACTIVATE:
      // Any activation (by keyboard or click) turns presentation on; deactivation turns it off.
      ScreenStateGet().deviceActive = (wParam & 0xFFFF) != 0 ? 1 : 0;
      return 0;
    case platform::WM_PAINT:
      // Nothing to draw: the device presents the whole window. The paint still has to be
      // begun and ended, or the system keeps asking for it.
      platform::HostGet().WindowPaint(window);
      return 1;
    case platform::WM_ERASEBKGND:
      return 1;
    case platform::WM_CLOSE:
    case platform::WM_KEYUP:
    case platform::WM_SYSKEYUP:
    case platform::WM_LBUTTONDOWN:
    case platform::WM_LBUTTONUP:
    case platform::WM_RBUTTONDOWN:
    case platform::WM_RBUTTONUP:
      return 0;
    default:
      // Creation, sizing and activation need the system's own handling.
      return platform::HostGet().WindowDefaultProc(window, message, wParam, lParam);
  }
}

}  // namespace engine
