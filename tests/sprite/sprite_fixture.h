#pragma once

// An open 640 x 480 screen with the BMP and PNG decoders registered, on a fresh heap and
// headless host, plus helpers that make images and read texels and screen pixels back.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/object_id.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite/sprite.h"
#include "sprite/sprite_store.h"
#include "support/engine_fixture.h"

namespace sprite_test {

// An image as 0xAARRGGBB words, top row first.
struct Pixels {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> argb;

  std::uint32_t& At(int x, int y) { return argb[static_cast<std::size_t>(y) * width + x]; }
};
Pixels PixelsFill(std::int32_t width, std::int32_t height, std::uint32_t argb);

// A PNG file of the pixels: red, green, blue and, when `alpha`, alpha (else alpha is dropped and
// the image decodes at 24 bits).
std::vector<std::uint8_t> PngEncode(const Pixels& pixels, bool alpha);
// A bottom-up 24-bit BMP file of the pixels (alpha dropped).
std::vector<std::uint8_t> BmpEncode(const Pixels& pixels);
// Writes bytes to a file under the test's temporary folder and returns its path.
std::string FileWrite(const std::string& name, const std::vector<std::uint8_t>& bytes);

class SpriteTest : public testing_support::EngineTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the sprite system and opens the screen at `depth` bits.
  void Open(std::int32_t depth = 32);

  platform::Direct3DDevice9& Device() { return *engine::ScreenStateGet().device; }
  // The sprite's record, checked to be live.
  engine::SpriteRecord& Record(engine::ObjectId number);
  // Loads the pixels as a PNG (32-bit with `alpha`, else 24-bit) into sprite `number`.
  engine::SpriteRecord* Load(engine::ObjectId number, const Pixels& pixels, bool alpha = false,
                             std::uint32_t mode = 0);
  // Texel (x, y) of a sprite's texture, as stored: 0xAARRGGBB or an A1R5G5B5 word.
  std::uint32_t Texel(engine::ObjectId number, int x, int y);
  // Back-buffer pixel (x, y) as 0x00RRGGBB (32-bit screens) or the 16-bit word.
  std::uint32_t ScreenPixel(int x, int y);
  // Fills the back buffer with one 0x00RRGGBB colour.
  void ScreenFill(std::uint32_t rgb);
};

}  // namespace sprite_test
