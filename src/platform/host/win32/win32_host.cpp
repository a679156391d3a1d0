// The platform headers come before the system's: <windows.h> defines macros with the names of
// several platform constants (WM_ACTIVATE, MB_OK, ...). Below they are the system's, with the
// same values.
#include "platform/host/win32/win32_host.h"

#include "platform/audio/dsound/dsound_device.h"
#include "platform/input/dinput/dinput_device.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// These need <windows.h> before them.
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#undef MessageBox

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

HWND Hwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
WindowHandle Handle(HWND window) {
  return reinterpret_cast<WindowHandle>(window);
}

// The engine's window procedures by class atom. One host exists per process, and the system
// calls the class procedure without a context, so the table is process-wide.
std::unordered_map<ATOM, WindowProc>* gProcs = nullptr;

LRESULT CALLBACK WindowProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto atom = static_cast<ATOM>(GetClassLongPtrA(window, GCW_ATOM));
  if (gProcs) {
    auto it = gProcs->find(atom);
    if (it != gProcs->end() && it->second)
      return it->second(Handle(window), message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The system calls back with its own calling convention, which a lambda cannot have.
BOOL CALLBACK WindowEnumerateEach(HWND window, LPARAM context) {
  const auto& each = *reinterpret_cast<const std::function<bool(WindowHandle)>*>(context);
  return each(Handle(window)) ? TRUE : FALSE;
}

using DwmIsCompositionEnabledFn = ::HRESULT(WINAPI*)(BOOL*);
using DwmEnableCompositionFn = ::HRESULT(WINAPI*)(UINT);

// Pixel layouts of the software device's back buffers as GDI bitmaps (masks for 16 bits).
struct FrameBitmapInfo {
  BITMAPINFOHEADER header;
  DWORD masks[3];
};

constexpr std::uint32_t kFormatR5G6B5 = 23;
constexpr std::uint32_t kFormatX1R5G5B5 = 24;

}  // namespace

struct Win32Host::Impl {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  std::map<std::string, HMODULE> libraries;
  std::unordered_map<ATOM, WindowProc> procs;
  MSG last{};
  bool lastValid = false;
  bool comStarted = false;
  HWND shown = nullptr;  // the window last shown maximised: where software frames go
  int refreshHz = 60;
  LARGE_INTEGER frequency{};
  LONGLONG nextFrame = 0;

  HMODULE Library(const std::string& name) {
    auto it = libraries.find(name);
    if (it != libraries.end()) return it->second;
    HMODULE module = LoadLibraryA(name.c_str());
    if (module) libraries.emplace(name, module);
    return module;
  }

  // Waits so that frames never come faster than the display's refresh. Sleeps are precise to
  // a millisecond while the screen holds the timer period at 1 ms.
  void Pace() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONGLONG period = frequency.QuadPart / (refreshHz > 0 ? refreshHz : 60);
    if (nextFrame == 0 || now.QuadPart > nextFrame + period) nextFrame = now.QuadPart;
    while (now.QuadPart < nextFrame) {
      const LONGLONG left = (nextFrame - now.QuadPart) * 1000 / frequency.QuadPart;
      ::Sleep(left > 1 ? static_cast<DWORD>(left - 1) : 0);
      QueryPerformanceCounter(&now);
    }
    nextFrame += period;
  }
};

Win32Host::Win32Host() : impl_(std::make_unique<Impl>()) {
  gProcs = &impl_->procs;
  QueryPerformanceFrequency(&impl_->frequency);
  DEVMODEA mode{};
  mode.dmSize = sizeof(mode);
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1)
    impl_->refreshHz = static_cast<int>(mode.dmDisplayFrequency);
}

Win32Host::~Win32Host() {
  if (impl_->comStarted) CoUninitialize();
  if (gProcs == &impl_->procs) gProcs = nullptr;
  // The libraries stay loaded: objects made from them may outlive the host until exit.
}

bool Win32Host::LibraryAvailable(const std::string& name) {
  return impl_->Library(name) != nullptr;
}

bool Win32Host::WindowClassRegister(const WindowClass& windowClass) {
  WNDCLASSEXA description{};
  description.cbSize = sizeof(description);
  description.style = windowClass.style;
  description.lpfnWndProc = WindowProcThunk;
  description.hInstance = impl_->instance;
  // Resource 1 is the program's icon; a program without one gets a class without an icon.
  description.hIcon = LoadIconA(impl_->instance, MAKEINTRESOURCEA(1));
  description.hbrBackground =
      windowClass.blackBackground ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : nullptr;
  description.lpszClassName = windowClass.name.c_str();
  const ATOM atom = RegisterClassExA(&description);
  if (!atom) return false;
  impl_->procs[atom] = windowClass.proc;
  return true;
}

WindowHandle Win32Host::WindowCreate(const std::string& className, const std::string& title,
                                     std::uint32_t style, std::uint32_t exStyle, int x, int y,
                                     int width, int height) {
  return Handle(CreateWindowExA(exStyle, className.c_str(), title.c_str(), style, x, y, width,
                                height, nullptr, nullptr, impl_->instance, nullptr));
}

void Win32Host::WindowDestroy(WindowHandle window) {
  if (Hwnd(window) == impl_->shown) impl_->shown = nullptr;
  DestroyWindow(Hwnd(window));
}

bool Win32Host::WindowSetText(WindowHandle window, const std::string& text) {
  return SetWindowTextA(Hwnd(window), text.c_str()) != 0;
}

bool Win32Host::WindowMove(WindowHandle window, int x, int y, int width, int height, bool repaint) {
  return MoveWindow(Hwnd(window), x, y, width, height, repaint ? TRUE : FALSE) != 0;
}

bool Win32Host::WindowShow(WindowHandle window, int showCommand) {
  if (showCommand == SW_SHOWMAXIMIZED) impl_->shown = Hwnd(window);
  return ShowWindow(Hwnd(window), showCommand) != 0;
}

bool Win32Host::WindowEnable(WindowHandle window, bool enable) {
  return EnableWindow(Hwnd(window), enable ? TRUE : FALSE) != 0;
}

bool Win32Host::WindowSetTopmost(WindowHandle window, bool topmost) {
  return SetWindowPos(Hwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != 0;
}

bool Win32Host::WindowIsVisible(WindowHandle window) const {
  return IsWindowVisible(Hwnd(window)) != 0;
}

bool Win32Host::WindowIsEnabled(WindowHandle window) const {
  return IsWindowEnabled(Hwnd(window)) != 0;
}

std::uint32_t Win32Host::WindowExStyle(WindowHandle window) const {
  return static_cast<std::uint32_t>(GetWindowLongA(Hwnd(window), GWL_EXSTYLE));
}

std::uint32_t Win32Host::WindowThreadProcessId(WindowHandle window,
                                               std::uint32_t* processId) const {
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(Hwnd(window), &process);
  if (processId) *processId = process;
  return thread;
}

void Win32Host::WindowEnumerate(const std::function<bool(WindowHandle)>& callback) const {
  EnumWindows(WindowEnumerateEach, reinterpret_cast<LPARAM>(&callback));
}

WindowInfo Win32Host::WindowGetInfo(WindowHandle window) const {
  WindowInfo info;
  HWND hwnd = Hwnd(window);
  if (!hwnd || !IsWindow(hwnd)) return info;
  char text[256] = {};
  if (GetClassNameA(hwnd, text, sizeof(text))) info.className = text;
  text[0] = 0;
  if (GetWindowTextA(hwnd, text, sizeof(text))) info.title = text;
  info.style = static_cast<std::uint32_t>(GetWindowLongA(hwnd, GWL_STYLE));
  info.exStyle = static_cast<std::uint32_t>(GetWindowLongA(hwnd, GWL_EXSTYLE));
  RECT rect{};
  if (GetWindowRect(hwnd, &rect)) {
    info.x = rect.left;
    info.y = rect.top;
    info.width = rect.right - rect.left;
    info.height = rect.bottom - rect.top;
  }
  info.visible = IsWindowVisible(hwnd) != 0;
  info.enabled = IsWindowEnabled(hwnd) != 0;
  info.maximised = IsZoomed(hwnd) != 0;
  info.threadId = WindowThreadProcessId(window, &info.processId);
  return info;
}

std::intptr_t Win32Host::WindowDefaultProc(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t wParam, std::intptr_t lParam) {
  return DefWindowProcA(Hwnd(window), message, wParam, lParam);
}

void Win32Host::WindowPaint(WindowHandle window) {
  PAINTSTRUCT paint;
  BeginPaint(Hwnd(window), &paint);
  EndPaint(Hwnd(window), &paint);
}

WindowHandle Win32Host::ForegroundWindow() const {
  return Handle(GetForegroundWindow());
}

int Win32Host::CursorShow(bool show) {
  return ShowCursor(show ? TRUE : FALSE);
}

bool Win32Host::MessagePeek(Message* out) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  impl_->last = msg;
  impl_->lastValid = true;
  *out = Message{Handle(msg.hwnd), msg.message, msg.wParam, msg.lParam};
  return true;
}

std::intptr_t Win32Host::MessageDispatch(const Message& message) {
  // The message just peeked keeps its time and cursor position; any other is made up.
  MSG msg{};
  const MSG& last = impl_->last;
  if (impl_->lastValid && Handle(last.hwnd) == message.window && last.message == message.message &&
      last.wParam == message.wParam && last.lParam == message.lParam) {
    msg = last;
  } else {
    msg.hwnd = Hwnd(message.window);
    msg.message = message.message;
    msg.wParam = message.wParam;
    msg.lParam = message.lParam;
  }
  impl_->lastValid = false;
  TranslateMessage(&msg);
  return DispatchMessageA(&msg);
}

void Win32Host::MessagePost(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) {
  PostMessageA(Hwnd(window), message, wParam, lParam);
}

std::intptr_t Win32Host::MessageSend(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam) {
  return SendMessageA(Hwnd(window), message, wParam, lParam);
}

int Win32Host::MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                          std::uint32_t flags) {
  // The texts are Windows-1252 bytes, the system's own code page for them.
  return MessageBoxA(Hwnd(owner), text.c_str(), caption.c_str(), flags);
}

std::uint32_t Win32Host::CurrentThreadId() const {
  return GetCurrentThreadId();
}
std::uint32_t Win32Host::CurrentProcessId() const {
  return GetCurrentProcessId();
}
std::uint32_t Win32Host::TickCount() {
  return GetTickCount();
}
void Win32Host::Sleep(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

std::vector<DisplayMode> Win32Host::DisplayModes() {
  const int hz = impl_->refreshHz;
  return {{640, 480, hz, kFormatX1R5G5B5}, {640, 480, hz, kFormatR5G6B5}, {640, 480, hz, 22}};
}

bool Win32Host::FramePresent(const Frame& frame) {
  HWND window = impl_->shown;
  if (!window || !frame.pixels || frame.width <= 0 || frame.height <= 0) return false;
  const int bytes = frame.format == kFormatR5G6B5 || frame.format == kFormatX1R5G5B5 ? 2 : 4;
  FrameBitmapInfo bitmap{};
  bitmap.header.biSize = sizeof(BITMAPINFOHEADER);
  bitmap.header.biWidth = frame.pitch / bytes;  // GDI rows are the pitch apart
  bitmap.header.biHeight = -frame.height;       // top-down
  bitmap.header.biPlanes = 1;
  bitmap.header.biBitCount = static_cast<WORD>(bytes * 8);
  bitmap.header.biCompression = bytes == 2 ? BI_BITFIELDS : BI_RGB;
  if (frame.format == kFormatR5G6B5) {
    bitmap.masks[0] = 0xF800;
    bitmap.masks[1] = 0x07E0;
    bitmap.masks[2] = 0x001F;
  } else if (frame.format == kFormatX1R5G5B5) {
    bitmap.masks[0] = 0x7C00;
    bitmap.masks[1] = 0x03E0;
    bitmap.masks[2] = 0x001F;
  }
  RECT client{};
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  if (!dc) return false;
  SetStretchBltMode(dc, COLORONCOLOR);
  const int lines = StretchDIBits(
      dc, 0, 0, client.right, client.bottom, 0, 0, frame.width, frame.height, frame.pixels,
      reinterpret_cast<const BITMAPINFO*>(&bitmap), DIB_RGB_COLORS, SRCCOPY);
  ReleaseDC(window, dc);
  impl_->Pace();
  return lines != 0;
}

std::int32_t Win32Host::CompositionIsEnabled() {
  HMODULE dwm = impl_->Library("dwmapi.dll");
  auto isEnabled = dwm ? reinterpret_cast<DwmIsCompositionEnabledFn>(reinterpret_cast<void*>(
                             GetProcAddress(dwm, "DwmIsCompositionEnabled")))
                       : nullptr;
  BOOL enabled = FALSE;
  if (isEnabled) isEnabled(&enabled);
  return enabled ? 1 : 0;
}

void Win32Host::CompositionEnable(bool enable) {
  HMODULE dwm = impl_->Library("dwmapi.dll");
  auto enableFn = dwm ? reinterpret_cast<DwmEnableCompositionFn>(
                            reinterpret_cast<void*>(GetProcAddress(dwm, "DwmEnableComposition")))
                      : nullptr;
  if (enableFn) enableFn(enable ? 1u : 0u);
}

void Win32Host::TimerPeriodBegin(std::uint32_t milliseconds) {
  timeBeginPeriod(milliseconds);
}

void Win32Host::TimerPeriodEnd(std::uint32_t milliseconds) {
  timeEndPeriod(milliseconds);
}

void Win32Host::CommonControlsInit(std::uint32_t classes) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = classes;
  InitCommonControlsEx(&controls);
}

void Win32Host::ComInit() {
  if (!impl_->comStarted) impl_->comStarted = SUCCEEDED(CoInitialize(nullptr));
}

std::unique_ptr<AudioOutput> Win32Host::AudioOutputOpen(AudioSource*) {
  return nullptr;
}

void Win32Host::KeyboardRead(std::uint8_t keys[256]) {
  std::fill(keys, keys + 256, std::uint8_t{0});
}

DirectSound* Win32Host::SoundDeviceCreate() {
  return DsoundDeviceCreate(impl_->Library("DSOUND.DLL"));
}

HRESULT Win32Host::InputCreate(std::uint32_t version, const GUID& iid, DirectInput7** out) {
  return DinputCreate(impl_->Library("DINPUT.DLL"), impl_->instance, version, iid, out);
}

}  // namespace platform
