#include "graphics/graphics_fixture.h"

#include <cstring>

#include "platform/graphics/pixel_format.h"

namespace graphics_test {

std::uint32_t Device::Raw(int x, int y) const {
  const Direct3DSurface9& buffer = *backBuffer;
  const std::uint8_t* p = buffer.Pixels() + y * buffer.Pitch() + x * FormatBytes(buffer.Format());
  return FormatBytes(buffer.Format()) == 4 ? pixel::Load32(p) : pixel::Load16(p);
}

std::uint32_t Device::Pixel(int x, int y) const {
  const Direct3DSurface9& buffer = *backBuffer;
  const std::uint8_t* p = buffer.Pixels() + y * buffer.Pitch() + x * FormatBytes(buffer.Format());
  return pixel::Read(buffer.Format(), p) & 0x00FFFFFFu;
}

void Device::Fill(std::uint32_t rawValue) {
  Direct3DSurface9& buffer = *backBuffer;
  int bytes = FormatBytes(buffer.Format());
  for (int y = 0; y < buffer.Height(); ++y) {
    for (int x = 0; x < buffer.Width(); ++x) {
      std::memcpy(buffer.Pixels() + y * buffer.Pitch() + x * bytes, &rawValue, bytes);
    }
  }
}

HRESULT SpriteDraw(Direct3DDevice9& device, Direct3DTexture9* texture, int texW, int texH,
                   int clipX, int clipY, int w, int h, int x, int y) {
  float left = static_cast<float>(clipX) / static_cast<float>(texW);
  float top = static_cast<float>(clipY) / static_cast<float>(texH);
  float right = static_cast<float>(clipX + w) / static_cast<float>(texW);
  float bottom = static_cast<float>(clipY + h) / static_cast<float>(texH);
  float x0 = static_cast<float>(x) - 0.5f, y0 = static_cast<float>(y) - 0.5f;
  float x1 = static_cast<float>(x + w) - 0.5f, y1 = static_cast<float>(y + h) - 0.5f;
  VertexXyzrhwTex1 quad[4] = {{x0, y0, 0, 1, left, top},
                              {x1, y0, 0, 1, right, top},
                              {x0, y1, 0, 1, left, bottom},
                              {x1, y1, 0, 1, right, bottom}};
  device.SetTexture(0, texture);
  return device.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexXyzrhwTex1));
}

}  // namespace graphics_test
