// Arbitrary bytes through the sprite loader on a headless 640 x 480 screen, with the BMP and PNG
// decoders registered in the game's order. A sprite that loads is also drawn, copied and masked,
// and every input must give its heap blocks back once its sprites are released.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "image/png_decoder.h"
#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "screen/screen.h"
#include "sprite/sprite.h"

namespace {

bool Start() {
  platform::HeadlessHost::Options options;
  options.audio = platform::HeadlessHost::Audio::None;
  static platform::HeadlessHost host(options);
  platform::HostInstall(&host);
  engine::MainHeapCreate();
  engine::ImageDecodeInit();
  engine::BmpDecoderRegister();
  engine::PngDecoderRegister();
  if (!engine::SpriteSystemInit() || !engine::ScreenOpen(640, 480, 32, "fuzz")) std::abort();
  // Slot records stay attached to their numbers once acquired; acquire the two used below now,
  // so that every input has to give back exactly the blocks it took.
  engine::SpriteFromMemory(0, {});
  engine::SpriteFromMemory(1, {});
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = Start();
  (void)started;
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  const std::span<const std::uint8_t> bytes(data, size);
  if (engine::SpriteFromMemory(0, bytes)) {
    engine::SpriteDraw(0, 10, 10);
    engine::SpriteClip(0, 1, 1, 7, 7);
    engine::SpriteDraw(0, -3, 475);
    engine::SpriteCopy(0, 1);
    engine::SpriteSetMaskColor(1, engine::ColorRGB(255, 0, 255));
    engine::SpriteDraw(1, 600, 100);
  }
  // The image's own alpha, under a number the table makes up.
  engine::SpriteFromMemory(engine::ObjectIdAuto, bytes, 12);
  engine::SpriteRelease(engine::ObjectIdAuto);
  if (engine::MainHeap()->LiveBlockCount() != blocks) std::abort();
  return 0;
}
