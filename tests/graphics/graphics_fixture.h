#pragma once

// A software device on a headless host, and helpers that draw the way the sprite library does:
// a clip rectangle of a texture as a two-triangle strip whose corners sit half a pixel up and
// left of the integer screen position.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/graphics/direct3d.h"
#include "platform/host/headless/headless_host.h"

namespace graphics_test {

using namespace platform;

struct Device {
  explicit Device(D3DFORMAT format = D3DFMT_X8R8G8B8, int width = 640, int height = 480) {
    d3d = Ref<Direct3D9>(Direct3DCreate9(host, D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS params;
    params.BackBufferWidth = static_cast<std::uint32_t>(width);
    params.BackBufferHeight = static_cast<std::uint32_t>(height);
    params.BackBufferFormat = format;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_FLIP;
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    params.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, 0x100, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                   &params, device.Put());
    EXPECT_EQ(hr, D3D_OK);
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.Put());
    // The sprite library's states.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    device->BeginScene();
  }

  // The back-buffer pixel at (x, y) as 0x00RRGGBB (16-bit formats widened).
  std::uint32_t Pixel(int x, int y) const;
  // Raw back-buffer word at (x, y).
  std::uint32_t Raw(int x, int y) const;
  void Fill(std::uint32_t rawValue);

  HeadlessHost host;
  Ref<Direct3D9> d3d;
  Ref<Direct3DDevice9> device;
  Ref<Direct3DSurface9> backBuffer;
};

// A managed texture whose texel (x, y) is texel(x, y) (raw format word).
template <typename F>
Ref<Direct3DTexture9> TextureMake(Direct3DDevice9& device, int width, int height, D3DFORMAT format,
                                  F texel) {
  Ref<Direct3DTexture9> texture;
  EXPECT_EQ(
      device.CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, texture.Put(), nullptr),
      D3D_OK);
  D3DLOCKED_RECT locked;
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch;
    for (int x = 0; x < width; ++x) {
      std::uint32_t value = texel(x, y);
      if (FormatBytes(format) == 4) {
        std::memcpy(row + x * 4, &value, 4);
      } else {
        auto half = static_cast<std::uint16_t>(value);
        std::memcpy(row + x * 2, &half, 2);
      }
    }
  }
  texture->UnlockRect(0);
  return texture;
}

// Draws texels (clipX, clipY, w, h) of a texture of texW x texH with its top-left at (x, y), as
// the sprite library does.
HRESULT SpriteDraw(Direct3DDevice9& device, Direct3DTexture9* texture, int texW, int texH,
                   int clipX, int clipY, int w, int h, int x, int y);

}  // namespace graphics_test
