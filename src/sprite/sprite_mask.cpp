#include <cstdint>

#include "sprite/sprite.h"
#include "sprite/sprite_store.h"

namespace engine {

void SpriteSetMaskColor(ObjectId number, std::uint32_t color) {
  color &= 0x00FFFFFFu;
  if (number == ObjectIdAuto) {
    // Only sprites loaded from now on are affected; existing ones keep their mask.
    DefaultMaskColor = color;
    return;
  }
  if (SpriteRecord* record = SpriteLookup(number)) SpriteTextureApplyMask(record->texture, color);
}

}  // namespace engine
