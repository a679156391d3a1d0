// Run-length BMP data through the sprite loader. The data need not cover every pixel: rows it
// skips with a delta or never reaches keep what the decode buffer held, and the loader hands the
// decoder a buffer that holds black, so a sprite never shows whatever memory the heap had handed
// out before (which differed from run to run and between builds: the same file gave different
// sprites). And since a tiny file could claim a huge image that way, a header that claims far
// more pixels than its data can cover is refused before anything is allocated for it (the fuzz
// target found a 138-byte file claiming 11016 x 4100 pixels; tests/image/regressions keeps it).

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <utility>
#include <vector>

#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "runtime/main_heap.h"
#include "screen/media_window.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite/sprite.h"
#include "sprite/sprite_store.h"
#include "support/engine_fixture.h"

namespace reliability {
namespace {

class RunLengthTest : public testing_support::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine::ScreenStateForget();
    engine::ImageDecodeInit();
    engine::BmpDecoderRegister();
    ASSERT_EQ(engine::SpriteSystemInit(), 1);
    ASSERT_EQ(engine::ScreenOpen(640, 480, 32, "test"), 1);
  }
  void TearDown() override {
    engine::SpriteSystemEnd();
    engine::ScreenStateForget();
    EngineTest::TearDown();
  }
  static std::uint32_t Texel(engine::ObjectId number, int x, int y) {
    const platform::Direct3DSurface9& level = *engine::SpriteLookup(number)->texture->levelSurface;
    std::uint32_t v;
    std::memcpy(&v, level.Pixels() + static_cast<std::ptrdiff_t>(y) * level.Pitch() + x * 4, 4);
    return v;
  }
};

// A width x height bitmap, 8 bits per pixel, run-length coded: two pixels of colour 1 at the
// start of the bottom row, then the end of the bitmap. Colour 1 is (16, 32, 48).
std::vector<std::uint8_t> RunLengthBitmap(std::int32_t width = 4, std::int32_t height = 2) {
  std::vector<std::uint8_t> b(14 + 40 + 2 * 4);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(10, 14 + 40 + 2 * 4);  // pixel data after a two-entry colour table
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  b[26] = 1;
  b[28] = 8;
  put32(30, 1);
  const std::uint8_t table[] = {0, 0, 0, 0, 48, 32, 16, 0};
  std::memcpy(b.data() + 54, table, sizeof table);
  for (std::uint8_t v : {2, 1, 0, 1}) b.push_back(v);
  return b;
}

TEST_F(RunLengthTest, PixelsNoRunCoversAreBlackWhateverTheHeapHeld) {
  // Freed blocks of the decode buffer's size, full of a colour, for the allocator to hand out
  // again. (The address-sanitizer build fills new blocks with a pattern of its own.)
  constexpr std::size_t kDecodeBufferBytes = (2 + 1) * 12;
  std::vector<void*> dirty;
  for (int i = 0; i < 256; ++i) {
    dirty.push_back(engine::MainHeapAllocPlain(kDecodeBufferBytes));
    std::memset(dirty.back(), 0xA5, kDecodeBufferBytes);
  }
  for (void* block : dirty) engine::MainHeapFree(block);

  ASSERT_NE(engine::SpriteFromMemory(0, RunLengthBitmap()), nullptr);
  // Texture row 0 is the image's top row, which no run reached; black is the default mask
  // colour, so those texels are transparent black.
  for (int x = 0; x < 4; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(Texel(0, x, 0), 0x00000000u);
    EXPECT_EQ(Texel(0, x, 1), x < 2 ? 0xFF102030u : 0x00000000u);
  }
}

long PeakResidentKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(RunLengthTest, AHeaderClaimingMorePixelsThanItsDataCanCoverIsRefused) {
  // Four bytes of data may claim 65536 + 4 x 128 pixels, 256 x 258, and no more.
  ASSERT_NE(engine::SpriteFromMemory(0, RunLengthBitmap(256, 258)), nullptr);
  EXPECT_EQ(engine::SpriteFromMemory(0, RunLengthBitmap(257, 257)), nullptr);
  const long peakBefore = PeakResidentKib();
  for (auto [width, height] : {std::pair{16384, 16384}, std::pair{11016, 4100}}) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    EXPECT_EQ(engine::SpriteFromMemory(0, RunLengthBitmap(width, height)), nullptr);
    EXPECT_EQ(engine::SpriteLookup(0), nullptr);
  }
  // Nothing the size of those images was ever allocated.
  EXPECT_LT(PeakResidentKib() - peakBefore, 16 * 1024);
}

}  // namespace
}  // namespace reliability
