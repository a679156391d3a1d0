#include <cstdint>

#include "sprite/sprite.h"
#include "sprite/sprite_store.h"

namespace engine {

std::int32_t SpriteCollide(ObjectId number1, std::int32_t x1, std::int32_t y1, ObjectId number2,
                           std::int32_t x2, std::int32_t y2) {
  const SpriteRecord* first = SpriteLookup(number1);
  if (!first) return 0;
  const SpriteRecord* second = SpriteLookup(number2);
  if (!second) return 0;
  // Half-open rectangles [x, x + w) x [y, y + h) in 64 bits: edges that only touch do not
  // collide, and no position can wrap an edge around.
  const std::int64_t left1 = x1, top1 = y1, left2 = x2, top2 = y2;
  if (left2 >= left1 + first->width) return 0;
  if (left2 + second->width <= left1) return 0;
  if (top2 + second->height <= top1) return 0;
  if (top2 >= top1 + first->height) return 0;
  return 1;
}

}  // namespace engine
