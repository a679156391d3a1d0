#pragma once

#include <cstdint>

#include "platform/graphics/direct3d.h"
#include "platform/host/host.h"

namespace engine {

// The screen library's single state record.
struct ScreenState {
  platform::Direct3D9* direct3D;
  std::int32_t initialised;
  platform::Direct3DDevice9* device;
  platform::Direct3DSurface9* backBuffer;
  platform::D3DPRESENT_PARAMETERS presentParams;
  platform::WindowHandle screenWindow;
  std::int32_t width;
  std::int32_t height;
  std::int32_t depth;
  std::int32_t open;
  std::int32_t deviceActive;
  std::int32_t sceneOpen;
  // Last values sent for the four draw states; -1: none sent since the last reset.
  std::int32_t drawStateCache[4];
  std::int32_t compositionWasOn;
  // Desktop composition entry points, looked up once; this platform has none.
  void (*compositionEnable)(std::uint32_t);
  std::int32_t (*compositionIsEnabled)(std::int32_t*);
  std::int32_t compositionLookedUp;
};

ScreenState& ScreenStateGet();

// The back-buffer format for a depth: 32 gives X8R8G8B8, 16 prefers X1R5G5B5 over R5G6B5;
// D3DFMT_UNKNOWN when the display offers none.
platform::D3DFORMAT BackBufferFormatChoose(std::int32_t depth);
// The present parameters of a full screen of the given size and format on the screen window.
void PresentParametersBuild(platform::D3DPRESENT_PARAMETERS* params, std::int32_t width,
                            std::int32_t height, platform::D3DFORMAT format);
// Bits per pixel of a back-buffer format (32 or 16; 0 for others).
std::int32_t FormatBits(platform::D3DFORMAT format);
// The fixed device states every frame relies on, in their order.
void DeviceStatesInit();

// Test controls: forget every screen and media-window value, as at program start. Only for
// tests that run the engine several times in one process.
void ScreenStateForget();

}  // namespace engine
