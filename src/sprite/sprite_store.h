#pragma once

// The sprite store: the table of numbered sprites, their records and the module-level default
// mask colour. Main thread only.

#include <cstdint>

#include "runtime/object_table.h"
#include "sprite/sprite.h"
#include "sprite/sprite_texture.h"

namespace engine {

// Mode bits of a sprite.
inline constexpr std::uint32_t kSpriteModeAlphaPermit = 4;  // lets kSpriteModeAlpha take effect
inline constexpr std::uint32_t kSpriteModeAlpha = 8;        // alpha from the image, no mask pass
inline constexpr std::uint32_t kSpriteModeAlphaBits = kSpriteModeAlphaPermit | kSpriteModeAlpha;

// One sprite: its texture and the rectangle of the image that is shown.
struct SpriteRecord {
  SpriteTexture* texture;  // first field: nonzero while the sprite exists
  std::int32_t width;      // shown size: the clip rectangle's
  std::int32_t height;
  std::int32_t depth;      // 16 or 32, the texel size in bits
  std::uint32_t mode;      // the mode bits the sprite was created with
  std::int32_t fullWidth;  // the whole image (and texture)
  std::int32_t fullHeight;
  std::int32_t clipX;  // the clip rectangle's top-left corner in image pixels
  std::int32_t clipY;
  // (u, v) of the clip rectangle's corners: top-left, top-right, bottom-left, bottom-right.
  float texCoords[8];
};

// The sprite table, made by SpriteSystemInit.
extern ObjectTable* SpriteTable;

// The ColorRGB mask colour every newly loaded sprite gets; black at program start.
extern std::uint32_t DefaultMaskColor;

// The live sprite of `number`, or null.
inline SpriteRecord* SpriteLookup(ObjectId number) {
  return static_cast<SpriteRecord*>(ObjectTableLookup(SpriteTable, number));
}

// Creates the texture of a width x height sprite of `depth` bits (above 16: 32-bit texels, else
// 16-bit) and fills the record: the whole image shown, mode kept. Returns the new texture, or
// null with the record untouched (also for mode bit 8 without bit 4).
SpriteTexture* SpriteRecordInit(SpriteRecord* record, std::int32_t width, std::int32_t height,
                                std::int32_t depth, std::uint32_t mode);

// Undoes a creation under ObjectIdAuto that failed: frees whatever texture the record got and
// the record itself. Without this the record would stay in the table under a number that no
// caller was given, and not even a release of every sprite would find it (its texture may be
// zero).
void SpriteAutoDiscard(SpriteRecord* record);

// SpriteRelease (sprite.h) is the table's release callback: it frees the sprite's texture and
// forgets its number.

}  // namespace engine
