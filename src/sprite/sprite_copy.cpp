#include <cstdint>

#include "sprite/sprite.h"
#include "sprite/sprite_store.h"
#include "sprite/sprite_texel.h"

namespace engine {

namespace {

namespace p = platform;

// A mode that only a source created with the same mode may be copied with.
constexpr std::uint32_t kSpriteModeExact = 2;

// Gives `target` the alpha channel of `source` (same size and kind), colours untouched.
void AlphaCopy(SpriteTexture* target, SpriteTexture* source) {
  p::D3DLOCKED_RECT to, from;
  if (target->levelSurface->LockRect(&to, nullptr, 0) != p::D3D_OK) return;
  if (source->levelSurface->LockRect(&from, nullptr, p::D3DLOCK_READONLY) == p::D3D_OK) {
    for (std::int32_t r = 0; r < target->height; ++r) {
      auto* out = static_cast<std::uint8_t*>(to.pBits) + static_cast<std::ptrdiff_t>(r) * to.Pitch;
      const auto* in = static_cast<const std::uint8_t*>(from.pBits) +
                       static_cast<std::ptrdiff_t>(r) * from.Pitch;
      if (target->kind == kSpriteTextureKind32) {
        auto* t = reinterpret_cast<std::uint32_t*>(out);
        auto* s = reinterpret_cast<const std::uint32_t*>(in);
        for (std::int32_t i = 0; i < target->width; ++i)
          t[i] = (t[i] & 0x00FFFFFFu) | (s[i] & 0xFF000000u);
      } else {
        auto* t = reinterpret_cast<std::uint16_t*>(out);
        auto* s = reinterpret_cast<const std::uint16_t*>(in);
        for (std::int32_t i = 0; i < target->width; ++i)
          t[i] = static_cast<std::uint16_t>((t[i] & 0x7FFFu) | (s[i] & 0x8000u));
      }
    }
    source->levelSurface->UnlockRect();
  }
  target->levelSurface->UnlockRect();
}

// Fills `record` with a new sprite holding the whole image of `source`. The colours travel
// through the two textures' device contexts; the alpha is then made by the source's mask colour.
// Returns the record, or null (with the record live but unwritten when a context was missing).
SpriteRecord* CopyInto(SpriteRecord* record, const SpriteRecord& source, std::uint32_t mode) {
  SpriteTexture* texture =
      SpriteRecordInit(record, source.fullWidth, source.fullHeight, source.depth, mode);
  if (!texture) return nullptr;
  SpriteTexture* from = source.texture;
  const p::DeviceContext sourceDC = SpriteTextureGetDC(from);
  if (!sourceDC) return nullptr;
  SpriteRecord* result = nullptr;
  if (const p::DeviceContext dc = SpriteTextureGetDC(texture)) {
    p::BitBlt(dc, 0, 0, source.fullWidth, source.fullHeight, sourceDC, 0, 0, p::SRCCOPY);
    SpriteTextureReleaseDC(texture, 0);
    result = record;
  }
  // Read-only: the source keeps its texels, colour and alpha, exactly as they were.
  SpriteTextureReleaseDC(from, 1);
  if (!result) return nullptr;
  // A source that never had a mask pass shows its image's own alpha, and a copy made with the
  // alpha bit asks for the source's alpha as it is; a mask pass could only approximate either
  // (with no mask colour it would make every white texel transparent), so the alpha is copied.
  if ((mode & kSpriteModeAlpha) || from->maskColor == kMaskColorNone)
    AlphaCopy(texture, from);
  else
    SpriteTextureApplyMask(texture, from->maskColor);
  return result;
}

}  // namespace

SpriteRecord* SpriteCopy(ObjectId source, ObjectId destination, std::uint32_t mode) {
  SpriteRecord* from = SpriteLookup(source);
  if (!from) return nullptr;
  if (mode == kSpriteModeExact && from->mode != kSpriteModeExact) return nullptr;
  if (source != destination) {
    // A live destination is released by the acquire, so a failure from here on leaves it empty.
    auto* record = static_cast<SpriteRecord*>(ObjectTableAcquire(SpriteTable, destination));
    if (!record) return nullptr;
    SpriteRecord* result = CopyInto(record, *from, mode);
    if (!result && destination == ObjectIdAuto) SpriteAutoDiscard(record);
    return result;
  }
  // Copying a sprite onto its own number: acquiring the number would free the source before it
  // is read, so the copy is made first and takes the number's place only once it is complete; a
  // copy that fails leaves the sprite as it was.
  SpriteRecord copy{};
  if (!CopyInto(&copy, *from, mode)) {
    SpriteTextureFree(copy.texture);
    return nullptr;
  }
  auto* record = static_cast<SpriteRecord*>(ObjectTableAcquire(SpriteTable, destination));
  if (!record) {
    SpriteTextureFree(copy.texture);
    return nullptr;
  }
  *record = copy;
  return record;
}

}  // namespace engine
