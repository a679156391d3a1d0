#include <cstring>

#include "runtime/main_heap.h"
#include "sprite/sprite_texel.h"
#include "sprite/sprite_texture.h"
#include "sprite_fixture.h"

namespace sprite_test {
namespace {

using engine::ColorRGB;
using engine::kSpriteTextureKind16;
using engine::kSpriteTextureKind32;
using engine::SpriteTexture;

constexpr std::uint32_t kMagenta = ColorRGB(255, 0, 255);
constexpr std::uint32_t kBlack = ColorRGB(0, 0, 0);

class SpriteTextureTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    Open();
  }
  void TearDown() override {
    for (SpriteTexture* t : made_) engine::SpriteTextureFree(t);
    SpriteTest::TearDown();
  }
  // A texture whose texels are `texels` (one row), freed after the test.
  SpriteTexture* Make(std::int32_t kind, const std::vector<std::uint32_t>& texels) {
    SpriteTexture* t =
        engine::SpriteTextureCreate(static_cast<std::int32_t>(texels.size()), 1, kind);
    if (!t) throw std::runtime_error("texture");
    made_.push_back(t);
    void* pixels;
    std::int32_t pitch;
    EXPECT_EQ(engine::SpriteTextureLock(t, &pixels, &pitch), 1);
    for (std::size_t i = 0; i < texels.size(); ++i) {
      if (kind == kSpriteTextureKind32)
        static_cast<std::uint32_t*>(pixels)[i] = texels[i];
      else
        static_cast<std::uint16_t*>(pixels)[i] = static_cast<std::uint16_t>(texels[i]);
    }
    EXPECT_EQ(engine::SpriteTextureUnlock(t), 1);
    return t;
  }
  static std::uint32_t At(SpriteTexture* t, int i) {
    const std::uint8_t* p = t->levelSurface->Pixels();
    if (t->kind == kSpriteTextureKind32) {
      std::uint32_t v;
      std::memcpy(&v, p + i * 4, 4);
      return v;
    }
    std::uint16_t v;
    std::memcpy(&v, p + i * 2, 2);
    return v;
  }

  std::vector<SpriteTexture*> made_;
};

TEST_F(SpriteTextureTest, MaskPassSetsAlphaFromColourAlone) {
  struct Case {
    std::int32_t kind;
    std::uint32_t texel;
    std::uint32_t color;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {kSpriteTextureKind32, 0x00FF00FF, kMagenta, 0x00FF00FF},
      {kSpriteTextureKind32, 0x00FE00FF, kMagenta, 0xFFFE00FF},
      {kSpriteTextureKind32, 0xFFFF00FF, kMagenta, 0x00FF00FF},  // old alpha does not count
      {kSpriteTextureKind32, 0x00FF0000, ColorRGB(255, 0, 0), 0x00FF0000},  // red, bytes swapped
      {kSpriteTextureKind32, 0x000000FF, ColorRGB(255, 0, 0), 0xFF0000FF},
      {kSpriteTextureKind32, 0x7F000000, kBlack, 0x00000000},
      {kSpriteTextureKind16, 0x7C1F, kMagenta, 0x7C1F},
      {kSpriteTextureKind16, 0x7C1E, kMagenta, 0xFC1E},
      {kSpriteTextureKind16, 0xFC1F, kMagenta, 0x7C1F},
      // The 16-bit key drops the low three bits of each component.
      {kSpriteTextureKind16, 0x7C1F, ColorRGB(0xFF, 0x07, 0xF8), 0x7C1F},
      {kSpriteTextureKind16, 0x7C00, ColorRGB(255, 0, 0), 0x7C00},
      {kSpriteTextureKind16, 0x001F, ColorRGB(255, 0, 0), 0x801F},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "kind " << c.kind << " texel " << std::hex << c.texel << " colour " << c.color);
    SpriteTexture* t = Make(c.kind, {c.texel});
    engine::SpriteTextureApplyMask(t, c.color);
    EXPECT_EQ(At(t, 0), c.expected);
    EXPECT_EQ(t->maskColor, c.color);
  }
}

TEST_F(SpriteTextureTest, SecondMaskColourMakesTheFirstOpaqueAgain) {
  for (std::int32_t kind : {kSpriteTextureKind32, kSpriteTextureKind16}) {
    const bool wide = kind == kSpriteTextureKind32;
    const std::uint32_t magenta = wide ? 0x00FF00FF : 0x7C1F;
    const std::uint32_t opaque = wide ? 0xFF000000 : 0x8000;
    SpriteTexture* t = Make(kind, {magenta, 0, 0x1234u});
    const std::uint32_t other = At(t, 2);

    engine::SpriteTextureApplyMask(t, kMagenta);
    EXPECT_EQ(At(t, 0), magenta);
    EXPECT_EQ(At(t, 1), opaque);
    EXPECT_EQ(At(t, 2), other | opaque);

    engine::SpriteTextureApplyMask(t, kBlack);
    EXPECT_EQ(At(t, 0), magenta | opaque);
    EXPECT_EQ(At(t, 1), 0u);
    EXPECT_EQ(At(t, 2), other | opaque);
    EXPECT_EQ(t->maskColor, kBlack);
  }
}

TEST_F(SpriteTextureTest, MaskPassThatCannotLockChangesNothing) {
  SpriteTexture* t = Make(kSpriteTextureKind32, {0x00FF00FF, 0x00000000});
  engine::SpriteTextureApplyMask(t, kBlack);
  void* pixels;
  std::int32_t pitch;
  ASSERT_EQ(engine::SpriteTextureLock(t, &pixels, &pitch), 1);
  EXPECT_EQ(t->locked, 1);
  engine::SpriteTextureApplyMask(t, kMagenta);  // the texture is locked already
  EXPECT_EQ(t->maskColor, kBlack);
  EXPECT_EQ(engine::SpriteTextureUnlock(t), 1);
  EXPECT_EQ(engine::SpriteTextureUnlock(t), 0);  // nothing left to unlock
  EXPECT_EQ(At(t, 0), 0xFFFF00FFu);
  EXPECT_EQ(At(t, 1), 0x00000000u);
}

TEST_F(SpriteTextureTest, CreateMakesExactSizesAndReleasesEverythingOnFailure) {
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  SpriteTexture* t = engine::SpriteTextureCreate(96, 17, kSpriteTextureKind16);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->maskColor, engine::kMaskColorNone);
  platform::D3DSURFACE_DESC desc;
  t->levelSurface->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 96u);
  EXPECT_EQ(desc.Height, 17u);
  EXPECT_EQ(desc.Format, platform::D3DFMT_A1R5G5B5);
  EXPECT_EQ(desc.Pool, platform::D3DPOOL_MANAGED);
  EXPECT_EQ(t->texture->GetLevelCount(), 1u);
  engine::SpriteTextureFree(t);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);

  EXPECT_EQ(engine::SpriteTextureCreate(4, 4, 1), nullptr);
  EXPECT_EQ(engine::SpriteTextureCreate(0, 4, kSpriteTextureKind32), nullptr);
  EXPECT_EQ(engine::SpriteTextureCreate(4, -4, kSpriteTextureKind32), nullptr);
  engine::MainHeap()->FailAllocation(1);
  EXPECT_EQ(engine::SpriteTextureCreate(4, 4, kSpriteTextureKind32), nullptr);
  Device().CreateTextureFailSet(true);
  EXPECT_EQ(engine::SpriteTextureCreate(4, 4, kSpriteTextureKind32), nullptr);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);
}

TEST_F(SpriteTextureTest, WithoutAnOpenScreenNoTextureIsMade) {
  engine::ScreenClose();
  EXPECT_EQ(engine::SpriteTextureCreate(4, 4, kSpriteTextureKind32), nullptr);
}

TEST_F(SpriteTextureTest, DeviceContextWriteBackRecomputesAlphaAndReadOnlyWritesNothing) {
  for (std::int32_t kind : {kSpriteTextureKind32, kSpriteTextureKind16}) {
    const bool wide = kind == kSpriteTextureKind32;
    const std::uint32_t white = wide ? 0x00FFFFFF : 0x7FFF;
    const std::uint32_t magenta = wide ? 0x00FF00FF : 0x7C1F;
    const std::uint32_t opaque = wide ? 0xFF000000 : 0x8000;
    SpriteTexture* source = Make(kind, {white, magenta, 0x00000000});
    engine::SpriteTextureApplyMask(source, kMagenta);
    const std::uint32_t before[3] = {At(source, 0), At(source, 1), At(source, 2)};

    // A target without a mask pass: white is its key on 32-bit textures and no colour is on
    // 16-bit ones.
    SpriteTexture* target = Make(kind, {0x1, 0x1, 0x1});
    const platform::DeviceContext from = engine::SpriteTextureGetDC(source);
    const platform::DeviceContext to = engine::SpriteTextureGetDC(target);
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    EXPECT_EQ(engine::SpriteTextureGetDC(source), from);  // already open: the same context
    ASSERT_TRUE(platform::BitBlt(to, 0, 0, 3, 1, from, 0, 0, platform::SRCCOPY));
    EXPECT_EQ(engine::SpriteTextureReleaseDC(target, 0), 1);
    EXPECT_EQ(engine::SpriteTextureReleaseDC(source, 1), 1);
    EXPECT_EQ(engine::SpriteTextureReleaseDC(source, 1), 0);  // no access open any more
    EXPECT_EQ(source->dc, nullptr);

    EXPECT_EQ(At(target, 0), wide ? white : white | opaque);
    EXPECT_EQ(At(target, 1), magenta | opaque);
    EXPECT_EQ(At(target, 2), opaque);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(At(source, i), before[i]);
  }
}

TEST_F(SpriteTextureTest, FailedWriteBackStillEndsTheAccess) {
  SpriteTexture* t = Make(kSpriteTextureKind32, {0x00123456});
  ASSERT_NE(engine::SpriteTextureGetDC(t), nullptr);
  t->levelSurface->LockFailSet(true);
  EXPECT_EQ(engine::SpriteTextureReleaseDC(t, 0), 1);
  EXPECT_EQ(t->dc, nullptr);
  EXPECT_EQ(At(t, 0), 0x00123456u);  // not written back
  t->levelSurface->LockFailSet(false);
}

TEST_F(SpriteTextureTest, NoStagingSurfaceMeansNoDeviceContext) {
  SpriteTexture* t = Make(kSpriteTextureKind32, {0});
  Device().CreateSurfaceFailSet(true);
  EXPECT_EQ(engine::SpriteTextureGetDC(t), nullptr);
  EXPECT_EQ(t->stagingSurface, nullptr);
  EXPECT_EQ(engine::SpriteTextureReleaseDC(t, 0), 0);
  Device().CreateSurfaceFailSet(false);
  EXPECT_NE(engine::SpriteTextureGetDC(t), nullptr);
  EXPECT_EQ(engine::SpriteTextureReleaseDC(t, 1), 1);
}

TEST_F(SpriteTextureTest, RecordInitRefusesTheAlphaBitWithoutItsPermit) {
  struct Case {
    std::uint32_t mode;
    std::int32_t depth;
    bool made;
    std::int32_t storedDepth;
  };
  const Case cases[] = {{0, 32, true, 32}, {4, 32, true, 32},  {12, 32, true, 32},
                        {8, 32, false, 0}, {9, 32, false, 0},  {0, 24, true, 32},
                        {0, 16, true, 16}, {12, 16, true, 16}, {0, 8, true, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " depth " << c.depth);
    engine::SpriteRecord record;
    std::memset(&record, 0x5A, sizeof record);
    engine::SpriteRecord untouched = record;
    SpriteTexture* t = engine::SpriteRecordInit(&record, 12, 5, c.depth, c.mode);
    if (!c.made) {
      EXPECT_EQ(t, nullptr);
      EXPECT_EQ(std::memcmp(&record, &untouched, sizeof record), 0);
      continue;
    }
    ASSERT_NE(t, nullptr);
    made_.push_back(t);
    EXPECT_EQ(record.texture, t);
    EXPECT_EQ(record.width, 12);
    EXPECT_EQ(record.fullWidth, 12);
    EXPECT_EQ(record.height, 5);
    EXPECT_EQ(record.fullHeight, 5);
    EXPECT_EQ(record.depth, c.storedDepth);
    EXPECT_EQ(t->kind, c.storedDepth == 32 ? kSpriteTextureKind32 : kSpriteTextureKind16);
    EXPECT_EQ(record.mode, c.mode);
    EXPECT_EQ(record.clipX, 0);
    EXPECT_EQ(record.clipY, 0);
    const float whole[8] = {0, 0, 1, 0, 0, 1, 1, 1};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(record.texCoords[i], whole[i]);
  }
}

TEST_F(SpriteTextureTest, ReleaseAllFreesEverySpriteAndTheirBlocks) {
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  const Pixels image = PixelsFill(4, 4, 0xFF102030);
  ASSERT_NE(Load(0, image), nullptr);
  ASSERT_NE(Load(70, image), nullptr);  // grows the table
  engine::SpriteRecord* automatic = Load(engine::ObjectIdAuto, image);
  ASSERT_NE(automatic, nullptr);
  const auto autoNumber = reinterpret_cast<engine::ObjectId>(automatic);
  EXPECT_EQ(engine::SpriteLookup(autoNumber), automatic);

  engine::SpriteRelease(engine::ObjectIdAuto);
  EXPECT_EQ(engine::SpriteLookup(0), nullptr);
  EXPECT_EQ(engine::SpriteLookup(70), nullptr);
  EXPECT_EQ(engine::SpriteLookup(autoNumber), nullptr);
  // What stays are the slot records of 0 and 70 and the grown slot array.
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks + 2);
  engine::SpriteRelease(0);  // releasing an empty number does nothing
  engine::SpriteRelease(5000);
}

}  // namespace
}  // namespace sprite_test
