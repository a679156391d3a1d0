#include "sprite/sprite_store.h"

namespace engine {

ObjectTable* SpriteTable = nullptr;
std::uint32_t DefaultMaskColor = 0;

SpriteTexture* SpriteRecordInit(SpriteRecord* record, std::int32_t width, std::int32_t height,
                                std::int32_t depth, std::uint32_t mode) {
  // The image-alpha bit only counts together with the bit that permits it; alone it is refused.
  if ((mode & kSpriteModeAlphaBits) == kSpriteModeAlpha) return nullptr;
  const std::int32_t kind = depth > 16 ? kSpriteTextureKind32 : kSpriteTextureKind16;
  SpriteTexture* texture = SpriteTextureCreate(width, height, kind);
  if (!texture) return nullptr;
  record->texture = texture;
  record->width = record->fullWidth = width;
  record->height = record->fullHeight = height;
  record->depth = kind == kSpriteTextureKind32 ? 32 : 16;
  record->mode = mode;
  record->clipX = record->clipY = 0;
  static constexpr float kWhole[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  for (int i = 0; i < 8; ++i) record->texCoords[i] = kWhole[i];
  return texture;
}

void SpriteAutoDiscard(SpriteRecord* record) {
  SpriteTextureFree(record->texture);
  ObjectTableRelease(SpriteTable, reinterpret_cast<ObjectId>(record));
}

void SpriteRelease(ObjectId number) {
  if (number == ObjectIdAuto) {
    ObjectTableFreeAll(SpriteTable);
    return;
  }
  SpriteRecord* record = SpriteLookup(number);
  if (!record) return;
  SpriteTextureFree(record->texture);
  ObjectTableRelease(SpriteTable, number);
}

}  // namespace engine
