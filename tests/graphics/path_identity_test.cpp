// The quad path and the SIMD rows are shortcuts: over many random sprites, formats and
// positions they must give exactly the pixels of the general path and the plain rows.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "graphics/graphics_fixture.h"
#include "platform/graphics/row_kernels.h"

namespace graphics_test {
namespace {

struct Pair {
  D3DFORMAT target, texture;
};

class PathIdentity : public ::testing::TestWithParam<Pair> {};

std::uint32_t RandomTexel(std::mt19937& random, D3DFORMAT format, int alphaMix) {
  std::uint32_t value = random();
  // Mostly masked sprites (alpha 0 or full), sometimes any alpha.
  std::uint32_t alpha = (random() % 10 < 3) ? 0 : 255;
  if (alphaMix && random() % 4 == 0) alpha = random() & 0xFF;
  if (format == D3DFMT_A8R8G8B8) return (value & 0xFFFFFF) | (alpha << 24);
  return (value & 0x7FFF) | (alpha >= 128 ? 0x8000 : 0);
}

TEST_P(PathIdentity, RandomQuadsDrawTheSamePixels) {
  const Pair pair = GetParam();
  Device fast(pair.target, 160, 120), general(pair.target, 160, 120);
  general.device->FastPathSet(false);
  std::mt19937 random(1234 + pair.target * 31 + pair.texture);
  int bytes = FormatBytes(pair.target);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 160; ++x) {
      std::uint32_t value = random();
      std::memcpy(fast.backBuffer->Pixels() + y * fast.backBuffer->Pitch() + x * bytes, &value,
                  bytes);
      std::memcpy(general.backBuffer->Pixels() + y * general.backBuffer->Pitch() + x * bytes,
                  &value, bytes);
    }
  }
  const float offsets[] = {0.0f, 0.0f, 0.0f, 0.125f, 0.25f, 0.3f, 0.5f, -0.2f};
  for (int round = 0; round < 400; ++round) {
    int texW = 1 + static_cast<int>(random() % 70), texH = 1 + static_cast<int>(random() % 50);
    int alphaMix = static_cast<int>(random() % 2);
    auto texel = [&](int, int) { return RandomTexel(random, pair.texture, alphaMix); };
    auto textureFast = TextureMake(*fast.device, texW, texH, pair.texture, texel);
    // The same texels in the second device's texture.
    Ref<Direct3DTexture9> textureGeneral;
    general.device->CreateTexture(texW, texH, 1, 0, pair.texture, D3DPOOL_MANAGED,
                                  textureGeneral.Put(), nullptr);
    for (int y = 0; y < texH; ++y) {
      std::memcpy(textureGeneral->Level0().Pixels() + y * textureGeneral->Level0().Pitch(),
                  textureFast->Level0().Pixels() + y * textureFast->Level0().Pitch(),
                  static_cast<std::size_t>(texW) * FormatBytes(pair.texture));
    }
    int clipX = static_cast<int>(random() % texW), clipY = static_cast<int>(random() % texH);
    int w = 1 + static_cast<int>(random() % (texW - clipX));
    int h = 1 + static_cast<int>(random() % (texH - clipY));
    int x = static_cast<int>(random() % 240) - 60, y = static_cast<int>(random() % 180) - 40;
    float shiftX = offsets[random() % 8], shiftY = offsets[random() % 8];
    float stretch = (random() % 6 == 0) ? 1.01f : 1.0f;
    std::uint32_t blend = random() % 5 == 0 ? 0 : 1;

    float left = static_cast<float>(clipX) / texW, top = static_cast<float>(clipY) / texH;
    float right = static_cast<float>(clipX + w) / texW,
          bottom = static_cast<float>(clipY + h) / texH;
    float x0 = x - 0.5f + shiftX, y0 = y - 0.5f + shiftY;
    float x1 = x0 + w * stretch, y1 = y0 + h;
    VertexXyzrhwTex1 quad[4] = {{x0, y0, 0, 1, left, top},
                                {x1, y0, 0, 1, right, top},
                                {x0, y1, 0, 1, left, bottom},
                                {x1, y1, 0, 1, right, bottom}};
    for (Device* dev : {&fast, &general}) {
      dev->device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
      dev->device->SetTexture(0, dev == &fast ? textureFast.Get() : textureGeneral.Get());
      ASSERT_EQ(dev->device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(quad[0])),
                D3D_OK);
    }
    for (int row = 0; row < 120; ++row) {
      ASSERT_EQ(std::memcmp(fast.backBuffer->Pixels() + row * fast.backBuffer->Pitch(),
                            general.backBuffer->Pixels() + row * general.backBuffer->Pitch(),
                            static_cast<std::size_t>(160) * bytes),
                0)
          << "round " << round << " row " << row << ": " << w << "x" << h << " at " << x << "," << y
          << " shift " << shiftX << "," << shiftY << " stretch " << stretch;
    }
  }
  // Most aligned quads took the quad path; none did on the general device.
  EXPECT_GT(fast.device->GetCounters().fastDraw, 100u);
  EXPECT_EQ(general.device->GetCounters().fastDraw, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PathIdentity,
    ::testing::Values(Pair{D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
                      Pair{D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5}, Pair{D3DFMT_R5G6B5, D3DFMT_A8R8G8B8},
                      Pair{D3DFMT_R5G6B5, D3DFMT_A1R5G5B5}, Pair{D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8},
                      Pair{D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5}),
    [](const auto& info) {
      return std::to_string(info.param.target) + "_" + std::to_string(info.param.texture);
    });

TEST(RowKernels, SimdRowsMatchPlainRows) {
  if (!rows::SimdAvailable(rows::Simd::Avx2)) GTEST_SKIP() << "no AVX2 on this processor";
  rows::Kernels plain = rows::KernelsFor(D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, rows::Simd::Plain);
  rows::Kernels simd = rows::KernelsFor(D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, rows::Simd::Avx2);
  ASSERT_NE(plain.blend, simd.blend);
  std::mt19937 random(99);
  for (int round = 0; round < 3000; ++round) {
    // A texture of a few rows, 4-byte pitch padding, mostly masked texels.
    // Narrow textures of only transparent and opaque texels take a loop of their own.
    const int width = 1 + static_cast<int>(random() % (round % 2 ? 40 : 9)), height = 3;
    const int pitch = width * 4 + 4;
    const bool masked = round % 4 == 0;
    std::vector<std::uint8_t> texels(static_cast<std::size_t>(pitch) * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        std::uint32_t alpha = random() % 3 == 0 ? 0 : random() % 3 == 0 ? 255 : random() & 0xFF;
        if (masked) alpha = random() % 3 == 0 ? 0 : 255;
        std::uint32_t texel = (random() & 0xFFFFFF) | (alpha << 24);
        std::memcpy(texels.data() + y * pitch + x * 4, &texel, 4);
      }
    }
    AlphaSpans spans;
    ASSERT_TRUE(spans.Build(texels.data(), pitch, width, height, D3DFMT_A8R8G8B8));
    rows::BlitJob job;
    job.first = static_cast<std::uint32_t>(random() % width);
    job.last = job.first + static_cast<std::uint32_t>(random() % (width - job.first + 1));
    job.rows = 1 + static_cast<int>(random() % 2);
    job.firstRow = static_cast<int>(random() % (height - job.rows + 1));
    job.src = texels.data() + job.firstRow * pitch;
    job.srcPitch = pitch;
    // Target rows with room on both sides that must stay as they are.
    const int dstPitch = 4 * (width + 16);
    std::vector<std::uint8_t> before(static_cast<std::size_t>(dstPitch) * 2);
    for (auto& byte : before) byte = static_cast<std::uint8_t>(random());
    job.dstPitch = dstPitch;
    for (int variant = 0; variant < 4; ++variant) {
      job.spans = variant >= 2 ? &spans : nullptr;
      job.wholeRows = variant == 3;
      if (variant == 3) {
        job.first = 0;
        job.last = static_cast<std::uint32_t>(width);
      }
      rows::BlitFn rows::Kernels::*kernel =
          variant == 0 ? &rows::Kernels::copy : &rows::Kernels::blend;
      std::vector<std::uint8_t> outPlain = before, outSimd = before;
      job.dst = outPlain.data() + 32;
      (plain.*kernel)(job);
      job.dst = outSimd.data() + 32;
      (simd.*kernel)(job);
      ASSERT_EQ(outPlain, outSimd) << "round " << round << " variant " << variant;
      for (int r = 0; r < 2; ++r) {
        int from = r * dstPitch,
            lastTouched = r < job.rows ? 32 + 4 * static_cast<int>(job.last - job.first) : 32;
        for (int i = 0; i < dstPitch; ++i) {
          if (i < 32 || i >= lastTouched) {
            ASSERT_EQ(outSimd[from + i], before[from + i]) << round;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace graphics_test
