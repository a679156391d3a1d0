#include <cstring>
#include <filesystem>

#include "image/image_decoder.h"
#include "runtime/main_heap.h"
#include "sprite/sprite_texel.h"
#include "sprite_fixture.h"

namespace sprite_test {
namespace {

using engine::ColorRGB;
using engine::SpriteLookup;

// A decoder for made-up images: the source is "FAKE" and the test sets what it reports and
// writes. It fills every byte of each row's pitch, padding included, so that a padding byte
// reaching a texel shows.
struct FakeImage {
  std::int32_t width = 5;
  std::int32_t height = 3;
  std::int32_t depth = 24;
  bool decodeFails = false;
  std::int32_t pitchSeen = 0;
  int closes = 0;
};
FakeImage gFake;

constexpr std::uint8_t kPadByte = 0xEE;

// Pixel byte b of row r: small distinct values, never kPadByte.
std::uint8_t FakeByte(std::int32_t r, std::int32_t b) {
  return static_cast<std::uint8_t>((r * 37 + b * 3 + 1) & 0x7F);
}

std::int32_t FakeProbe(engine::ImageDecodeContext* context) {
  if (context->sourceLength < 4 || std::memcmp(context->source, "FAKE", 4) != 0) return 0;
  context->width = gFake.width;
  context->height = gFake.height;
  context->depth = gFake.depth;
  return 1;
}

std::int32_t FakeDecode(engine::ImageDecodeContext*, void* destination, std::int32_t pitch,
                        std::uint32_t) {
  gFake.pitchSeen = pitch;
  if (gFake.decodeFails) return 0;
  const std::int32_t pixelBytes = gFake.width * (gFake.depth == 32 ? 4 : 3);
  auto* out = static_cast<std::uint8_t*>(destination);
  for (std::int32_t r = 0; r < gFake.height; ++r)
    for (std::int32_t b = 0; b < pitch; ++b)
      out[static_cast<std::ptrdiff_t>(r) * pitch + b] = b < pixelBytes ? FakeByte(r, b) : kPadByte;
  return 1;
}

void FakeClose(engine::ImageDecodeContext*) {
  ++gFake.closes;
}

const engine::ImageDecoder kFakeDecoder = {FakeProbe, FakeDecode, FakeClose,
                                           engine::ImageFormatTag('F', 'A', 'K')};
const std::vector<std::uint8_t> kFakeFile = {'F', 'A', 'K', 'E'};

class SpriteLoadTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    gFake = FakeImage{};
    engine::ImageDecoderRegister(&kFakeDecoder);
  }
};

// Three pixels of a 32-bit image: opaque black, half-transparent red, transparent green.
Pixels ThreeAlphaPixels() {
  Pixels p = PixelsFill(3, 1, 0);
  p.At(0, 0) = 0xFF000000;
  p.At(1, 0) = 0x80FF0000;
  p.At(2, 0) = 0x0000FF00;
  return p;
}

TEST_F(SpriteLoadTest, ModeDecidesWhereAlphaComesFrom) {
  Open();
  struct Case {
    std::uint32_t mode;
    bool loads;
    std::uint32_t texels[3];
    std::uint32_t maskColor;
  };
  const Case cases[] = {
      {0, true, {0x00000000, 0xFFFF0000, 0xFF00FF00}, 0},
      {4, true, {0x00000000, 0xFFFF0000, 0xFF00FF00}, 0},
      {12, true, {0xFF000000, 0x80FF0000, 0x0000FF00}, engine::kMaskColorNone},
      {8, false, {}, 0},
  };
  const Pixels image = ThreeAlphaPixels();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    ASSERT_NE(Load(3, PixelsFill(2, 2, 0xFF123456)), nullptr);  // a live sprite to replace
    engine::SpriteRecord* record = Load(3, image, true, c.mode);
    if (!c.loads) {
      EXPECT_EQ(record, nullptr);
      EXPECT_EQ(SpriteLookup(3), nullptr);
      continue;
    }
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record, SpriteLookup(3));
    EXPECT_EQ(record->mode, c.mode);
    EXPECT_EQ(record->depth, 32);
    EXPECT_EQ(record->fullWidth, 3);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Texel(3, x, 0), c.texels[x]) << "texel " << x;
    EXPECT_EQ(record->texture->maskColor, c.maskColor);
  }
}

TEST_F(SpriteLoadTest, AlphaBitIsDroppedForImagesWithoutAlpha) {
  Open();
  engine::SpriteRecord* record = Load(1, ThreeAlphaPixels(), false, 12);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->mode, 12u);
  EXPECT_EQ(Texel(1, 0, 0), 0x00000000u);
  EXPECT_EQ(Texel(1, 1, 0), 0xFFFF0000u);
  EXPECT_EQ(Texel(1, 2, 0), 0xFF00FF00u);
  EXPECT_EQ(record->texture->maskColor, 0u);
}

TEST_F(SpriteLoadTest, SixteenBitScreenMakesSixteenBitSprites) {
  Open(16);
  Pixels image = PixelsFill(4, 1, 0);
  image.At(0, 0) = 0xFFFF8040;  // red FF, green 80, blue 40
  image.At(1, 0) = 0xFF000000;  // black: the default mask colour
  image.At(2, 0) = 0x7F070707;  // below the 5-bit steps: black too, yet not the mask colour
  image.At(3, 0) = 0x00FFFFFF;
  engine::SpriteRecord* record = Load(0, image, true);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->depth, 16);
  EXPECT_EQ(record->texture->kind, engine::kSpriteTextureKind16);
  EXPECT_EQ(Texel(0, 0, 0), 0x8000u | (0xF8u << 7) | (0x80u << 2) | (0x40u >> 3));
  EXPECT_EQ(Texel(0, 1, 0), 0x0000u);
  EXPECT_EQ(Texel(0, 2, 0), 0x0000u);  // its 15 bits equal the key of black
  EXPECT_EQ(Texel(0, 3, 0), 0xFFFFu);

  // With the alpha bit, a 16-bit texel takes the top bit of the image's alpha.
  ASSERT_NE(Load(1, image, true, 12), nullptr);
  EXPECT_EQ(Texel(1, 0, 0), 0xFE08u);
  EXPECT_EQ(Texel(1, 1, 0), 0x8000u);
  EXPECT_EQ(Texel(1, 2, 0), 0x0000u);
  EXPECT_EQ(Texel(1, 3, 0), 0x7FFFu);
}

TEST_F(SpriteLoadTest, RowsAreReadAtTheirPaddedPitch) {
  Open();
  struct Case {
    std::int32_t width;
    std::int32_t depth;
    std::int32_t pitch;
  };
  // 24-bit rows are padded to a multiple of 4; any depth but 32 counts as 24.
  const Case cases[] = {{5, 24, 16}, {4, 24, 12}, {6, 24, 20}, {7, 24, 24},
                        {1, 24, 4},  {5, 32, 20}, {5, 16, 16}, {3, 8, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "width " << c.width << " depth " << c.depth);
    gFake.width = c.width;
    gFake.depth = c.depth;
    ASSERT_NE(engine::SpriteFromMemory(0, kFakeFile, 12), nullptr);
    EXPECT_EQ(gFake.pitchSeen, c.pitch);
    const int bytesPerPixel = c.depth == 32 ? 4 : 3;
    for (std::int32_t r = 0; r < gFake.height; ++r) {
      for (std::int32_t x = 0; x < c.width; ++x) {
        const int b = x * bytesPerPixel;
        std::uint32_t expected =
            FakeByte(r, b) | FakeByte(r, b + 1) << 8 | FakeByte(r, b + 2) << 16;
        // 32-bit: the image's alpha (mode 12); 24-bit: the mask pass, and no colour is black.
        expected |=
            c.depth == 32 ? static_cast<std::uint32_t>(FakeByte(r, b + 3)) << 24 : 0xFF000000u;
        EXPECT_EQ(Texel(0, x, r), expected) << "texel " << x << ", " << r;
      }
    }
  }
  EXPECT_EQ(gFake.closes, 8);
}

TEST_F(SpriteLoadTest, DefaultMaskColourAppliesToSpritesLoadedLater) {
  Open();
  Pixels image = PixelsFill(2, 1, 0xFF000000);
  image.At(1, 0) = 0xFFFF00FF;
  ASSERT_NE(Load(0, image), nullptr);
  engine::SpriteSetMaskColor(engine::ObjectIdAuto, ColorRGB(255, 0, 255));
  EXPECT_EQ(engine::DefaultMaskColor, ColorRGB(255, 0, 255));
  ASSERT_NE(Load(1, image), nullptr);

  EXPECT_EQ(Texel(0, 0, 0), 0x00000000u);  // loaded before: black stays transparent
  EXPECT_EQ(Texel(0, 1, 0), 0xFFFF00FFu);
  EXPECT_EQ(Texel(1, 0, 0), 0xFF000000u);
  EXPECT_EQ(Texel(1, 1, 0), 0x00FF00FFu);
  EXPECT_EQ(Record(1).texture->maskColor, ColorRGB(255, 0, 255));
}

TEST_F(SpriteLoadTest, FilesLoadInBothFormatsAndUnderAnAutomaticNumber) {
  Open();
  Pixels image = PixelsFill(3, 2, 0xFF102030);
  image.At(2, 1) = 0xFF405060;
  const std::string png = FileWrite("load.png", PngEncode(image, true));
  const std::string bmp = FileWrite("load.bmp", BmpEncode(image));
  for (const std::string& path : {png, bmp}) {
    SCOPED_TRACE(path);
    engine::SpriteRecord* record = engine::SpriteLoad(engine::ObjectIdAuto, path.c_str());
    ASSERT_NE(record, nullptr);
    const auto number = reinterpret_cast<engine::ObjectId>(record);
    EXPECT_EQ(SpriteLookup(number), record);
    EXPECT_EQ(record->fullWidth, 3);
    EXPECT_EQ(record->fullHeight, 2);
    EXPECT_EQ(Texel(number, 0, 0), 0xFF102030u);
    EXPECT_EQ(Texel(number, 2, 1), 0xFF405060u);
    engine::SpriteRelease(number);
    EXPECT_EQ(SpriteLookup(number), nullptr);
  }
}

TEST_F(SpriteLoadTest, FailuresLeaveTheNumberAsDocumented) {
  Open();
  const Pixels old = PixelsFill(2, 2, 0xFF445566);
  const std::vector<std::uint8_t> good = PngEncode(PixelsFill(8, 8, 0xFF112233), true);
  const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
  const std::string dir = ::testing::TempDir() + "sprite_test_dir";
  std::filesystem::create_directories(dir);
  struct Case {
    const char* name;
    std::string path;
    bool survives;
  };
  const Case cases[] = {
      {"missing file", ::testing::TempDir() + "sprite_test_missing.png", true},
      {"directory", dir, true},
      {"empty file", FileWrite("empty.png", {}), false},
      {"unknown format", FileWrite("garbage.png", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i'}), false},
      {"truncated PNG", FileWrite("truncated.png", truncated), false},
      {"truncated BMP",
       FileWrite("truncated.bmp",
                 [] {
                   std::vector<std::uint8_t> b = BmpEncode(PixelsFill(8, 8, 0xFF010203));
                   b.resize(b.size() - 10);
                   return b;
                 }()),
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(Load(7, old), nullptr);
    EXPECT_EQ(engine::SpriteLoad(7, c.path.c_str()), nullptr);
    if (c.survives) {
      ASSERT_NE(SpriteLookup(7), nullptr);
      EXPECT_EQ(Texel(7, 1, 1), 0xFF445566u);
    } else {
      EXPECT_EQ(SpriteLookup(7), nullptr);
    }
  }
  EXPECT_EQ(engine::SpriteLoad(7, nullptr), nullptr);
}

TEST_F(SpriteLoadTest, DecoderFailuresEmptyTheNumberAndAlwaysClose) {
  Open();
  struct Case {
    const char* name;
    std::int32_t width;
    std::int32_t height;
    bool decodeFails;
  };
  const Case cases[] = {
      {"rows cannot be read", 4, 4, true},
      {"no width", 0, 4, false},
      {"negative height", 4, -1, false},
      {"wider than any texture", 16385, 1, false},
      {"taller than any texture", 1, 16385, false},
      {"far too large", 0x40000000, 0x7FFFFFFF, false},
  };
  int closes = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(Load(2, PixelsFill(2, 2, 0xFF445566)), nullptr);
    gFake.width = c.width;
    gFake.height = c.height;
    gFake.decodeFails = c.decodeFails;
    EXPECT_EQ(engine::SpriteFromMemory(2, kFakeFile), nullptr);
    EXPECT_EQ(SpriteLookup(2), nullptr);
    EXPECT_EQ(gFake.closes, ++closes);
  }
}

TEST_F(SpriteLoadTest, TextureFailuresAndAMissingScreen) {
  Open();
  const std::vector<std::uint8_t> png = PngEncode(PixelsFill(4, 4, 0xFF010203), false);
  ASSERT_NE(engine::SpriteFromMemory(4, png), nullptr);
  Device().CreateTextureFailSet(true);
  EXPECT_EQ(engine::SpriteFromMemory(4, png), nullptr);
  EXPECT_EQ(SpriteLookup(4), nullptr);
  Device().CreateTextureFailSet(false);

  engine::ScreenClose();  // frees every sprite; loading now has no device to make textures on
  EXPECT_EQ(engine::SpriteFromMemory(4, png), nullptr);
  EXPECT_EQ(SpriteLookup(4), nullptr);
}

// A failed load under ObjectIdAuto gave the caller no number, so it must leave no record behind.
TEST_F(SpriteLoadTest, FailedAutomaticLoadsLeaveNothingBehind) {
  Open();
  const std::vector<std::uint8_t> png = PngEncode(PixelsFill(4, 4, 0xFF010203), false);
  ASSERT_NE(engine::SpriteFromMemory(0, png), nullptr);
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  EXPECT_EQ(engine::SpriteFromMemory(engine::ObjectIdAuto, kFakeFile, 8), nullptr);
  EXPECT_EQ(engine::SpriteFromMemory(engine::ObjectIdAuto, std::vector<std::uint8_t>{1, 2}),
            nullptr);
  Device().CreateTextureFailSet(true);
  EXPECT_EQ(engine::SpriteFromMemory(engine::ObjectIdAuto, png), nullptr);
  EXPECT_EQ(engine::SpriteCopy(0, engine::ObjectIdAuto), nullptr);
  Device().CreateTextureFailSet(false);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);
  EXPECT_EQ(engine::SpriteTable->autoList, nullptr);
}

TEST_F(SpriteLoadTest, WithoutTheSpriteSystemNothingLoads) {
  const std::vector<std::uint8_t> png = PngEncode(PixelsFill(4, 4, 0xFF010203), false);
  EXPECT_EQ(engine::SpriteFromMemory(0, png), nullptr);
}

// Fails each heap allocation of a load in turn, for a 32-bit image and a 24-bit one (which the
// loader decodes through a buffer of its own). A load that loses its file buffer leaves the
// number as it was; any later failure empties it; nothing leaks either way.
TEST_F(SpriteLoadTest, EveryAllocationFailureOfALoadIsClean) {
  Open();
  Pixels image = PixelsFill(16, 16, 0xFF336699);
  image.At(3, 3) = 0x80000000;
  const Pixels old = PixelsFill(2, 2, 0xFF445566);
  engine::Heap& heap = *engine::MainHeap();
  ASSERT_NE(Load(9, old), nullptr);
  engine::SpriteRelease(9);
  const std::size_t emptyBlocks = heap.LiveBlockCount();

  for (bool alpha : {true, false}) {
    SCOPED_TRACE(alpha ? "32-bit image" : "24-bit image");
    const std::string path = FileWrite("heap.png", PngEncode(image, alpha));
    ASSERT_NE(Load(9, old), nullptr);
    const std::uint64_t before = heap.AllocationCount();
    ASSERT_NE(engine::SpriteLoad(9, path.c_str()), nullptr);
    const std::uint64_t allocations = heap.AllocationCount() - before;
    ASSERT_GE(allocations, 3u);  // file buffer, decoder state, texture record (and buffer)
    engine::SpriteRelease(9);
    ASSERT_EQ(heap.LiveBlockCount(), emptyBlocks);

    for (std::uint64_t n = 1; n <= allocations; ++n) {
      SCOPED_TRACE(testing::Message() << "allocation " << n << " of " << allocations);
      ASSERT_NE(Load(9, old), nullptr);
      heap.FailAllocation(n);
      EXPECT_EQ(engine::SpriteLoad(9, path.c_str()), nullptr);
      heap.FailAllocation(0);
      if (n == 1) {
        ASSERT_NE(SpriteLookup(9), nullptr);
        EXPECT_EQ(Texel(9, 0, 0), 0xFF445566u);
      } else {
        EXPECT_EQ(SpriteLookup(9), nullptr);
      }
      engine::SpriteRelease(9);
      EXPECT_EQ(heap.LiveBlockCount(), emptyBlocks);
    }
  }
}

}  // namespace
}  // namespace sprite_test
