#include "sprite/sprite_texture.h"

#include <cstring>

#include "runtime/main_heap.h"
#include "screen/screen_state.h"
#include "sprite/sprite_texel.h"

namespace engine {

namespace {

namespace p = platform;

// Row r of a locked rectangle.
template <typename Texel>
Texel* Row(const p::D3DLOCKED_RECT& locked, std::int32_t r) {
  return reinterpret_cast<Texel*>(static_cast<std::uint8_t*>(locked.pBits) +
                                  static_cast<std::ptrdiff_t>(r) * locked.Pitch);
}

void ReleaseIfAny(p::RefCounted* object) {
  if (object) object->Release();
}

}  // namespace

SpriteTexture* SpriteTextureCreate(std::int32_t width, std::int32_t height, std::int32_t kind) {
  p::Direct3DDevice9* device = ScreenStateGet().device;
  // Sprites are textures of the open screen; without one there is nothing to create them on.
  if (!device || width <= 0 || height <= 0) return nullptr;
  p::D3DFORMAT format;
  if (kind == kSpriteTextureKind32)
    format = p::D3DFMT_A8R8G8B8;
  else if (kind == kSpriteTextureKind16)
    format = p::D3DFMT_A1R5G5B5;
  else
    return nullptr;

  // Held by Ref until the record owns them, so every failure below releases what was made.
  p::Ref<p::Direct3DTexture9> texture;
  if (device->CreateTexture(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                            1, 0, format, p::D3DPOOL_MANAGED, texture.Put(),
                            nullptr) != p::D3D_OK ||
      !texture)
    return nullptr;
  p::Ref<p::Direct3DSurface9> level;
  if (texture->GetSurfaceLevel(0, level.Put()) != p::D3D_OK || !level) return nullptr;
  auto* record = static_cast<SpriteTexture*>(MainHeapAllocZero(sizeof(SpriteTexture)));
  if (!record) return nullptr;
  record->kind = kind;
  record->width = width;
  record->height = height;
  record->texture = texture.Detach();
  record->levelSurface = level.Detach();
  record->maskColor = kMaskColorNone;
  return record;
}

void SpriteTextureFree(SpriteTexture* texture) {
  if (!texture) return;
  // A context still open on the staging surface would outlive the surface; close it first.
  if (texture->dc && texture->stagingSurface) texture->stagingSurface->ReleaseDC(texture->dc);
  if (texture->locked && texture->levelSurface) texture->levelSurface->UnlockRect();
  ReleaseIfAny(texture->texture);
  ReleaseIfAny(texture->levelSurface);
  ReleaseIfAny(texture->stagingSurface);
  MainHeapFree(texture);
}

std::int32_t SpriteTextureLock(SpriteTexture* texture, void** pixels, std::int32_t* pitch) {
  p::D3DLOCKED_RECT locked;
  if (!texture->levelSurface || texture->levelSurface->LockRect(&locked, nullptr, 0) != p::D3D_OK)
    return 0;
  texture->locked = 1;
  *pixels = locked.pBits;
  *pitch = locked.Pitch;
  return 1;
}

std::int32_t SpriteTextureUnlock(SpriteTexture* texture) {
  if (!texture->locked || texture->levelSurface->UnlockRect() != p::D3D_OK) return 0;
  texture->locked = 0;
  return texture->texture ? 1 : 0;
}

void SpriteTextureApplyMask(SpriteTexture* texture, std::uint32_t color) {
  if (color == texture->maskColor) return;
  p::D3DLOCKED_RECT locked;
  if (texture->levelSurface->LockRect(&locked, nullptr, 0) != p::D3D_OK) return;
  if (texture->kind == kSpriteTextureKind32) {
    const std::uint32_t key = MaskKey32(color);
    for (std::int32_t r = 0; r < texture->height; ++r)
      TexelRowMask32(Row<std::uint32_t>(locked, r), texture->width, key);
  } else {
    const std::uint32_t key = MaskKey16(color);
    for (std::int32_t r = 0; r < texture->height; ++r)
      TexelRowMask16(Row<std::uint16_t>(locked, r), texture->width, key);
  }
  texture->maskColor = color;
  texture->levelSurface->UnlockRect();
}

p::DeviceContext SpriteTextureGetDC(SpriteTexture* texture) {
  if (texture->dc) return texture->dc;
  const bool wide = texture->kind == kSpriteTextureKind32;
  const p::D3DFORMAT format = wide ? p::D3DFMT_X8R8G8B8 : p::D3DFMT_X1R5G5B5;
  const std::size_t rowBytes = static_cast<std::size_t>(texture->width) * (wide ? 4 : 2);
  if (!texture->stagingSurface) {
    p::Direct3DDevice9* device = ScreenStateGet().device;
    if (!device) return nullptr;
    p::Ref<p::Direct3DSurface9> staging;
    if (device->CreateOffscreenPlainSurface(
            static_cast<std::uint32_t>(texture->width), static_cast<std::uint32_t>(texture->height),
            format, p::D3DPOOL_SYSTEMMEM, staging.Put(), nullptr) != p::D3D_OK ||
        !staging)
      return nullptr;
    texture->stagingSurface = staging.Detach();
  }
  // The staging surface holds a copy of the colours; a lock that fails leaves whatever the
  // surface held before, which is what a device context on it would show too.
  p::D3DLOCKED_RECT level;
  if (texture->levelSurface->LockRect(&level, nullptr, p::D3DLOCK_READONLY) == p::D3D_OK) {
    p::D3DLOCKED_RECT staging;
    if (texture->stagingSurface->LockRect(&staging, nullptr, 0) == p::D3D_OK) {
      for (std::int32_t r = 0; r < texture->height; ++r)
        std::memcpy(Row<std::uint8_t>(staging, r), Row<std::uint8_t>(level, r), rowBytes);
      texture->stagingSurface->UnlockRect();
    }
    texture->levelSurface->UnlockRect();
  }
  p::DeviceContext dc = nullptr;
  if (texture->stagingSurface->GetDC(&dc) != p::D3D_OK) dc = nullptr;
  texture->dc = dc;
  return dc;
}

std::int32_t SpriteTextureReleaseDC(SpriteTexture* texture, std::int32_t readOnly) {
  if (!texture->dc) return 0;
  if (texture->stagingSurface->ReleaseDC(texture->dc) == p::D3D_OK && !readOnly) {
    p::D3DLOCKED_RECT level;
    if (texture->levelSurface->LockRect(&level, nullptr, 0) == p::D3D_OK) {
      p::D3DLOCKED_RECT staging;
      if (texture->stagingSurface->LockRect(&staging, nullptr, p::D3DLOCK_READONLY) == p::D3D_OK) {
        if (texture->kind == kSpriteTextureKind32) {
          const std::uint32_t key = MaskKey32(texture->maskColor);
          for (std::int32_t r = 0; r < texture->height; ++r)
            TexelRowWriteBack32(Row<std::uint32_t>(level, r), Row<std::uint32_t>(staging, r),
                                texture->width, key);
        } else {
          const std::uint32_t key = MaskKey16(texture->maskColor);
          for (std::int32_t r = 0; r < texture->height; ++r)
            TexelRowWriteBack16(Row<std::uint16_t>(level, r), Row<std::uint16_t>(staging, r),
                                texture->width, key);
        }
        texture->stagingSurface->UnlockRect();
      }
      texture->levelSurface->UnlockRect();
    }
  }
  texture->dc = nullptr;
  return texture->texture ? 1 : 0;
}

}  // namespace engine
