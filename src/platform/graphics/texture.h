#pragma once

// A texture of the software device: one or more levels, each a Direct3DSurface9 of exactly the
// requested size (level n is max(1, size >> n)); drawing samples level 0. Textures belong to no
// device state that Reset discards, so every pool survives a reset. Main thread only.

#include <cstdint>
#include <vector>

#include "platform/graphics/graphics.h"
#include "platform/graphics/ref_counted.h"
#include "platform/graphics/surface.h"

namespace platform {

class Direct3DTexture9 final : public RefCounted {
 public:
  // Null for an unsupported format or size or a failed allocation; levels 0 means a full chain.
  static Direct3DTexture9* Create(int width, int height, std::uint32_t levels, std::uint32_t usage,
                                  D3DFORMAT format, std::uint32_t pool);

  // Levels of a full chain for the size: the larger side halved down to 1.
  static std::uint32_t FullChainLevels(int width, int height);

  std::uint32_t GetLevelCount() const { return static_cast<std::uint32_t>(levels_.size()); }
  // A new reference to the level's surface; D3DERR_INVALIDCALL for a level out of range.
  HRESULT GetSurfaceLevel(std::uint32_t level, Direct3DSurface9** out);
  HRESULT GetLevelDesc(std::uint32_t level, D3DSURFACE_DESC* desc) const;
  // LockRect / UnlockRect of one level, as on its surface.
  HRESULT LockRect(std::uint32_t level, D3DLOCKED_RECT* locked, const RECT* rect,
                   std::uint32_t flags);
  HRESULT UnlockRect(std::uint32_t level);

  // For the software device: level 0.
  Direct3DSurface9& Level0() { return *levels_.front().Get(); }

 private:
  explicit Direct3DTexture9(std::vector<Ref<Direct3DSurface9>> levels)
      : levels_(std::move(levels)) {}
  ~Direct3DTexture9() override = default;

  std::vector<Ref<Direct3DSurface9>> levels_;
};

}  // namespace platform
