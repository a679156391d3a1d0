#include "runtime/main_heap.h"
#include "screen/screen.h"
#include "sprite/sprite_texel.h"
#include "sprite_fixture.h"

namespace sprite_test {
namespace {

using engine::ColorRGB;
using engine::SpriteLookup;

constexpr std::uint32_t kMagenta = ColorRGB(255, 0, 255);

// A 6 x 4 sheet: black, magenta and a few colours.
Pixels Sheet() {
  Pixels p = PixelsFill(6, 4, 0xFF000000);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      if ((x + y) % 3 == 1)
        p.At(x, y) = 0xFFFF00FF;
      else if ((x + y) % 3 == 2)
        p.At(x, y) = 0xFF000000u | (x * 40) << 16 | (y * 60) << 8 | 7;
  return p;
}

class SpriteCopyTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    Open();
  }
  std::vector<std::uint32_t> Texels(engine::ObjectId n) {
    std::vector<std::uint32_t> out;
    const engine::SpriteRecord& r = Record(n);
    for (int y = 0; y < r.fullHeight; ++y)
      for (int x = 0; x < r.fullWidth; ++x) out.push_back(Texel(n, x, y));
    return out;
  }
};

TEST_F(SpriteCopyTest, CopyTakesColoursAndMaskButNotTheClip) {
  ASSERT_NE(Load(0, Sheet()), nullptr);
  ASSERT_NE(engine::SpriteClip(0, 1, 1, 2, 2), nullptr);
  const std::vector<std::uint32_t> source = Texels(0);

  engine::SpriteRecord* copy = engine::SpriteCopy(0, 1);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy, SpriteLookup(1));
  EXPECT_EQ(copy->fullWidth, 6);
  EXPECT_EQ(copy->fullHeight, 4);
  EXPECT_EQ(copy->width, 6);
  EXPECT_EQ(copy->height, 4);
  EXPECT_EQ(copy->clipX, 0);
  EXPECT_EQ(copy->clipY, 0);
  EXPECT_EQ(copy->texCoords[6], 1.0f);
  EXPECT_EQ(copy->depth, 32);
  EXPECT_EQ(copy->texture->maskColor, 0u);
  EXPECT_EQ(Texels(1), source);
  EXPECT_EQ(Texels(0), source);  // the source is untouched, alpha included

  // A mask colour of the copy's own changes the copy only.
  engine::SpriteSetMaskColor(1, kMagenta);
  const std::vector<std::uint32_t> masked = Texels(1);
  for (std::size_t i = 0; i < masked.size(); ++i) {
    const std::uint32_t colour = source[i] & 0xFFFFFF;
    EXPECT_EQ(masked[i], colour == 0xFF00FF ? colour : colour | 0xFF000000) << i;
  }
  EXPECT_EQ(Texels(0), source);
}

TEST_F(SpriteCopyTest, CopyOntoALiveNumberReplacesIt) {
  ASSERT_NE(Load(0, Sheet()), nullptr);
  ASSERT_NE(Load(2, PixelsFill(30, 30, 0xFF123456)), nullptr);
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  ASSERT_NE(engine::SpriteCopy(0, 2), nullptr);
  EXPECT_EQ(Record(2).fullWidth, 6);
  EXPECT_EQ(Texels(2), Texels(0));
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);  // the old texture record went
}

TEST_F(SpriteCopyTest, AbsentSourceLeavesTheDestinationAlone) {
  ASSERT_NE(Load(2, Sheet()), nullptr);
  EXPECT_EQ(engine::SpriteCopy(5, 2), nullptr);
  EXPECT_EQ(engine::SpriteCopy(engine::ObjectIdAuto, 2), nullptr);
  EXPECT_NE(SpriteLookup(2), nullptr);
}

TEST_F(SpriteCopyTest, CopyOntoItsOwnNumberKeepsTheImage) {
  ASSERT_NE(Load(3, Sheet()), nullptr);
  ASSERT_NE(engine::SpriteClip(3, 2, 2, 1, 1), nullptr);
  const std::vector<std::uint32_t> before = Texels(3);
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  engine::SpriteRecord* copy = engine::SpriteCopy(3, 3);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy, SpriteLookup(3));
  EXPECT_EQ(copy->width, 6);
  EXPECT_EQ(Texels(3), before);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);

  // A copy onto itself that fails loses nothing.
  ASSERT_NE(engine::SpriteClip(3, 1, 1, 2, 2), nullptr);
  Device().CreateTextureFailSet(true);
  EXPECT_EQ(engine::SpriteCopy(3, 3), nullptr);
  Device().CreateTextureFailSet(false);
  ASSERT_EQ(SpriteLookup(3), copy);
  EXPECT_EQ(copy->width, 2);
  EXPECT_EQ(Texels(3), before);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);
}

TEST_F(SpriteCopyTest, ModesOfTheCopy) {
  ASSERT_NE(Load(0, Sheet()), nullptr);
  ASSERT_NE(Load(4, Sheet()), nullptr);
  // Mode 2 copies only a sprite that was made with mode 2.
  EXPECT_EQ(engine::SpriteCopy(0, 4, 2), nullptr);
  EXPECT_NE(SpriteLookup(4), nullptr);
  ASSERT_NE(Load(5, Sheet(), false, 2), nullptr);
  EXPECT_NE(engine::SpriteCopy(5, 6, 2), nullptr);
  // The alpha bit without its permit cannot make a sprite; the number ends up empty.
  EXPECT_EQ(engine::SpriteCopy(0, 4, 8), nullptr);
  EXPECT_EQ(SpriteLookup(4), nullptr);
  // Mode 12 takes the source's alpha as it is and makes no mask pass.
  engine::SpriteRecord* copy = engine::SpriteCopy(0, 4, 12);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->mode, 12u);
  EXPECT_EQ(copy->texture->maskColor, engine::kMaskColorNone);
  EXPECT_EQ(Texels(4), Texels(0));
}

TEST_F(SpriteCopyTest, ImageAlphaTravelsWithTheCopy) {
  Pixels image = PixelsFill(3, 1, 0x80FFFFFF);  // half-transparent white
  image.At(1, 0) = 0x00000000;
  image.At(2, 0) = 0xFF00FF00;
  ASSERT_NE(Load(0, image, true, 12), nullptr);
  ASSERT_NE(engine::SpriteCopy(0, 1), nullptr);
  EXPECT_EQ(Texels(1), Texels(0));
  EXPECT_EQ(Texel(1, 0, 0), 0x80FFFFFFu);
  EXPECT_EQ(Record(1).texture->maskColor, engine::kMaskColorNone);
}

TEST_F(SpriteCopyTest, SixteenBitCopyKeepsColoursAndMask) {
  engine::ScreenClose();
  ASSERT_EQ(engine::ScreenOpen(640, 480, 16, "sprites"), 1);
  ASSERT_NE(Load(0, Sheet()), nullptr);
  engine::SpriteSetMaskColor(0, kMagenta);
  ASSERT_NE(engine::SpriteCopy(0, 1), nullptr);
  EXPECT_EQ(Record(1).depth, 16);
  EXPECT_EQ(Record(1).texture->maskColor, kMagenta);
  EXPECT_EQ(Texels(1), Texels(0));
}

TEST_F(SpriteCopyTest, WithoutADeviceContextTheDestinationStaysUnwritten) {
  ASSERT_NE(Load(0, Sheet()), nullptr);
  Device().CreateSurfaceFailSet(true);  // no staging surface for the source's context
  EXPECT_EQ(engine::SpriteCopy(0, 1), nullptr);
  ASSERT_NE(SpriteLookup(1), nullptr);
  EXPECT_EQ(Texel(1, 1, 0), 0u);
  Device().CreateSurfaceFailSet(false);

  Device().CreateTextureFailSet(true);
  EXPECT_EQ(engine::SpriteCopy(0, 1), nullptr);
  EXPECT_EQ(SpriteLookup(1), nullptr);
}

// Fails the first, second, ... heap allocation of a copy until one succeeds: a fresh slot
// number, one that grows the table and an automatic number each allocate differently. Every
// failed copy returns 0 with the number empty and the source untouched, and nothing leaks.
TEST_F(SpriteCopyTest, EveryAllocationFailureOfACopyIsClean) {
  ASSERT_NE(Load(0, Sheet()), nullptr);
  const std::vector<std::uint32_t> source = Texels(0);
  engine::Heap& heap = *engine::MainHeap();
  for (engine::ObjectId destination :
       {engine::ObjectId{1}, engine::ObjectId{200}, engine::ObjectIdAuto}) {
    SCOPED_TRACE(testing::Message() << "destination " << destination);
    const std::size_t blocks = heap.LiveBlockCount();
    engine::SpriteRecord* made = nullptr;
    std::uint64_t n = 1;
    for (; n < 20 && !made; ++n) {
      heap.FailAllocation(n);
      made = engine::SpriteCopy(0, destination);
      heap.FailAllocation(0);
      if (made) break;
      if (destination != engine::ObjectIdAuto) {
        EXPECT_EQ(SpriteLookup(destination), nullptr);
      }
      EXPECT_EQ(Texels(0), source);
    }
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(n, 3u);  // two allocations could fail: the record (or the slots) and the texture
    EXPECT_EQ(Texels(destination == engine::ObjectIdAuto ? reinterpret_cast<engine::ObjectId>(made)
                                                         : destination),
              source);
    engine::SpriteRelease(destination == engine::ObjectIdAuto
                              ? reinterpret_cast<engine::ObjectId>(made)
                              : destination);
    // Only a slot number's record (and the slot array, grown in place of the old one) stays.
    EXPECT_EQ(heap.LiveBlockCount(), blocks + (destination == engine::ObjectIdAuto ? 0 : 1));
  }
}

}  // namespace
}  // namespace sprite_test
