// Which texel lands on which pixel, clipping, fill rule, blending and the 16-bit formats, each
// checked against values worked out by hand or from the drawing rules, on both drawing paths.

#include <gtest/gtest.h>

#include <cmath>

#include "graphics/graphics_fixture.h"

namespace graphics_test {
namespace {

constexpr std::uint32_t kBackground = 0x00102030;

// An opaque texel that names its own coordinates.
std::uint32_t Coded(int x, int y) {
  return 0xFF000000u | (static_cast<std::uint32_t>(x) << 8) | static_cast<std::uint32_t>(y);
}

class DrawBothPaths : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dev.device->FastPathSet(GetParam());
    dev.Fill(kBackground);
  }
  Device dev;
};

TEST_P(DrawBothPaths, ClipRectangleTexelsLandOnePerPixel) {
  auto texture = TextureMake(*dev.device, 96, 64, D3DFMT_A8R8G8B8, Coded);
  ASSERT_EQ(SpriteDraw(*dev.device, texture.Get(), 96, 64, 64, 12, 7, 7, 100, 50), D3D_OK);
  for (int y = 45; y < 62; ++y) {
    for (int x = 95; x < 112; ++x) {
      bool inside = x >= 100 && x < 107 && y >= 50 && y < 57;
      std::uint32_t expected = inside ? (Coded(64 + x - 100, 12 + y - 50) & 0xFFFFFF) : kBackground;
      ASSERT_EQ(dev.Pixel(x, y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(dev.device->GetCounters().fastDraw, GetParam() ? 1u : 0u);
}

TEST_P(DrawBothPaths, SpritesAreClippedAtEveryScreenEdge) {
  auto texture = TextureMake(*dev.device, 32, 32, D3DFMT_A8R8G8B8, Coded);
  struct Case {
    int x, y;
    int visible;  // pixels expected on screen
  };
  const Case cases[] = {{-32, 0, 0},     {-31, 0, 32},      {639, 0, 32},     {640, 0, 0},
                        {0, -32, 0},     {0, -31, 32},      {0, 479, 32},     {0, 480, 0},
                        {-31, -31, 1},   {639, 479, 1},     {608, 448, 1024}, {-5, 470, 270},
                        {-100000, 5, 0}, {2000000000, 5, 0}};
  for (const Case& c : cases) {
    dev.Fill(kBackground);
    SpriteDraw(*dev.device, texture.Get(), 32, 32, 0, 0, 32, 32, c.x, c.y);
    int visible = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        bool inside = x >= c.x && x < c.x + 32 && y >= c.y && y < c.y + 32;
        std::uint32_t expected = inside ? (Coded(x - c.x, y - c.y) & 0xFFFFFF) : kBackground;
        ASSERT_EQ(dev.Pixel(x, y), expected) << "sprite at " << c.x << "," << c.y;
        visible += inside;
      }
    }
    EXPECT_EQ(visible, c.visible) << "sprite at " << c.x << "," << c.y;
  }
  // x = -31 shows the last column at 0, x = 639 the first column at 639.
  dev.Fill(kBackground);
  SpriteDraw(*dev.device, texture.Get(), 32, 32, 0, 0, 32, 32, -31, 0);
  SpriteDraw(*dev.device, texture.Get(), 32, 32, 0, 0, 32, 32, 639, 100);
  EXPECT_EQ(dev.Pixel(0, 7), Coded(31, 7) & 0xFFFFFF);
  EXPECT_EQ(dev.Pixel(639, 107), Coded(0, 7) & 0xFFFFFF);
}

TEST_P(DrawBothPaths, BlendingMixesBySourceAlphaRoundingToNearest) {
  const std::uint32_t colour = 0x00C86432;  // red 200, green 100, blue 50
  const std::uint32_t alphas[] = {0, 1, 64, 127, 128, 200, 254, 255};
  for (std::uint32_t a : alphas) {
    // 20 texels wide, so that the SIMD rows and their scalar tails both take part.
    auto texture = TextureMake(*dev.device, 20, 3, D3DFMT_A8R8G8B8,
                               [&](int, int) { return (a << 24) | colour; });
    dev.Fill(kBackground);
    SpriteDraw(*dev.device, texture.Get(), 20, 3, 0, 0, 20, 3, 10, 10);
    std::uint32_t expected = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      double s = (colour >> shift) & 0xFF, d = (kBackground >> shift) & 0xFF;
      auto mixed = static_cast<std::uint32_t>(std::lround((s * a + d * (255 - a)) / 255.0));
      expected |= mixed << shift;
    }
    for (int x = 10; x < 30; ++x) ASSERT_EQ(dev.Pixel(x, 11), expected) << "alpha " << a;
  }
}

TEST_P(DrawBothPaths, MaskedTexelsLeaveThePixelUntouchedAndOpaqueOnesReplaceIt) {
  // X bits of the back buffer as someone else left them: a transparent texel keeps them.
  dev.Fill(0xAB102030);
  auto texture = TextureMake(*dev.device, 16, 1, D3DFMT_A8R8G8B8,
                             [](int x, int) { return x % 3 == 0 ? 0x00FF00FFu : 0xFF445566u; });
  SpriteDraw(*dev.device, texture.Get(), 16, 1, 0, 0, 16, 1, 0, 0);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(dev.Raw(x, 0), x % 3 == 0 ? 0xAB102030u : 0x00445566u);
}

TEST_P(DrawBothPaths, EachPixelOfAQuadIsBlendedOnce) {
  // Half-transparent white over black: a pixel blended twice (on the strip's diagonal) would
  // come out lighter than once.
  dev.Fill(0);
  auto texture =
      TextureMake(*dev.device, 40, 40, D3DFMT_A8R8G8B8, [](int, int) { return 0x80FFFFFFu; });
  SpriteDraw(*dev.device, texture.Get(), 40, 40, 0, 0, 40, 40, 3, 3);
  for (int y = 3; y < 43; ++y) {
    for (int x = 3; x < 43; ++x) ASSERT_EQ(dev.Pixel(x, y), 0x808080u) << x << "," << y;
  }
}

TEST_P(DrawBothPaths, SixteenBitTexturesAndBackBuffers) {
  struct Case {
    D3DFORMAT target, texture;
    std::uint32_t background, texel, expected;
  };
  const Case cases[] = {
      // 1-bit alpha: set replaces (X bit cleared), clear leaves the pixel.
      {D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, 0x1234, 0xFC1F, 0x7C1F},
      {D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, 0x1234, 0x7C1F, 0x1234},
      // 5-5-5 onto 5-6-5: green 0b10000 widens to 132 and narrows to 0b100001.
      {D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, 0x0000, 0xFE08, 0xFC28},
      // 8-bit channels narrow by dropping low bits: 0x12, 0x34, 0x56 -> 2, 13, 10.
      {D3DFMT_R5G6B5, D3DFMT_A8R8G8B8, 0x0000, 0xFF123456, 0x11AA},
      {D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8, 0x0000, 0xFF123456, 0x08CA},
      // Half red over full blue: red (255 * 128 + 127) / 255 = 128 -> 16, blue 127 -> 15.
      {D3DFMT_R5G6B5, D3DFMT_A8R8G8B8, 0x001F, 0x80FF0000, 0x800F},
      // A 16-bit texel onto a 32-bit back buffer widens by repeating high bits.
      {D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5, 0x0, 0xFE08, 0x00FF8442},
  };
  for (const Case& c : cases) {
    Device local(c.target);
    local.device->FastPathSet(GetParam());
    local.Fill(c.background);
    auto texture = TextureMake(*local.device, 9, 2, c.texture, [&](int, int) { return c.texel; });
    SpriteDraw(*local.device, texture.Get(), 9, 2, 0, 0, 9, 2, 1, 1);
    for (int x = 1; x < 10; ++x) {
      ASSERT_EQ(local.Raw(x, 2), c.expected) << "texel " << std::hex << c.texel;
    }
    EXPECT_EQ(local.Raw(0, 2), c.background);
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, DrawBothPaths, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Fast" : "General"; });

TEST(DrawGeneral, TriangleCoversCentresInsideWithTopLeftRule) {
  Device dev;
  dev.Fill(0);
  dev.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  dev.device->SetTexture(0, nullptr);  // untextured: opaque white
  // Legs on half-pixel lines, hypotenuse through pixel centres with x + y = 31: those centres
  // lie on a right edge and stay out; the legs are never hit.
  VertexXyzrhwTex1 tri[3] = {
      {10.5f, 10.5f, 0, 1, 0, 0}, {20.5f, 10.5f, 0, 1, 0, 0}, {10.5f, 20.5f, 0, 1, 0, 0}};
  ASSERT_EQ(dev.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(tri[0])), D3D_OK);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      bool inside = x >= 11 && y >= 11 && x + y < 31;
      ASSERT_EQ(dev.Pixel(x, y), inside ? 0xFFFFFFu : 0u) << x << "," << y;
    }
  }
  // The same triangle mirrored so that the hypotenuse is a left edge: now its centres count.
  dev.Fill(0);
  VertexXyzrhwTex1 mirrored[3] = {
      {20.5f, 20.5f, 0, 1, 0, 0}, {10.5f, 20.5f, 0, 1, 0, 0}, {20.5f, 10.5f, 0, 1, 0, 0}};
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, mirrored, sizeof(mirrored[0]));
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      bool inside = x <= 20 && y <= 20 && x + y >= 31;
      ASSERT_EQ(dev.Pixel(x, y), inside ? 0xFFFFFFu : 0u) << x << "," << y;
    }
  }
}

TEST(DrawGeneral, TrianglesSharingAnEdgeDrawItsPixelsOnce) {
  // A diamond fanned into four triangles around an off-grid centre, drawn additively in grey
  // 0x40 on black: a pixel drawn twice would be 0x80, one left out 0.
  Device dev;
  dev.Fill(0);
  auto texture =
      TextureMake(*dev.device, 1, 1, D3DFMT_A8R8G8B8, [](int, int) { return 0xFF404040u; });
  dev.device->SetTexture(0, texture.Get());
  dev.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  dev.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  dev.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  const float cx = 50.3f, cy = 40.7f;
  VertexXyzrhwTex1 fan[6] = {{cx, cy, 0, 1, 0, 0},         {cx, cy - 20.2f, 0, 1, 0, 0},
                             {cx + 23.9f, cy, 0, 1, 0, 0}, {cx, cy + 17.1f, 0, 1, 0, 0},
                             {cx - 19.6f, cy, 0, 1, 0, 0}, {cx, cy - 20.2f, 0, 1, 0, 0}};
  ASSERT_EQ(dev.device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 4, fan, sizeof(fan[0])), D3D_OK);
  int covered = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      std::uint32_t p = dev.Pixel(x, y);
      ASSERT_TRUE(p == 0 || p == 0x404040u) << x << "," << y << " drawn more than once";
      covered += p != 0;
      // Centres clearly inside the diamond are covered.
      double dx = x - cx, dy = y - cy;
      double reach = (dx >= 0 ? dx / 23.9 : -dx / 19.6) + (dy >= 0 ? dy / 17.1 : -dy / 20.2);
      if (reach < 0.98) {
        ASSERT_EQ(p, 0x404040u) << x << "," << y << " left out";
      }
      if (reach > 1.02) {
        ASSERT_EQ(p, 0u) << x << "," << y << " drawn outside";
      }
    }
  }
  EXPECT_GT(covered, 0);
}

TEST(DrawGeneral, TextureCoordinatesWrapAndCullingFollowsWinding) {
  Device dev;
  dev.Fill(0);
  auto texture = TextureMake(*dev.device, 4, 1, D3DFMT_A8R8G8B8, [](int x, int) {
    return 0xFF000000u | (static_cast<std::uint32_t>(x) + 1);
  });
  dev.device->SetTexture(0, texture.Get());
  // Eight pixels wide, u from 0 to 2: the texture repeats twice.
  VertexXyzrhwTex1 quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0},
                              {7.5f, -0.5f, 0, 1, 2, 0},
                              {-0.5f, 0.5f, 0, 1, 0, 1},
                              {7.5f, 0.5f, 0, 1, 2, 1}};
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(quad[0]));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(dev.Pixel(x, 0), static_cast<std::uint32_t>(x % 4 + 1));

  // Counter-clockwise on screen (right to left along the top): culled by default.
  dev.Fill(0);
  VertexXyzrhwTex1 reversed[4] = {quad[1], quad[0], quad[3], quad[2]};
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, reversed, sizeof(reversed[0]));
  EXPECT_EQ(dev.Pixel(3, 0), 0u);
  dev.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, reversed, sizeof(reversed[0]));
  EXPECT_EQ(dev.Pixel(3, 0), 4u);
}

TEST(DrawGeneral, HugeAndInvalidCoordinatesAreSafe) {
  Device dev;
  dev.Fill(0);
  dev.device->SetTexture(0, nullptr);
  dev.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  dev.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  // A triangle far larger than any integer pixel grid still covers the screen exactly.
  VertexXyzrhwTex1 huge[3] = {
      {-1e30f, -1e30f, 0, 1, 0, 0}, {1e30f, -1e30f, 0, 1, 0, 0}, {0.0f, 1e30f, 0, 1, 0, 0}};
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, huge, sizeof(huge[0]));
  EXPECT_EQ(dev.Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(dev.Pixel(639, 479), 0xFFFFFFu);
  dev.Fill(0);
  const float nan = std::nanf("");
  const float inf = INFINITY;
  VertexXyzrhwTex1 bad[3] = {{nan, 0, 0, 1, 0, 0}, {inf, 5, 0, 1, 0, 0}, {5, 5, 0, 1, 0, 0}};
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, bad, sizeof(bad[0]));
  EXPECT_EQ(dev.Pixel(4, 4), 0u);
  // Texture coordinates that are not numbers pick some texel without reading out of bounds.
  auto texture =
      TextureMake(*dev.device, 3, 3, D3DFMT_A8R8G8B8, [](int, int) { return 0xFF0000FFu; });
  dev.device->SetTexture(0, texture.Get());
  VertexXyzrhwTex1 odd[3] = {
      {0, 0, 0, 1, nan, inf}, {10, 0, 0, 1, 1e30f, -1e30f}, {0, 10, 0, 1, -inf, 3}};
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, odd, sizeof(odd[0]));
  EXPECT_EQ(dev.Pixel(2, 2), 0x0000FFu);
}

}  // namespace
}  // namespace graphics_test
