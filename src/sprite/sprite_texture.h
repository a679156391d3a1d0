#pragma once

// The record that owns one sprite's platform texture, and the operations on its pixels: lock,
// the mask pass, and device-context access for copying. Main thread only.

#include <cstdint>

#include "platform/graphics/direct3d.h"

namespace engine {

// Texture kinds: the texel size a sprite is stored at.
inline constexpr std::int32_t kSpriteTextureKind16 = 2;  // D3DFMT_A1R5G5B5
inline constexpr std::int32_t kSpriteTextureKind32 = 3;  // D3DFMT_A8R8G8B8

// The platform texture of one sprite, with its staging surface for device-context access.
// Records come zero-filled from MainHeap.
struct SpriteTexture {
  std::int32_t kind;  // kSpriteTextureKind16 or kSpriteTextureKind32
  std::int32_t width;
  std::int32_t height;
  std::int32_t locked;
  std::uint32_t maskColor;  // ColorRGB of the last mask pass; kMaskColorNone while none ran
  platform::Direct3DTexture9* texture;         // one level, managed pool
  platform::Direct3DSurface9* levelSurface;    // level 0; all pixel access goes through it
  platform::Direct3DSurface9* stagingSurface;  // system memory, made on first device-context use
  platform::DeviceContext dc;                  // set while device-context access is open
};

// A texture of exactly width x height of the given kind on the open screen's device, with its
// mask colour unset; null when there is no device, the kind or size is not valid, or the
// texture, its level or the record cannot be made (nothing is then left allocated).
SpriteTexture* SpriteTextureCreate(std::int32_t width, std::int32_t height, std::int32_t kind);
// Releases the texture, its surfaces and the record; null does nothing.
void SpriteTextureFree(SpriteTexture* texture);

// Locks the whole texture for writing: 1 with the first texel and the row pitch in bytes, or 0.
std::int32_t SpriteTextureLock(SpriteTexture* texture, void** pixels, std::int32_t* pitch);
// 1 when a lock was ended and the texture exists, else 0.
std::int32_t SpriteTextureUnlock(SpriteTexture* texture);

// The mask pass: texels whose colour equals the ColorRGB `color` get alpha 0, every other texel
// full alpha. Nothing happens when `color` is the texture's mask colour already or the texture
// cannot be locked.
void SpriteTextureApplyMask(SpriteTexture* texture, std::uint32_t color);

// Opens device-context access to a copy of the texture's colours (kept open until
// SpriteTextureReleaseDC); the same handle while already open. None when there is no device or
// the staging surface cannot be made.
platform::DeviceContext SpriteTextureGetDC(SpriteTexture* texture);
// Ends device-context access. Unless `readOnly`, the context's colours are written back into the
// texture with their alpha recomputed from the texture's mask colour. 0 when no access was open
// or the texture has no platform texture, else 1.
std::int32_t SpriteTextureReleaseDC(SpriteTexture* texture, std::int32_t readOnly);

}  // namespace engine
