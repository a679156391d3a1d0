#include <limits>

#include "screen/screen.h"
#include "sprite/sprite_draw.h"
#include "sprite_fixture.h"

namespace sprite_test {
namespace {

using engine::ColorRGB;
using engine::ScreenStateGet;

constexpr std::uint32_t kBackground = 0x00102080;  // 0x00RRGGBB

// Image texel (x, y) of the coded sheet: every texel a different opaque, non-black colour.
constexpr std::uint32_t Coded(int x, int y) {
  return 0xFF000000u | 0x40u << 16 | static_cast<std::uint32_t>(y) << 8 |
         static_cast<std::uint32_t>(x);
}

Pixels CodedSheet(int width, int height) {
  Pixels p = PixelsFill(width, height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.At(x, y) = Coded(x, y);
  return p;
}

class SpriteDrawTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    Open();
    ScreenFill(kBackground);
  }
  std::uint64_t Draws() { return Device().GetCounters().draw; }
};

// Both of the device's ways to fill a quad (the axis-aligned fast path and the general triangle
// rasteriser) must map the vertices SpriteDraw builds to the same pixels.
TEST_F(SpriteDrawTest, ClippedSpriteMapsTexelsToPixelsOneToOne) {
  ASSERT_NE(Load(3, CodedSheet(96, 64)), nullptr);
  ASSERT_NE(engine::SpriteClip(3, 64, 12, 7, 7), nullptr);
  for (bool fastPath : {true, false}) {
    SCOPED_TRACE(fastPath ? "fast path" : "triangle path");
    Device().FastPathSet(fastPath);
    ScreenFill(kBackground);
    engine::SpriteDraw(3, 100, 50);
    for (int y = 48; y < 60; ++y) {
      for (int x = 98; x < 110; ++x) {
        const bool inside = x >= 100 && x <= 106 && y >= 50 && y <= 56;
        const std::uint32_t expected =
            inside ? Coded(64 + x - 100, 12 + y - 50) & 0xFFFFFF : kBackground;
        ASSERT_EQ(ScreenPixel(x, y), expected) << "pixel " << x << ", " << y;
      }
    }
  }
}

TEST_F(SpriteDrawTest, EdgeColumnsAndRowsOfTheScreen) {
  ASSERT_NE(Load(0, CodedSheet(32, 32)), nullptr);
  struct Case {
    std::int32_t x, y;
    bool drawn;
    int screenX, screenY, texelX, texelY;  // one pixel to check when drawn
  };
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const Case cases[] = {
      {-32, 10, false, 0, 0, 0, 0},       {-31, 10, true, 0, 10, 31, 0},
      {639, 10, true, 639, 41, 0, 31},    {640, 10, false, 0, 0, 0, 0},
      {10, -31, true, 41, 0, 31, 31},     {10, -32, false, 0, 0, 0, 0},
      {10, 479, true, 10, 479, 0, 0},     {10, 480, false, 0, 0, 0, 0},
      {kMax - 10, 10, false, 0, 0, 0, 0},  // its right edge must not wrap onto the screen
      {kMin, kMin, false, 0, 0, 0, 0},    {-31, -31, true, 0, 0, 31, 31},
  };
  for (const Case& c : cases) {
    for (bool fastPath : {true, false}) {
      SCOPED_TRACE(testing::Message()
                   << "at " << c.x << ", " << c.y << (fastPath ? "" : ", triangle path"));
      Device().FastPathSet(fastPath);
      ScreenFill(kBackground);
      const std::uint64_t draws = Draws();
      engine::SpriteDraw(0, c.x, c.y);
      EXPECT_EQ(Draws(), draws + (c.drawn ? 1 : 0));
      if (c.drawn) {
        EXPECT_EQ(ScreenPixel(c.screenX, c.screenY), Coded(c.texelX, c.texelY) & 0xFFFFFF);
        // The neighbour beyond the sprite's far edge keeps the background.
        if (c.x == -31) {
          EXPECT_EQ(ScreenPixel(1, c.y < 0 ? 0 : c.y), kBackground);
        }
        if (c.x == 639) {
          EXPECT_EQ(ScreenPixel(638, c.y), kBackground);
        }
      }
    }
  }
  EXPECT_EQ(ScreenStateGet().sceneOpen, 1);  // begun by the first call, drawn or not
}

TEST_F(SpriteDrawTest, LaterDrawsCoverEarlierOnesWhereOpaque) {
  ASSERT_NE(Load(0, PixelsFill(4, 4, 0xFF0000FF)), nullptr);  // blue
  Pixels top = PixelsFill(4, 4, 0xFFFF0000);                  // red, with a black hole
  top.At(1, 1) = 0xFF000000;
  ASSERT_NE(Load(1, top), nullptr);
  engine::SpriteDraw(0, 10, 10);
  engine::SpriteDraw(1, 12, 12);
  EXPECT_EQ(ScreenPixel(11, 11), 0x0000FFu);
  EXPECT_EQ(ScreenPixel(12, 12), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(13, 13), 0x0000FFu);  // the masked texel shows what was below
  EXPECT_EQ(ScreenPixel(14, 14), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(15, 15), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(16, 16), kBackground);
}

TEST_F(SpriteDrawTest, MaskColourDecidesWhichHalfShows) {
  Pixels image = PixelsFill(2, 1, 0xFF000000);
  image.At(1, 0) = 0xFFFF00FF;
  ASSERT_NE(Load(0, image), nullptr);
  const struct {
    std::uint32_t maskColor;
    std::uint32_t left, right;
  } steps[] = {
      {ColorRGB(0, 0, 0), kBackground, 0xFF00FF},
      {ColorRGB(255, 0, 255), 0x000000, kBackground},
      {ColorRGB(0, 0, 0), kBackground, 0xFF00FF},
  };
  for (const auto& step : steps) {
    ScreenFill(kBackground);
    engine::SpriteSetMaskColor(0, step.maskColor);
    engine::SpriteDraw(0, 5, 5);
    EXPECT_EQ(ScreenPixel(5, 5), step.left);
    EXPECT_EQ(ScreenPixel(6, 5), step.right);
  }
}

TEST_F(SpriteDrawTest, ImageAlphaBlendsWithTheBackground) {
  Pixels image = PixelsFill(4, 1, 0);
  const std::uint32_t texels[4] = {0x80FF0000, 0x00FFFFFF, 0xFF00FF00, 0x40204060};
  for (int x = 0; x < 4; ++x) image.At(x, 0) = texels[x];
  ASSERT_NE(Load(0, image, true, 12), nullptr);
  engine::SpriteDraw(0, 0, 0);
  for (int x = 0; x < 4; ++x) {
    const std::uint32_t a = texels[x] >> 24;
    std::uint32_t expected = 0;
    for (int shift : {0, 8, 16}) {
      const std::uint32_t src = (texels[x] >> shift) & 0xFF, dst = (kBackground >> shift) & 0xFF;
      expected |= ((src * a + dst * (255 - a) + 127) / 255) << shift;
    }
    EXPECT_EQ(ScreenPixel(x, 0), expected) << "texel " << x;
  }
}

TEST_F(SpriteDrawTest, DrawStatesAreSentOnceThroughTheCache) {
  ASSERT_NE(Load(0, PixelsFill(4, 4, 0xFF808080)), nullptr);
  const std::uint64_t states = Device().GetCounters().setRenderState;
  const std::uint64_t formats = Device().GetCounters().setFVF;
  engine::SpriteDraw(0, 1, 1);
  EXPECT_EQ(Device().GetCounters().setRenderState, states + 3);
  EXPECT_EQ(Device().GetCounters().setFVF, formats + 1);
  EXPECT_EQ(Device().RenderState(platform::D3DRS_ALPHABLENDENABLE), 1u);
  EXPECT_EQ(Device().RenderState(platform::D3DRS_SRCBLEND), platform::D3DBLEND_SRCALPHA);
  EXPECT_EQ(Device().RenderState(platform::D3DRS_DESTBLEND), platform::D3DBLEND_INVSRCALPHA);
  EXPECT_EQ(Device().FVF(), 0x104u);
  const std::int32_t cache[4] = {1, 5, 6, 0x104};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ScreenStateGet().drawStateCache[i], cache[i]);

  engine::SpriteDraw(0, 2, 2);
  EXPECT_EQ(Device().GetCounters().setRenderState, states + 3);
  EXPECT_EQ(Device().GetCounters().setFVF, formats + 1);

  // Only the entries that differ are sent.
  engine::DrawStateSet(1, platform::D3DBLEND_ONE, platform::D3DBLEND_INVSRCALPHA, 0x104);
  EXPECT_EQ(Device().GetCounters().setRenderState, states + 4);
  EXPECT_EQ(Device().RenderState(platform::D3DRS_SRCBLEND), platform::D3DBLEND_ONE);
}

TEST_F(SpriteDrawTest, ScenesBegunOnlyForLiveSprites) {
  const std::uint64_t begun = Device().GetCounters().beginScene;
  engine::SpriteDraw(4, 0, 0);  // absent
  EXPECT_EQ(ScreenStateGet().sceneOpen, 0);
  EXPECT_EQ(Device().GetCounters().beginScene, begun);

  ASSERT_NE(Load(4, PixelsFill(4, 4, 0xFF808080)), nullptr);
  Device().BeginSceneFailSet(true);
  engine::SpriteDraw(4, 0, 0);
  EXPECT_EQ(ScreenStateGet().sceneOpen, 0);
  EXPECT_EQ(ScreenPixel(0, 0), kBackground);
  Device().BeginSceneFailSet(false);
  engine::SpriteDraw(4, 0, 0);  // tries again
  EXPECT_EQ(ScreenStateGet().sceneOpen, 1);
  EXPECT_EQ(ScreenPixel(0, 0), 0x808080u);

  // A clip of width 0 is never drawn.
  ASSERT_NE(engine::SpriteClip(4, 2, 0, 0, 4), nullptr);
  const std::uint64_t draws = Draws();
  engine::SpriteDraw(4, 100, 100);
  EXPECT_EQ(Draws(), draws);
}

TEST_F(SpriteDrawTest, SixteenBitScreenShowsSixteenBitTexels) {
  engine::ScreenClose();
  ASSERT_EQ(engine::ScreenOpen(640, 480, 16, "sprites"), 1);
  ScreenFill(0);
  Pixels image = PixelsFill(2, 1, 0xFF000000);
  image.At(1, 0) = 0xFFF88008;  // red F8, green 80, blue 08
  ASSERT_NE(Load(0, image), nullptr);
  engine::SpriteDraw(0, 3, 3);
  EXPECT_EQ(ScreenPixel(4, 3), (0xF8u << 7) | (0x80u << 2) | (0x08u >> 3));
  EXPECT_EQ(ScreenPixel(3, 3), 0u);
}

TEST_F(SpriteDrawTest, DrawnFrameIsPresented) {
  ASSERT_NE(Load(0, PixelsFill(4, 4, 0xFF00FF00)), nullptr);
  Device().FrameKeepSet(true);
  engine::SpriteDraw(0, 20, 30);
  ASSERT_EQ(engine::ScreenFlip(), 1);
  const std::vector<std::uint8_t>& frame = Device().LastFrame();
  ASSERT_EQ(frame.size(), 640u * 480u * 4u);
  const std::uint8_t* px = frame.data() + (30 * 640 + 20) * 4;
  EXPECT_EQ(px[0] | px[1] << 8 | px[2] << 16, 0x00FF00);
}

}  // namespace
}  // namespace sprite_test
