#pragma once

// Sprites: numbered images of the open screen, loaded from image files, copied, clipped to a
// rectangle of their image, given a transparent mask colour, drawn and tested for overlap.
// Sprites exist only while a screen is open (closing it frees them all). Every call is for the
// main thread only. Numbers are 0 and up, or ObjectIdAuto where a call creates a sprite: the
// returned record, cast to ObjectId, is then the new sprite's number.

#include <cstdint>
#include <span>

#include "runtime/object_id.h"

namespace engine {

// A sprite's record (sprite/sprite_store.h); its address is what creating calls return.
struct SpriteRecord;

// Loads the image file at `path` as sprite `number` at the screen's depth; its texels of
// DefaultMaskColor are transparent (mode 12: a 32-bit image keeps its own alpha instead).
// Returns the sprite's record, or 0. A file that cannot be opened or read into memory leaves the
// number as it was; any later failure leaves it empty.
SpriteRecord* SpriteLoad(ObjectId number, const char* path, std::uint32_t mode = 0);
// SpriteLoad from the bytes of an image file held in memory; the decoders read no further than
// `bytes`. Returns the record, or 0 with the number empty.
SpriteRecord* SpriteFromMemory(ObjectId number, std::span<const std::uint8_t> bytes,
                               std::uint32_t mode = 0);

// Makes `destination` a copy of the whole image of `source`, colours and mask colour, showing the
// whole image. Returns the destination's record, or 0 (absent source: destination untouched).
SpriteRecord* SpriteCopy(ObjectId source, ObjectId destination, std::uint32_t mode = 0);
// Shows (and collides with) only the given rectangle of the sprite's image, clamped to the
// image; (-1, -1, -1, -1) shows the whole image. Returns the record, or 0 for an absent sprite.
SpriteRecord* SpriteClip(ObjectId number, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height);
// Makes texels of the ColorRGB `color` transparent in sprite `number` (and every other texel
// opaque); number -1 sets DefaultMaskColor for sprites loaded later. Absent sprites: nothing.
void SpriteSetMaskColor(ObjectId number, std::uint32_t color);

// Draws the sprite's shown rectangle with its top-left corner at screen (x, y), one texel per
// pixel, blended by its alpha; later draws cover earlier ones. The first draw of a frame begins
// the scene. An absent sprite draws nothing.
void SpriteDraw(ObjectId number, std::int32_t x, std::int32_t y);

// Frees sprite `number`; ObjectIdAuto frees every sprite. An absent number: nothing.
void SpriteRelease(ObjectId number);

// 1 when the shown rectangles of the two sprites at the two positions share a pixel, else 0
// (also when either sprite is absent). Needs no screen.
std::int32_t SpriteCollide(ObjectId number1, std::int32_t x1, std::int32_t y1, ObjectId number2,
                           std::int32_t x2, std::int32_t y2);

}  // namespace engine
