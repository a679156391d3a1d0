#include "platform/host/sdl/sdl_host.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/host/sdl/sdl_audio_output.h"
#include "platform/host/sdl/sdl_keymap.h"

namespace platform {

namespace {

// SDL falls back to an invisible offscreen driver when no display server is reachable; unless
// the user picked a driver on purpose, that counts as no display.
bool VideoDriverIsReal() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return false;
  if (SDL_getenv("SDL_VIDEODRIVER")) return true;
  return std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

Uint32 SdlPixelFormat(std::uint32_t format) {
  switch (format) {
    case 23:  // R5G6B5
      return SDL_PIXELFORMAT_RGB565;
    case 24:  // X1R5G5B5
      return SDL_PIXELFORMAT_RGB555;
    default:  // X8R8G8B8
      return SDL_PIXELFORMAT_RGB888;
  }
}

using Clock = std::chrono::steady_clock;

}  // namespace

struct SdlHost::Impl {
  bool videoTried = false;
  bool videoUp = false;
  bool audioTried = false;
  bool audioUp = false;
  int refreshHz = 60;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureWidth = 0, textureHeight = 0;
  Uint32 textureFormat = 0;
  WindowHandle shown = 0;  // the host window that the SDL window stands for
  Clock::time_point nextFrame{};

  bool VideoStart() {
    if (!videoTried) {
      videoTried = true;
      videoUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
      if (videoUp && !VideoDriverIsReal()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoUp = false;
      }
      SDL_DisplayMode desktop;
      if (videoUp && SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.refresh_rate > 0)
        refreshHz = desktop.refresh_rate;
    }
    return videoUp;
  }

  void WindowDestroy() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
  }

  // Without a window manager a fullscreen-desktop window is never resized, so it is created at
  // the desktop's size and position from the start.
  bool WindowMake(const std::string& title) {
    if (window) return true;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return false;
    window = SDL_CreateWindow(title.c_str(), 0, 0, desktop.w, desktop.h,
                              SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN);
    if (!window) return false;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) {
      WindowDestroy();
      return false;
    }
    return true;
  }

  // Waits so that frames never come faster than the display's refresh; where the renderer
  // already waited for the vertical blank, the deadline has passed and nothing more happens.
  void Pace() {
    const auto period = std::chrono::nanoseconds(1000000000LL / (refreshHz > 0 ? refreshHz : 60));
    auto now = Clock::now();
    if (nextFrame.time_since_epoch().count() == 0 || now > nextFrame + period) nextFrame = now;
    if (now < nextFrame) {
      // Sleep most of the way, then spin the last stretch for a precise deadline.
      auto coarse = nextFrame - std::chrono::milliseconds(2);
      if (now < coarse) std::this_thread::sleep_until(coarse);
      while (Clock::now() < nextFrame) std::this_thread::yield();
    }
    nextFrame += period;
  }
};

SdlHost::SdlHost() : impl_(std::make_unique<Impl>()) {
  SDL_SetMainReady();
  SDL_Init(SDL_INIT_TIMER);
}

SdlHost::~SdlHost() {
  impl_->WindowDestroy();
  SDL_Quit();
}

bool SdlHost::LibraryAvailable(const std::string& name) {
  if (name == "DSOUND.DLL") {
    if (!impl_->audioTried) {
      impl_->audioTried = true;
      impl_->audioUp = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return impl_->audioUp;
  }
  return Host::LibraryAvailable(name);
}

int SdlHost::MessageBox(WindowHandle, const std::string& text, const std::string& caption,
                        std::uint32_t) {
  const std::string utf8Caption = Windows1252ToUtf8(caption);
  const std::string utf8Text = Windows1252ToUtf8(text);
  // The text also goes to stderr: it reaches a user who started the game from a terminal, and
  // one for whom no box can be shown.
  std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
  std::fflush(stderr);
  if (impl_->videoUp && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Caption.c_str(),
                                                 utf8Text.c_str(), nullptr) == 0)
    return IDOK;
  return 0;
}

std::uint32_t SdlHost::TickCount() {
  return SDL_GetTicks();
}
void SdlHost::Sleep(std::uint32_t milliseconds) {
  SDL_Delay(milliseconds);
}

std::vector<DisplayMode> SdlHost::DisplayModes() {
  if (!impl_->VideoStart()) return {};
  const int hz = impl_->refreshHz;
  // The window is scaled to the desktop, so every back-buffer format can be shown at 640 x 480.
  return {{640, 480, hz, 24}, {640, 480, hz, 23}, {640, 480, hz, 22}};
}

void SdlHost::OnWindowChanged(WindowHandle handle) {
  if (!impl_->videoUp) return;
  WindowInfo info = WindowGetInfo(handle);
  if (impl_->shown == 0 && info.visible) impl_->shown = handle;
  if (handle != impl_->shown) return;
  if (info.visible) {
    if (!impl_->WindowMake(Windows1252ToUtf8(info.title))) return;
    SDL_SetWindowTitle(impl_->window, Windows1252ToUtf8(info.title).c_str());
    SDL_ShowWindow(impl_->window);
    SDL_RaiseWindow(impl_->window);
  } else if (impl_->window) {
    SDL_SetWindowTitle(impl_->window, Windows1252ToUtf8(info.title).c_str());
    if (!info.visible) SDL_HideWindow(impl_->window);
  }
}

int SdlHost::CursorShow(bool show) {
  int count = Host::CursorShow(show);
  if (impl_->videoUp) SDL_ShowCursor(count >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return count;
}

void SdlHost::OnPumpEvents() {
  if (!impl_->videoUp) return;
  const WindowHandle target = impl_->shown;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        if (target) MessagePost(target, WM_CLOSE, 0, 0);
        break;
      case SDL_WINDOWEVENT:
        if (!target) break;
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) FocusChange(target, true, WA_ACTIVE);
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) FocusChange(target, false);
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) MessagePost(target, WM_CLOSE, 0, 0);
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) MessagePost(target, WM_PAINT, 0, 0);
        break;
      case SDL_KEYDOWN:
        if (target) MessagePost(target, WM_KEYDOWN, SdlScancodeToKeyCode(e.key.keysym.scancode), 0);
        break;
      case SDL_KEYUP:
        if (target) MessagePost(target, WM_KEYUP, SdlScancodeToKeyCode(e.key.keysym.scancode), 0);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        if (!target) break;
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        const std::intptr_t where = (e.button.x & 0xFFFF) | ((e.button.y & 0xFFFF) << 16);
        if (e.button.button == SDL_BUTTON_LEFT)
          MessagePost(
              target,
              down ? (e.button.clicks == 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP, 0,
              where);
        if (e.button.button == SDL_BUTTON_RIGHT)
          MessagePost(target, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0, where);
        break;
      }
      default:
        break;
    }
  }
}

bool SdlHost::FramePresent(const Frame& frame) {
  Impl& s = *impl_;
  if (!s.renderer || !frame.pixels || frame.width <= 0 || frame.height <= 0) return false;
  const Uint32 format = SdlPixelFormat(frame.format);
  if (!s.texture || s.textureWidth != frame.width || s.textureHeight != frame.height ||
      s.textureFormat != format) {
    if (s.texture) SDL_DestroyTexture(s.texture);
    s.texture = SDL_CreateTexture(s.renderer, format, SDL_TEXTUREACCESS_STREAMING, frame.width,
                                  frame.height);
    if (!s.texture) return false;
    s.textureWidth = frame.width;
    s.textureHeight = frame.height;
    s.textureFormat = format;
    SDL_RenderSetLogicalSize(s.renderer, frame.width, frame.height);
  }
  if (SDL_UpdateTexture(s.texture, nullptr, frame.pixels, frame.pitch) != 0) return false;
  // Clearing paints the letterbox bars too; they stay black.
  SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
  SDL_RenderPresent(s.renderer);
  s.Pace();
  return true;
}

std::unique_ptr<AudioOutput> SdlHost::AudioOutputOpen(AudioSource* source) {
  if (!LibraryAvailable("DSOUND.DLL")) return nullptr;
  return SdlAudioOutputOpen(source);
}

void SdlHost::KeyboardRead(std::uint8_t keys[256]) {
  std::memset(keys, 0, 256);
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  if (!state) return;
  for (int sc = 0; sc < count; ++sc) {
    if (!state[sc]) continue;
    if (std::uint8_t code = SdlScancodeToKeyCode(static_cast<SDL_Scancode>(sc))) keys[code] = 0x80;
  }
}

}  // namespace platform
