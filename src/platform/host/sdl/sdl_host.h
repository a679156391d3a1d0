#pragma once

#include <memory>

#include "platform/host/host.h"

namespace platform {

// The host for players: one real fullscreen window, presentation, audio and keyboard through
// SDL2. SDL's video starts on first need; without a display the host reports none. The first
// host window shown becomes the SDL window; other windows stay records.
class SdlHost final : public Host {
 public:
  SdlHost();
  ~SdlHost() override;

  bool LibraryAvailable(const std::string& name) override;
  int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                 std::uint32_t flags) override;
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
  std::vector<DisplayMode> DisplayModes() override;
  bool FramePresent(const Frame& frame) override;
  std::unique_ptr<AudioOutput> AudioOutputOpen(AudioSource* source) override;
  void KeyboardRead(std::uint8_t keys[256]) override;
  int CursorShow(bool show) override;

 protected:
  void OnWindowChanged(WindowHandle window) override;
  void OnPumpEvents() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
