#pragma once

#include <memory>

#include "platform/host/host.h"

namespace platform {

// The host of the Windows program: the system's own windows, messages, message boxes, clock,
// threads and run-time libraries. Windows are real windows (the handle is the system's), so
// other programs' windows take part in enumeration. Sound and keyboard come from the system's
// DirectSound and DirectInput, loaded as the engine asks for "DSOUND.DLL" and "DINPUT.DLL";
// graphics from "d3d9.dll". Main thread only, as the engine calls it.
class Win32Host final : public Host {
 public:
  Win32Host();
  ~Win32Host() override;

  // Loads the library (LoadLibraryA) and keeps it loaded for the life of the host.
  bool LibraryAvailable(const std::string& name) override;

  bool WindowClassRegister(const WindowClass& windowClass) override;
  WindowHandle WindowCreate(const std::string& className, const std::string& title,
                            std::uint32_t style, std::uint32_t exStyle, int x, int y, int width,
                            int height) override;
  void WindowDestroy(WindowHandle window) override;
  bool WindowSetText(WindowHandle window, const std::string& text) override;
  bool WindowMove(WindowHandle window, int x, int y, int width, int height, bool repaint) override;
  bool WindowShow(WindowHandle window, int showCommand) override;
  bool WindowEnable(WindowHandle window, bool enable) override;
  bool WindowSetTopmost(WindowHandle window, bool topmost) override;
  bool WindowIsVisible(WindowHandle window) const override;
  bool WindowIsEnabled(WindowHandle window) const override;
  std::uint32_t WindowExStyle(WindowHandle window) const override;
  std::uint32_t WindowThreadProcessId(WindowHandle window, std::uint32_t* processId) const override;
  void WindowEnumerate(const std::function<bool(WindowHandle)>& callback) const override;
  WindowInfo WindowGetInfo(WindowHandle window) const override;
  std::intptr_t WindowDefaultProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) override;
  void WindowPaint(WindowHandle window) override;
  WindowHandle ForegroundWindow() const override;
  int CursorShow(bool show) override;

  bool MessagePeek(Message* out) override;
  std::intptr_t MessageDispatch(const Message& message) override;
  void MessagePost(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override;
  std::intptr_t MessageSend(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                 std::uint32_t flags) override;

  std::uint32_t CurrentThreadId() const override;
  std::uint32_t CurrentProcessId() const override;
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;

  // The modes of the 640 x 480 screen in the three back-buffer formats; the software device
  // presents through GDI, scaled to the window.
  std::vector<DisplayMode> DisplayModes() override;
  bool FramePresent(const Frame& frame) override;
  std::int32_t CompositionIsEnabled() override;
  void CompositionEnable(bool enable) override;
  void TimerPeriodBegin(std::uint32_t milliseconds) override;
  void TimerPeriodEnd(std::uint32_t milliseconds) override;
  void CommonControlsInit(std::uint32_t classes) override;
  void ComInit() override;

  // Sound goes to the system's DirectSound buffers, not through a mixer output: no output here.
  std::unique_ptr<AudioOutput> AudioOutputOpen(AudioSource* source) override;
  // The keyboard is read by the system's DirectInput device; this host's own state is empty.
  void KeyboardRead(std::uint8_t keys[256]) override;

  DirectSound* SoundDeviceCreate() override;
  HRESULT InputCreate(std::uint32_t version, const GUID& iid, DirectInput7** out) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
