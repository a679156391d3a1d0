#include "platform/host/sdl/sdl_host.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace platform {

struct SdlHost::Impl {
  bool videoTried = false;
  bool videoUp = false;
};

namespace {

// SDL falls back to an invisible offscreen driver when no display server is reachable; unless
// the user picked a driver on purpose, that counts as no display.
bool VideoDriverIsReal() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return false;
  if (SDL_getenv("SDL_VIDEODRIVER")) return true;
  return std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

}  // namespace

SdlHost::SdlHost() : impl_(std::make_unique<Impl>()) {
  SDL_SetMainReady();
  SDL_Init(SDL_INIT_TIMER);
}

SdlHost::~SdlHost() {
  SDL_Quit();
}

int SdlHost::MessageBox(WindowHandle, const std::string& text, const std::string& caption,
                        std::uint32_t) {
  const std::string utf8Caption = Windows1252ToUtf8(caption);
  const std::string utf8Text = Windows1252ToUtf8(text);
  if (impl_->videoUp && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Caption.c_str(),
                                                 utf8Text.c_str(), nullptr) == 0)
    return IDOK;
  // No box can be shown: the text still reaches the user.
  std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
  return 0;
}

std::uint32_t SdlHost::TickCount() {
  return SDL_GetTicks();
}
void SdlHost::Sleep(std::uint32_t milliseconds) {
  SDL_Delay(milliseconds);
}

std::vector<DisplayMode> SdlHost::DisplayModes() {
  if (!impl_->videoTried) {
    impl_->videoTried = true;
    impl_->videoUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (impl_->videoUp && !VideoDriverIsReal()) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      impl_->videoUp = false;
    }
  }
  if (!impl_->videoUp) return {};
  SDL_DisplayMode desktop;
  if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return {};
  int hz = desktop.refresh_rate > 0 ? desktop.refresh_rate : 60;
  return {{640, 480, hz, 24}, {640, 480, hz, 23}, {640, 480, hz, 22}};
}

bool SdlHost::FramePresent(const Frame&) {
  return false;
}
std::unique_ptr<AudioOutput> SdlHost::AudioOutputOpen(AudioSource*) {
  return nullptr;
}
void SdlHost::KeyboardRead(std::uint8_t keys[256]) {
  std::memset(keys, 0, 256);
}
void SdlHost::OnWindowChanged(WindowHandle) {}
void SdlHost::OnPumpEvents() {}

}  // namespace platform
