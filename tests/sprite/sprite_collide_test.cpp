#include <limits>

#include "sprite_fixture.h"

namespace sprite_test {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Sprites of the cases: 0 and 1 are 32 x 32, 3 a 7 x 7 bullet clipped from a sheet, 5 a
// 10 x 10 square, 6 clipped to width 0.
enum : engine::ObjectId { kA = 0, kB = 1, kBullet = 3, kTen = 5, kFlat = 6, kAbsent = 9 };

class SpriteCollideTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    Open();
    // Transparent texels count as solid: sprite 0 is wholly transparent.
    ASSERT_NE(Load(kA, PixelsFill(32, 32, 0xFF000000)), nullptr);
    ASSERT_NE(Load(kB, PixelsFill(32, 32, 0xFFFFFFFF)), nullptr);
    ASSERT_NE(Load(kBullet, PixelsFill(96, 64, 0xFFFFFFFF)), nullptr);
    ASSERT_NE(engine::SpriteClip(kBullet, 64, 12, 7, 7), nullptr);
    ASSERT_NE(Load(kTen, PixelsFill(10, 10, 0xFFFFFFFF)), nullptr);
    ASSERT_NE(Load(kFlat, PixelsFill(10, 10, 0xFFFFFFFF)), nullptr);
    ASSERT_NE(engine::SpriteClip(kFlat, 0, 0, 0, 10), nullptr);
  }
};

TEST_F(SpriteCollideTest, RectanglesAreHalfOpen) {
  struct Case {
    engine::ObjectId n1;
    std::int32_t x1, y1;
    engine::ObjectId n2;
    std::int32_t x2, y2;
    std::int32_t expected;
  };
  const Case cases[] = {
      {kA, 0, 0, kB, 32, 0, 0},
      {kA, 0, 0, kB, 31, 0, 1},
      {kA, 0, 0, kB, 0, 32, 0},
      {kA, 0, 0, kB, 0, 31, 1},
      {kA, 0, 0, kB, 32, 32, 0},
      {kA, 0, 0, kB, 31, 31, 1},
      {kA, 0, 0, kB, -32, 0, 0},
      {kA, 0, 0, kB, -31, -31, 1},
      {kBullet, 100, 100, kB, 107, 80, 0},
      {kBullet, 100, 100, kB, 106, 80, 1},
      {kFlat, 10, 0, kTen, 5, 0, 1},  // 5 < 10 + 0 and 10 < 5 + 10
      {kFlat, 10, 0, kTen, 10, 0, 0},
      {kA, 4, 4, kA, 4, 4, 1},
      {kFlat, 4, 4, kFlat, 4, 4, 0},
      {kAbsent, 0, 0, kA, 0, 0, 0},
      {kA, 0, 0, kAbsent, 0, 0, 0},
      {engine::ObjectIdAuto, 0, 0, kA, 0, 0, 0},
      // Edges past the 32-bit range neither wrap around nor go missing.
      {kA, kMax - 5, 0, kB, kMax - 10, 0, 1},
      {kA, kMax - 5, 0, kB, kMin, 0, 0},
      {kA, 0, kMax - 5, kB, 0, kMax - 30, 1},
      {kA, kMin, kMin, kB, kMax - 31, kMax - 31, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(engine::SpriteCollide(c.n1, c.x1, c.y1, c.n2, c.x2, c.y2), c.expected)
        << "sprite " << c.n1 << " at (" << c.x1 << ", " << c.y1 << ") against sprite " << c.n2
        << " at (" << c.x2 << ", " << c.y2 << ")";
  }
}

}  // namespace
}  // namespace sprite_test
