#pragma once

// The operating-system side of the platform layer: windows and their messages, message boxes,
// clock, sleep, the display the graphics device presents to, the audio output the mixer feeds
// and the keyboard state. One process-wide instance is installed by the executable (or a test)
// before start-up; engine code reaches it through HostGet(). All calls are main-thread only
// unless a comment says otherwise.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ref_counted.h"

namespace platform {

class DirectSound;
class DirectInput7;
struct GUID;

using WindowHandle = std::uintptr_t;  // 0: no window
using WindowProc = std::intptr_t (*)(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam);

// Window messages the engine sends, receives or answers.
constexpr std::uint32_t WM_ACTIVATE = 0x0006;
constexpr std::uint32_t WM_PAINT = 0x000F;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_ERASEBKGND = 0x0014;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uintptr_t WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;

// Styles and show commands.
constexpr std::uint32_t CS_DBLCLKS = 0x0008;
constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008u;
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMAXIMIZED = 3, SW_SHOW = 5;
constexpr std::uint32_t MB_OK = 0;
constexpr int IDOK = 1;

struct WindowClass {
  std::string name;
  std::uint32_t style = 0;
  WindowProc proc = nullptr;
  bool blackBackground = false;
};

struct Message {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// What a window looks like to the rest of the process.
struct WindowInfo {
  std::string className;
  std::string title;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool visible = false;
  bool enabled = true;
  bool maximised = false;
  std::uint32_t threadId = 0;
  std::uint32_t processId = 0;
};

// One display mode of the adapter; `format` uses the graphics device's format numbers.
struct DisplayMode {
  int width = 0;
  int height = 0;
  int refreshHz = 0;
  std::uint32_t format = 0;
};

// A finished back buffer handed to the display. Rows top-down, `pitch` bytes apart.
struct Frame {
  const void* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  std::uint32_t format = 0;
};

// Produces interleaved 16-bit stereo at 44100 Hz; called on the audio output's own thread.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual void AudioRender(std::int16_t* out, std::size_t frames) = 0;
};

// An open audio output pulling from an AudioSource until destroyed. Destruction stops the
// pulling thread before it returns.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Output frames consumed so far (any thread).
  virtual std::uint64_t FramesPlayed() const = 0;
  // Frames in one device buffer: the longest a new sample waits before it is heard.
  virtual std::size_t BufferFrames() const = 0;
};

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;

class Host {
 public:
  Host();
  virtual ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // --- Libraries the engine loads at run time: "d3d9.dll" is there when a display is, and
  // "DSOUND.DLL" when an audio output is; "DINPUT.DLL" always; "dwmapi.dll" never.
  virtual bool LibraryAvailable(const std::string& name);

  // --- Window classes and windows. A class registers once; a second registration fails.
  // The base host keeps windows as records; a host with a window system overrides these.
  virtual bool WindowClassRegister(const WindowClass& windowClass);
  virtual WindowHandle WindowCreate(const std::string& className, const std::string& title,
                                    std::uint32_t style, std::uint32_t exStyle, int x, int y,
                                    int width, int height);
  virtual void WindowDestroy(WindowHandle window);
  virtual bool WindowSetText(WindowHandle window, const std::string& text);
  virtual bool WindowMove(WindowHandle window, int x, int y, int width, int height, bool repaint);
  virtual bool WindowShow(WindowHandle window, int showCommand);
  // Returns the previous disabled state, as the system call does.
  virtual bool WindowEnable(WindowHandle window, bool enable);
  virtual bool WindowSetTopmost(WindowHandle window, bool topmost);
  virtual bool WindowIsVisible(WindowHandle window) const;
  virtual bool WindowIsEnabled(WindowHandle window) const;
  virtual std::uint32_t WindowExStyle(WindowHandle window) const;
  // Owning thread id (0 for no such window); the process id goes to *processId when given.
  virtual std::uint32_t WindowThreadProcessId(WindowHandle window, std::uint32_t* processId) const;
  // Top-level windows, oldest first. The callback returns false to stop.
  virtual void WindowEnumerate(const std::function<bool(WindowHandle)>& callback) const;
  // A copy of the window's state; null window gives an empty record.
  virtual WindowInfo WindowGetInfo(WindowHandle window) const;
  // The system's handling of a message that a window procedure leaves to it (creation,
  // sizing, activation, ...); the base host has none to give and answers 0.
  virtual std::intptr_t WindowDefaultProc(WindowHandle, std::uint32_t, std::uintptr_t,
                                          std::intptr_t) {
    return 0;
  }
  // Marks the window painted (begin and end a paint) so that the system stops asking for it.
  virtual void WindowPaint(WindowHandle) {}
  // Test control: makes a window belong to another thread or process.
  void WindowOwnerSet(WindowHandle window, std::uint32_t threadId, std::uint32_t processId);
  virtual WindowHandle ForegroundWindow() const { return foreground_; }
  void ForegroundSet(WindowHandle window) { foreground_ = window; }
  // Cursor display counter, as the system keeps it; returns the new count.
  virtual int CursorShow(bool show);
  int CursorCount() const { return cursorCount_; }

  // --- Messages. Peek removes the oldest message of the calling thread's queue.
  virtual bool MessagePeek(Message* out);
  virtual std::intptr_t MessageDispatch(const Message& message);
  virtual void MessagePost(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam);
  // Sends a message straight to the window's procedure.
  virtual std::intptr_t MessageSend(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam);
  // Shows a modal box; returns the button id (IDOK), 0 when none can be shown.
  virtual int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                         std::uint32_t flags) = 0;

  // --- Threads and time (any thread).
  virtual std::uint32_t CurrentThreadId() const;
  virtual std::uint32_t CurrentProcessId() const { return 1; }
  virtual std::uint32_t TickCount() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // --- Display. An empty mode list means no display.
  virtual std::vector<DisplayMode> DisplayModes() = 0;
  // Shows a frame and returns at the display's next refresh; false when it could not be shown.
  virtual bool FramePresent(const Frame& frame) = 0;
  // Desktop composition, where the host has it ("dwmapi.dll" available): whether it is on, and
  // switching it. A Linux desktop has no such switch; the base host reports it off.
  virtual std::int32_t CompositionIsEnabled() { return 0; }
  virtual void CompositionEnable(bool) {}
  // The system timer period has no counterpart here: sleeps are already precise to the
  // millisecond. Both calls do nothing and keep the screen's steps in place.
  virtual void TimerPeriodBegin(std::uint32_t) {}
  virtual void TimerPeriodEnd(std::uint32_t) {}

  // --- Start of the process: common controls of the given classes and COM for the calling
  // thread, where the system has them.
  virtual void CommonControlsInit(std::uint32_t) {}
  virtual void ComInit() {}

  // --- Device back ends, made after LibraryAvailable found the library ("DSOUND.DLL",
  // "DINPUT.DLL"). The base host makes the software mixer on its AudioOutputOpen and the
  // keyboard device on its KeyboardRead; a host with the system's own devices makes those.
  // Each returns the caller's reference, or null (InputCreate: a failure code, *out null).
  virtual DirectSound* SoundDeviceCreate();
  virtual HRESULT InputCreate(std::uint32_t version, const GUID& iid, DirectInput7** out);

  // --- Audio. Null when the host has no audio output.
  virtual std::unique_ptr<AudioOutput> AudioOutputOpen(AudioSource* source) = 0;

  // --- Keyboard: the 256-byte state by key code (bit 7 set while down) and focus changes.
  // Each focus loss increments the counter, so a device can tell that it lost the keyboard.
  virtual void KeyboardRead(std::uint8_t keys[256]) = 0;
  std::uint64_t FocusLossCount() const { return focusLosses_; }

 protected:
  // Gives or takes the keyboard focus of a window: sends WM_ACTIVATE and counts losses.
  void FocusChange(WindowHandle window, bool active, std::uintptr_t how = WA_ACTIVE);
  // Called when a window is shown, hidden, retitled or moved, so a real host can follow.
  virtual void OnWindowChanged(WindowHandle) {}
  // Called at the start of MessagePeek: a real host turns its events into messages here.
  virtual void OnPumpEvents() {}

 private:
  struct Window {
    WindowInfo info;
    WindowProc proc = nullptr;
  };
  Window* Find(WindowHandle window);
  const Window* Find(WindowHandle window) const;

  std::vector<WindowClass> classes_;
  std::vector<std::pair<WindowHandle, Window>> windows_;  // creation order
  std::vector<Message> queue_;
  WindowHandle nextHandle_ = 0x100;
  WindowHandle foreground_ = 0;
  int cursorCount_ = 0;
  std::uint64_t focusLosses_ = 0;
  std::uint32_t mainThreadId_ = 0;
};

// The installed host; installing replaces the previous one (not owned).
Host& HostGet();
bool HostInstalled();
void HostInstall(Host* host);

// Starts a detached thread with the given stack size; false when it cannot start.
bool ThreadStart(void (*entry)(void*), void* argument, std::size_t stackBytes);

// Windows-1252 bytes to UTF-8, for hosts that show text.
std::string Windows1252ToUtf8(const std::string& text);

}  // namespace platform
