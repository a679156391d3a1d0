// Surfaces and textures: creation limits, locking, device contexts and BitBlt.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "graphics/graphics_fixture.h"
#include "platform/graphics/pixel_format.h"

namespace graphics_test {
namespace {

Ref<Direct3DSurface9> SurfaceMake(Direct3DDevice9& device, int w, int h, D3DFORMAT format,
                                  std::uint32_t (*value)(int, int)) {
  Ref<Direct3DSurface9> surface;
  EXPECT_EQ(
      device.CreateOffscreenPlainSurface(w, h, format, D3DPOOL_SYSTEMMEM, surface.Put(), nullptr),
      D3D_OK);
  int bytes = FormatBytes(format);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t v = value(x, y);
      std::memcpy(surface->Pixels() + y * surface->Pitch() + x * bytes, &v, bytes);
    }
  }
  return surface;
}

std::uint32_t At(Direct3DSurface9& surface, int x, int y) {
  const std::uint8_t* p =
      surface.Pixels() + y * surface.Pitch() + x * FormatBytes(surface.Format());
  return FormatBytes(surface.Format()) == 4 ? pixel::Load32(p) : pixel::Load16(p);
}

TEST(PixelFormat, DivisionBy255IsExactOverTheBlendRange) {
  for (std::uint32_t v = 0; v <= 65279; ++v) ASSERT_EQ(pixel::Div255(v), v / 255) << v;
}

TEST(PixelFormat, WideningAndNarrowingRoundTrip) {
  for (std::uint32_t c = 0; c < 32; ++c) {
    EXPECT_EQ(pixel::Widen5(c) >> 3, c);
    EXPECT_EQ(pixel::Widen5(c) & 7, c >> 2);  // low bits repeat the high ones
  }
  EXPECT_EQ(pixel::Widen5(31), 255u);
  EXPECT_EQ(pixel::Widen6(63), 255u);
  for (std::uint32_t c = 0; c < 64; ++c) EXPECT_EQ(pixel::Widen6(c) >> 2, c);
}

TEST(Texture, HasExactlyTheRequestedSizeAndRefusesBadRequests) {
  Device dev;
  Ref<Direct3DTexture9> texture;
  ASSERT_EQ(dev.device->CreateTexture(96, 7, 1, 0, D3DFMT_A1R5G5B5, D3DPOOL_MANAGED, texture.Put(),
                                      nullptr),
            D3D_OK);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 96u);
  EXPECT_EQ(desc.Height, 7u);
  EXPECT_EQ(desc.Format, D3DFMT_A1R5G5B5);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(texture->GetLevelCount(), 1u);
  Ref<Direct3DSurface9> level;
  EXPECT_EQ(texture->GetSurfaceLevel(1, level.Put()), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->GetSurfaceLevel(0, level.Put()), D3D_OK);
  EXPECT_EQ(level.Get(), &texture->Level0());

  ASSERT_EQ(dev.device->CreateTexture(96, 7, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Put(),
                                      nullptr),
            D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 7u);  // 96, 48, 24, 12, 6, 3, 1

  struct Bad {
    std::uint32_t w, h, levels;
    D3DFORMAT format;
    std::uint32_t pool;
  };
  const Bad bad[] = {{0, 5, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
                     {5, 16385, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
                     {0xFFFFFFFFu, 5, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
                     {5, 5, 1, 50, D3DPOOL_MANAGED},
                     {5, 5, 4, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
                     {5, 5, 1, D3DFMT_A8R8G8B8, 9}};
  for (const Bad& b : bad) {
    Ref<Direct3DTexture9> none;
    EXPECT_EQ(
        dev.device->CreateTexture(b.w, b.h, b.levels, 0, b.format, b.pool, none.Put(), nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_FALSE(none);
  }
  int shared = 0;
  EXPECT_EQ(dev.device->CreateTexture(5, 5, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Put(),
                                      &shared),
            D3DERR_INVALIDCALL);
  dev.device->CreateTextureFailSet(true);
  EXPECT_EQ(dev.device->CreateTexture(5, 5, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Put(),
                                      nullptr),
            E_OUTOFMEMORY);
  EXPECT_FALSE(texture);
}

TEST(Surface, LockGivesPitchAndSubRectanglesAndRefusesMisuse) {
  Device dev;
  Ref<Direct3DSurface9> surface;
  ASSERT_EQ(dev.device->CreateOffscreenPlainSurface(5, 4, D3DFMT_X1R5G5B5, D3DPOOL_SYSTEMMEM,
                                                    surface.Put(), nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked;
  RECT part{2, 3, 4, 4};
  ASSERT_EQ(surface->LockRect(&locked, &part, 0), D3D_OK);
  EXPECT_GE(locked.Pitch, 10);
  std::uint16_t mark = 0x7FFF;
  std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + 2, &mark, 2);    // texel (3, 3)
  EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
  DeviceContext dc = nullptr;
  EXPECT_EQ(surface->GetDC(&dc), D3DERR_INVALIDCALL);
  ASSERT_EQ(surface->UnlockRect(), D3D_OK);
  EXPECT_EQ(surface->UnlockRect(), D3DERR_INVALIDCALL);
  EXPECT_EQ(At(*surface, 3, 3), 0x7FFFu);

  const RECT outside[] = {{-1, 0, 2, 2}, {0, 0, 6, 1}, {0, 2, 1, 5}, {3, 1, 3, 2}};
  for (const RECT& r : outside) EXPECT_EQ(surface->LockRect(&locked, &r, 0), D3DERR_INVALIDCALL);

  ASSERT_EQ(surface->GetDC(&dc), D3D_OK);
  EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(surface->GetDC(&dc), D3DERR_INVALIDCALL);
  EXPECT_EQ(surface->ReleaseDC(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(surface->ReleaseDC(dc), D3D_OK);
  EXPECT_EQ(surface->ReleaseDC(dc), D3DERR_INVALIDCALL);

  // Device contexts exist for the formats without alpha only.
  Ref<Direct3DTexture9> texture;
  dev.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Put(), nullptr);
  EXPECT_EQ(texture->Level0().GetDC(&dc), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev.device->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                                    surface.Put(), nullptr),
            D3DERR_INVALIDCALL);
}

TEST(Surface, ChangedTexelsAreDrawnAfterUnlock) {
  // The quad path remembers which texels are transparent; a write through a lock must count.
  Device dev;
  dev.Fill(0x00000011);
  auto texture =
      TextureMake(*dev.device, 4, 1, D3DFMT_A8R8G8B8, [](int, int) { return 0x00FFFFFFu; });
  SpriteDraw(*dev.device, texture.Get(), 4, 1, 0, 0, 4, 1, 0, 0);
  EXPECT_EQ(dev.Pixel(1, 0), 0x11u);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  std::uint32_t opaque = 0xFF00FF00u;
  std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + 4, &opaque, 4);
  texture->UnlockRect(0);
  SpriteDraw(*dev.device, texture.Get(), 4, 1, 0, 0, 4, 1, 0, 0);
  EXPECT_EQ(dev.Pixel(1, 0), 0x00FF00u);
  EXPECT_EQ(dev.Pixel(2, 0), 0x11u);
  EXPECT_EQ(dev.device->GetCounters().fastDraw, 2u);
}

TEST(BitBlt, CopiesTheOverlapOfBothSurfaces) {
  Device dev;
  auto code = [](int x, int y) { return static_cast<std::uint32_t>(0x00100000 + x * 16 + y); };
  auto source = SurfaceMake(*dev.device, 8, 6, D3DFMT_X8R8G8B8, code);
  struct Case {
    int x, y, w, h, sx, sy;
  };
  const Case cases[] = {{0, 0, 8, 6, 0, 0},
                        {-2, 0, 8, 6, 0, 0},
                        {5, 3, 8, 6, 0, 0},
                        {1, 1, 3, 2, 4, 3},
                        {0, 0, 8, 6, -3, -1},
                        {0, 0, 8, 6, 6, 5},
                        {2, 2, INT_MAX, INT_MAX, 0, 0},
                        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0},
                        {0, 0, 4, 4, INT_MAX, INT_MIN},
                        {0, 0, -4, 4, 0, 0}};
  for (const Case& c : cases) {
    auto target =
        SurfaceMake(*dev.device, 7, 7, D3DFMT_X8R8G8B8, [](int, int) { return 0x00EEEEEEu; });
    DeviceContext to = nullptr, from = nullptr;
    ASSERT_EQ(target->GetDC(&to), D3D_OK);
    ASSERT_EQ(source->GetDC(&from), D3D_OK);
    EXPECT_TRUE(BitBlt(to, c.x, c.y, c.w, c.h, from, c.sx, c.sy, SRCCOPY));
    source->ReleaseDC(from);
    target->ReleaseDC(to);
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 7; ++x) {
        std::int64_t srcX = std::int64_t{x} - c.x + c.sx, srcY = std::int64_t{y} - c.y + c.sy;
        bool copied = x >= c.x && x - std::int64_t{c.x} < c.w && y >= c.y &&
                      y - std::int64_t{c.y} < c.h && srcX >= 0 && srcX < 8 && srcY >= 0 && srcY < 6;
        std::uint32_t expected =
            copied ? code(static_cast<int>(srcX), static_cast<int>(srcY)) : 0x00EEEEEEu;
        ASSERT_EQ(At(*target, x, y), expected)
            << "case " << c.x << "," << c.y << " " << c.w << "x" << c.h << " from " << c.sx << ","
            << c.sy << " at " << x << "," << y;
      }
    }
  }
}

TEST(BitBlt, ConvertsBetweenFormatsAndMovesWithinOneSurface) {
  Device dev;
  auto wide = SurfaceMake(*dev.device, 2, 1, D3DFMT_X8R8G8B8, [](int, int) { return 0x00FF8040u; });
  auto narrow = SurfaceMake(*dev.device, 2, 1, D3DFMT_X1R5G5B5, [](int, int) { return 0u; });
  DeviceContext w = nullptr, n = nullptr;
  wide->GetDC(&w);
  narrow->GetDC(&n);
  ASSERT_TRUE(BitBlt(n, 0, 0, 2, 1, w, 0, 0, SRCCOPY));
  EXPECT_EQ(At(*narrow, 1, 0), 0x7E08u);  // 31, 16, 8
  ASSERT_TRUE(BitBlt(w, 0, 0, 2, 1, n, 0, 0, SRCCOPY));
  EXPECT_EQ(At(*wide, 1, 0), 0x00FF8442u);                    // 255, 132, 66: high bits repeated
  EXPECT_FALSE(BitBlt(w, 0, 0, 2, 1, n, 0, 0, 0x00EE0086u));  // only SRCCOPY
  wide->ReleaseDC(w);
  EXPECT_FALSE(BitBlt(w, 0, 0, 2, 1, n, 0, 0, SRCCOPY));  // a closed context
  EXPECT_FALSE(BitBlt(nullptr, 0, 0, 2, 1, n, 0, 0, SRCCOPY));
  narrow->ReleaseDC(n);

  // A block moved one row down and one column right inside the same surface.
  auto code = [](int x, int y) { return static_cast<std::uint32_t>(x * 16 + y); };
  auto surface = SurfaceMake(*dev.device, 6, 6, D3DFMT_X8R8G8B8, code);
  DeviceContext dc = nullptr;
  surface->GetDC(&dc);
  ASSERT_TRUE(BitBlt(dc, 1, 1, 5, 5, dc, 0, 0, SRCCOPY));
  surface->ReleaseDC(dc);
  for (int y = 1; y < 6; ++y) {
    for (int x = 1; x < 6; ++x) ASSERT_EQ(At(*surface, x, y), code(x - 1, y - 1)) << x << "," << y;
  }
}

}  // namespace
}  // namespace graphics_test
