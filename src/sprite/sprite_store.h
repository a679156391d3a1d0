#pragma once

#include <cstdint>

#include "platform/graphics/direct3d.h"
#include "runtime/object_table.h"

namespace engine {

// The platform texture of one sprite, with its staging surface for device-context access.
struct SpriteTexture {
  std::int32_t kind;  // 2: 16-bit A1R5G5B5, 3: 32-bit A8R8G8B8
  std::int32_t width;
  std::int32_t height;
  std::int32_t locked;
  std::uint32_t maskColor;  // ColorRGB of the last mask pass; 0xFFFFFFFF (-1) while none ran
  platform::Direct3DTexture9* texture;
  platform::Direct3DSurface9* levelSurface;
  platform::Direct3DSurface9* stagingSurface;
  platform::DeviceContext dc;
};

// One sprite: its texture and the rectangle of the image that is shown.
struct SpriteRecord {
  SpriteTexture* texture;  // first field: nonzero while the sprite exists
  std::int32_t width;
  std::int32_t height;
  std::int32_t depth;
  std::uint32_t mode;
  std::int32_t fullWidth;
  std::int32_t fullHeight;
  std::int32_t clipX;
  std::int32_t clipY;
  float texCoords[8];
};

// The sprite table, made by SpriteSystemInit.
extern ObjectTable* SpriteTable;

// Frees a sprite's texture and forgets its number; -1 frees every sprite. The table's release
// callback.
void SpriteRelease(ObjectId number);
// Releases the texture, its surfaces and the record; null does nothing.
void SpriteTextureFree(SpriteTexture* texture);

}  // namespace engine
