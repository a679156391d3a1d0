#include "platform/graphics/texture.h"

#include <algorithm>
#include <new>

namespace platform {

Direct3DTexture9* Direct3DTexture9::Create(int width, int height, std::uint32_t levels,
                                           std::uint32_t usage, D3DFORMAT format,
                                           std::uint32_t pool) {
  if (FormatBytes(format) == 0 || width < 1 || height < 1 || width > Direct3DSurface9::kMaxSize ||
      height > Direct3DSurface9::kMaxSize) {
    return nullptr;
  }
  std::uint32_t fullChain = FullChainLevels(width, height);
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) return nullptr;

  std::vector<Ref<Direct3DSurface9>> surfaces;
  try {
    surfaces.reserve(levels);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (std::uint32_t level = 0; level < levels; ++level) {
    Ref<Direct3DSurface9> surface(Direct3DSurface9::Create(
        std::max(1, width >> level), std::max(1, height >> level), format, pool, usage));
    if (!surface) return nullptr;
    surfaces.push_back(std::move(surface));
  }
  return new (std::nothrow) Direct3DTexture9(std::move(surfaces));
}

std::uint32_t Direct3DTexture9::FullChainLevels(int width, int height) {
  std::uint32_t levels = 1;
  for (int side = std::max(width, height); side > 1; side >>= 1) ++levels;
  return levels;
}

HRESULT Direct3DTexture9::GetSurfaceLevel(std::uint32_t level, Direct3DSurface9** out) {
  if (!out || level >= levels_.size()) return D3DERR_INVALIDCALL;
  *out = Ref<Direct3DSurface9>(levels_[level]).Detach();
  return D3D_OK;
}

HRESULT Direct3DTexture9::GetLevelDesc(std::uint32_t level, D3DSURFACE_DESC* desc) const {
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  return levels_[level]->GetDesc(desc);
}

HRESULT Direct3DTexture9::LockRect(std::uint32_t level, D3DLOCKED_RECT* locked, const RECT* rect,
                                   std::uint32_t flags) {
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  return levels_[level]->LockRect(locked, rect, flags);
}

HRESULT Direct3DTexture9::UnlockRect(std::uint32_t level) {
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  return levels_[level]->UnlockRect();
}

}  // namespace platform
