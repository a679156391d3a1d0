#include "platform/host/host.h"

#include "platform/audio/direct_sound.h"
#include "platform/input/keyboard_device.h"

#include <algorithm>
#include <atomic>

namespace platform {

namespace {
Host* gHost = nullptr;
std::atomic<std::uint32_t> gNextThreadId{1000};
thread_local std::uint32_t tThreadId = 0;
}  // namespace

Host::Host() : mainThreadId_(CurrentThreadId()) {}
Host::~Host() {
  if (gHost == this) gHost = nullptr;
}

Host& HostGet() {
  return *gHost;
}
bool HostInstalled() {
  return gHost != nullptr;
}
void HostInstall(Host* host) {
  gHost = host;
}

bool Host::LibraryAvailable(const std::string& name) {
  if (name == "d3d9.dll") return !DisplayModes().empty();
  if (name == "DSOUND.DLL") return true;
  if (name == "DINPUT.DLL") return true;
  return false;
}

DirectSound* Host::SoundDeviceCreate() {
  return MixerDirectSoundCreate(*this);
}

HRESULT Host::InputCreate(std::uint32_t version, const GUID& iid, DirectInput7** out) {
  return HostInputCreate(*this, version, iid, out);
}

std::uint32_t Host::CurrentThreadId() const {
  // Ids are handed out on first use; the first thread to ask (the one that makes the host) gets
  // the same id in every run, which keeps seeded runs reproducible.
  if (tThreadId == 0) tThreadId = gNextThreadId.fetch_add(1);
  return tThreadId;
}

bool Host::WindowClassRegister(const WindowClass& windowClass) {
  auto same = [&](const WindowClass& c) { return c.name == windowClass.name; };
  if (windowClass.name.empty() || std::any_of(classes_.begin(), classes_.end(), same)) return false;
  classes_.push_back(windowClass);
  return true;
}

WindowHandle Host::WindowCreate(const std::string& className, const std::string& title,
                                std::uint32_t style, std::uint32_t exStyle, int x, int y, int width,
                                int height) {
  auto it = std::find_if(classes_.begin(), classes_.end(),
                         [&](const WindowClass& c) { return c.name == className; });
  if (it == classes_.end()) return 0;
  Window w;
  w.proc = it->proc;
  w.info.className = className;
  w.info.title = title;
  w.info.style = style;
  w.info.exStyle = exStyle;
  w.info.x = x;
  w.info.y = y;
  w.info.width = width;
  w.info.height = height;
  w.info.visible = (style & WS_VISIBLE) != 0;
  w.info.threadId = CurrentThreadId();
  w.info.processId = CurrentProcessId();
  WindowHandle handle = nextHandle_;
  nextHandle_ += 4;
  windows_.emplace_back(handle, std::move(w));
  return handle;
}

void Host::WindowDestroy(WindowHandle window) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                [&](const auto& e) { return e.first == window; }),
                 windows_.end());
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [&](const Message& m) { return m.window == window; }),
               queue_.end());
  if (foreground_ == window) foreground_ = 0;
}

Host::Window* Host::Find(WindowHandle window) {
  for (auto& e : windows_)
    if (e.first == window) return &e.second;
  return nullptr;
}
const Host::Window* Host::Find(WindowHandle window) const {
  for (const auto& e : windows_)
    if (e.first == window) return &e.second;
  return nullptr;
}

bool Host::WindowSetText(WindowHandle window, const std::string& text) {
  Window* w = Find(window);
  if (!w) return false;
  w->info.title = text;
  OnWindowChanged(window);
  return true;
}

bool Host::WindowMove(WindowHandle window, int x, int y, int width, int height, bool) {
  Window* w = Find(window);
  if (!w) return false;
  w->info.x = x;
  w->info.y = y;
  w->info.width = width;
  w->info.height = height;
  OnWindowChanged(window);
  return true;
}

bool Host::WindowShow(WindowHandle window, int showCommand) {
  Window* w = Find(window);
  if (!w) return false;
  bool wasVisible = w->info.visible;
  w->info.visible = showCommand != SW_HIDE;
  w->info.maximised = showCommand == SW_SHOWMAXIMIZED;
  OnWindowChanged(window);
  // Showing a window maximised brings it to the foreground; hiding the foreground window
  // takes its focus away.
  if (showCommand == SW_SHOWMAXIMIZED && foreground_ != window) FocusChange(window, true);
  if (showCommand == SW_HIDE && foreground_ == window) FocusChange(window, false);
  return wasVisible;
}

bool Host::WindowEnable(WindowHandle window, bool enable) {
  Window* w = Find(window);
  if (!w) return false;
  bool wasDisabled = !w->info.enabled;
  w->info.enabled = enable;
  return wasDisabled;
}

bool Host::WindowSetTopmost(WindowHandle window, bool topmost) {
  Window* w = Find(window);
  if (!w) return false;
  if (topmost)
    w->info.exStyle |= WS_EX_TOPMOST;
  else
    w->info.exStyle &= ~WS_EX_TOPMOST;
  return true;
}

bool Host::WindowIsVisible(WindowHandle window) const {
  const Window* w = Find(window);
  return w && w->info.visible;
}
bool Host::WindowIsEnabled(WindowHandle window) const {
  const Window* w = Find(window);
  return w && w->info.enabled;
}
std::uint32_t Host::WindowExStyle(WindowHandle window) const {
  const Window* w = Find(window);
  return w ? w->info.exStyle : 0;
}

std::uint32_t Host::WindowThreadProcessId(WindowHandle window, std::uint32_t* processId) const {
  const Window* w = Find(window);
  if (processId) *processId = w ? w->info.processId : 0;
  return w ? w->info.threadId : 0;
}

void Host::WindowEnumerate(const std::function<bool(WindowHandle)>& callback) const {
  std::vector<WindowHandle> handles;
  for (const auto& e : windows_) handles.push_back(e.first);
  for (WindowHandle h : handles)
    if (!callback(h)) return;
}

WindowInfo Host::WindowGetInfo(WindowHandle window) const {
  const Window* w = Find(window);
  return w ? w->info : WindowInfo{};
}

void Host::WindowOwnerSet(WindowHandle window, std::uint32_t threadId, std::uint32_t processId) {
  if (Window* w = Find(window)) {
    w->info.threadId = threadId;
    w->info.processId = processId;
  }
}

int Host::CursorShow(bool show) {
  cursorCount_ += show ? 1 : -1;
  return cursorCount_;
}

bool Host::MessagePeek(Message* out) {
  OnPumpEvents();
  if (queue_.empty()) return false;
  *out = queue_.front();
  queue_.erase(queue_.begin());
  return true;
}

std::intptr_t Host::MessageDispatch(const Message& message) {
  return MessageSend(message.window, message.message, message.wParam, message.lParam);
}

void Host::MessagePost(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  queue_.push_back(Message{window, message, wParam, lParam});
}

std::intptr_t Host::MessageSend(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  Window* w = Find(window);
  if (!w || !w->proc) return 0;
  return w->proc(window, message, wParam, lParam);
}

void Host::FocusChange(WindowHandle window, bool active, std::uintptr_t how) {
  if (active) {
    foreground_ = window;
  } else {
    ++focusLosses_;
    if (foreground_ == window) foreground_ = 0;
  }
  // Activation arrives as a queued message, so it reaches the window procedure only when the
  // program pumps its messages.
  MessagePost(window, WM_ACTIVATE, active ? how : WA_INACTIVE, 0);
}

std::string Windows1252ToUtf8(const std::string& text) {
  // 0x80-0x9F differ from Latin-1; the rest of the upper half maps to the same code point.
  static const char16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char c : text) {
    char32_t cp = c < 0x80 ? c : (c < 0xA0 ? kHigh[c - 0x80] : c);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace platform
