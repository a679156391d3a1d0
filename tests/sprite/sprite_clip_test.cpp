#include <limits>

#include "sprite_fixture.h"

namespace sprite_test {
namespace {

using engine::ColorRGB;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

class SpriteClipTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    Open();
    ASSERT_NE(Load(0, PixelsFill(96, 64, 0xFF204060)), nullptr);
  }
};

TEST_F(SpriteClipTest, ClipIsClampedToTheImage) {
  struct Case {
    std::int32_t x, y, width, height;
    std::int32_t clipX, clipY, shownWidth, shownHeight;
  };
  const Case cases[] = {
      {-1, -1, -1, -1, 0, 0, 96, 64},  // the whole image again
      {-1, 5, 10, 10, 0, 5, 10, 10},
      {-1, -1, -1, 5, 0, 0, 0, 5},  // not all four -1: each is clamped on its own
      {64, 12, 7, 7, 64, 12, 7, 7},
      {90, 60, 32, 32, 90, 60, 6, 4},
      {200, 0, 5, 5, 96, 0, 0, 5},
      {-7, -3, -1, -9, 0, 0, 0, 0},
      {10, 10, kMax, kMax, 10, 10, 86, 54},  // x + width beyond 32 bits
      {kMax, kMax, kMax, kMax, 96, 64, 0, 0},
      {kMin, kMin, 20, 30, 0, 0, 20, 30},
      {0, 0, 96, 64, 0, 0, 96, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "clip " << c.x << ", " << c.y << ", " << c.width << ", " << c.height);
    engine::SpriteRecord* record = engine::SpriteClip(0, c.x, c.y, c.width, c.height);
    ASSERT_EQ(record, &Record(0));
    EXPECT_EQ(record->clipX, c.clipX);
    EXPECT_EQ(record->clipY, c.clipY);
    EXPECT_EQ(record->width, c.shownWidth);
    EXPECT_EQ(record->height, c.shownHeight);
    EXPECT_EQ(record->fullWidth, 96);
    EXPECT_EQ(record->fullHeight, 64);
    const float left = static_cast<float>(c.clipX / 96.0);
    const float right = static_cast<float>((c.clipX + c.shownWidth) / 96.0);
    const float top = static_cast<float>(c.clipY / 64.0);
    const float bottom = static_cast<float>((c.clipY + c.shownHeight) / 64.0);
    const float expected[8] = {left, top, right, top, left, bottom, right, bottom};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(record->texCoords[i], expected[i]) << "entry " << i;
  }
}

TEST_F(SpriteClipTest, AbsentSpritesAreLeftAlone) {
  EXPECT_EQ(engine::SpriteClip(1, 0, 0, 1, 1), nullptr);
  EXPECT_EQ(engine::SpriteClip(engine::ObjectIdAuto, 0, 0, 1, 1), nullptr);
  engine::SpriteSetMaskColor(1, ColorRGB(1, 2, 3));  // nothing to do, nothing to break
  EXPECT_EQ(engine::SpriteLookup(1), nullptr);
}

TEST_F(SpriteClipTest, MaskColourDropsTheTopByteAndCoversTheWholeTexture) {
  Pixels image = PixelsFill(4, 4, 0xFF000000);
  image.At(3, 3) = 0xFFFF00FF;
  ASSERT_NE(Load(1, image), nullptr);
  ASSERT_NE(engine::SpriteClip(1, 0, 0, 1, 1), nullptr);
  engine::SpriteSetMaskColor(1, 0xFFFF00FF);
  EXPECT_EQ(Record(1).texture->maskColor, ColorRGB(255, 0, 255));
  EXPECT_EQ(Texel(1, 3, 3), 0x00FF00FFu);  // outside the clip rectangle
  EXPECT_EQ(Texel(1, 0, 0), 0xFF000000u);

  // A new default changes no sprite that exists.
  engine::SpriteSetMaskColor(engine::ObjectIdAuto, 0x12000000);
  EXPECT_EQ(engine::DefaultMaskColor, 0u);
  engine::SpriteSetMaskColor(engine::ObjectIdAuto, ColorRGB(0, 0, 0xFF));
  EXPECT_EQ(Record(1).texture->maskColor, ColorRGB(255, 0, 255));
  EXPECT_EQ(Texel(1, 0, 0), 0xFF000000u);
}

}  // namespace
}  // namespace sprite_test
