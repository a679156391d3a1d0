#include <algorithm>
#include <cstdint>

#include "sprite/sprite.h"
#include "sprite/sprite_store.h"

namespace engine {

namespace {

// A texture coordinate: an image position over the image size, as a 32-bit float.
float TexCoord(std::int64_t position, std::int32_t size) {
  return static_cast<float>(static_cast<double>(position) / size);
}

}  // namespace

SpriteRecord* SpriteClip(ObjectId number, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height) {
  SpriteRecord* record = SpriteLookup(number);
  if (!record) return nullptr;
  // 64-bit throughout: x + width and y + height must not wrap for any 32-bit input.
  std::int64_t left = x, top = y, w = width, h = height;
  const std::int64_t fullWidth = record->fullWidth, fullHeight = record->fullHeight;
  if (left == -1 && top == -1 && w == -1 && h == -1) {
    top = 0;
    w = fullWidth;
    h = fullHeight;
  }
  left = std::clamp<std::int64_t>(left, 0, fullWidth);
  top = std::clamp<std::int64_t>(top, 0, fullHeight);
  w = std::clamp<std::int64_t>(w, 0, fullWidth - left);
  h = std::clamp<std::int64_t>(h, 0, fullHeight - top);

  record->clipX = static_cast<std::int32_t>(left);
  record->clipY = static_cast<std::int32_t>(top);
  record->width = static_cast<std::int32_t>(w);
  record->height = static_cast<std::int32_t>(h);
  const float u0 = TexCoord(left, record->fullWidth), u1 = TexCoord(left + w, record->fullWidth);
  const float v0 = TexCoord(top, record->fullHeight), v1 = TexCoord(top + h, record->fullHeight);
  const float corners[8] = {u0, v0, u1, v0, u0, v1, u1, v1};
  std::copy(std::begin(corners), std::end(corners), record->texCoords);
  return record;
}

}  // namespace engine
