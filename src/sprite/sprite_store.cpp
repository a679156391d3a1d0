#include "sprite/sprite_store.h"

#include "runtime/main_heap.h"

namespace engine {

ObjectTable* SpriteTable = nullptr;

void SpriteTextureFree(SpriteTexture* texture) {
  if (!texture) return;
  if (texture->texture) texture->texture->Release();
  if (texture->levelSurface) texture->levelSurface->Release();
  if (texture->stagingSurface) texture->stagingSurface->Release();
  MainHeapFree(texture);
}

void SpriteRelease(ObjectId number) {
  if (number == ObjectIdAuto) {
    ObjectTableFreeAll(SpriteTable);
    return;
  }
  auto* record = static_cast<SpriteRecord*>(ObjectTableLookup(SpriteTable, number));
  if (!record) return;
  SpriteTextureFree(record->texture);
  ObjectTableRelease(SpriteTable, number);
}

}  // namespace engine
