#include "sprite/sprite_draw.h"

#include <cstdint>

#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite/sprite.h"
#include "sprite/sprite_store.h"

namespace engine {

namespace {

namespace p = platform;

constexpr std::uint32_t kSpriteVertexFormat = p::D3DFVF_XYZRHW | p::D3DFVF_TEX1;

// A screen coordinate of a corner: half a pixel up and left, so that pixel centres fall on texel
// centres and image texel (clipX + i, clipY + j) lands on pixel (x + i, y + j).
float CornerCoord(std::int64_t value) {
  return static_cast<float>(static_cast<double>(value) - 0.5);
}

}  // namespace

void DrawStateSet(std::uint32_t blendEnable, std::uint32_t sourceBlend,
                  std::uint32_t destinationBlend, std::uint32_t vertexFormat) {
  ScreenState& screen = ScreenStateGet();
  const std::uint32_t values[4] = {blendEnable, sourceBlend, destinationBlend, vertexFormat};
  static constexpr std::uint32_t kRenderStates[3] = {p::D3DRS_ALPHABLENDENABLE, p::D3DRS_SRCBLEND,
                                                     p::D3DRS_DESTBLEND};
  for (int i = 0; i < 4; ++i) {
    const auto value = static_cast<std::int32_t>(values[i]);
    if (screen.drawStateCache[i] == value) continue;
    screen.drawStateCache[i] = value;
    if (i < 3)
      screen.device->SetRenderState(kRenderStates[i], values[i]);
    else
      screen.device->SetFVF(values[i]);
  }
}

void SpriteDraw(ObjectId number, std::int32_t x, std::int32_t y) {
  const SpriteRecord* record = SpriteLookup(number);
  if (!record) return;
  if (!SceneBegin()) return;
  ScreenState& screen = ScreenStateGet();
  // The destination rectangle in 64 bits, so that a position near the end of the 32-bit range
  // cannot wrap its right or bottom edge onto the screen.
  const std::int64_t left = x, top = y;
  const std::int64_t right = left + record->width, bottom = top + record->height;
  // Only whether any of it is on the screen matters; the device cuts off the rest.
  const bool visible = left < right && top < bottom && right > 0 && bottom > 0 &&
                       left < screen.width && top < screen.height;
  if (!visible) return;

  DrawStateSet(1, p::D3DBLEND_SRCALPHA, p::D3DBLEND_INVSRCALPHA, kSpriteVertexFormat);
  const float* uv = record->texCoords;
  const float x0 = CornerCoord(left), x1 = CornerCoord(right);
  const float y0 = CornerCoord(top), y1 = CornerCoord(bottom);
  const p::VertexXyzrhwTex1 quad[4] = {
      {x0, y0, 0.0f, 1.0f, uv[0], uv[1]},
      {x1, y0, 0.0f, 1.0f, uv[2], uv[3]},
      {x0, y1, 0.0f, 1.0f, uv[4], uv[5]},
      {x1, y1, 0.0f, 1.0f, uv[6], uv[7]},
  };
  screen.device->SetTexture(0, record->texture->texture);
  screen.device->DrawPrimitiveUP(p::D3DPT_TRIANGLESTRIP, 2, quad, sizeof(p::VertexXyzrhwTex1));
}

}  // namespace engine
