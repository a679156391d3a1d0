#include "image/png_decoder.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "image/image_decoder.h"
#include "image_test_support.h"
#include "png_writer.h"
#include "runtime/main_heap.h"

namespace {

using namespace engine;
using image_test::ImageTest;
using image_test::Length;
using image_test::PixelBuffer;
using image_test::PngImage;

constexpr std::uint32_t kPngTag = ImageFormatTag('P', 'N', 'G');

// Sample c of pixel (x, y) at a bit depth. 16-bit samples carry a low byte of 0xF0 or more, so
// keeping the high byte and rounding to the nearest 8-bit value give different results.
std::uint32_t Sample(std::uint32_t x, std::uint32_t y, int c, int bitDepth) {
  std::uint32_t v = x * 3 + y * 5 + static_cast<std::uint32_t>(c) * 7 + x * y;
  if (bitDepth == 16) return (v & 0xFE) << 8 | (0xFF ^ ((x + y) & 0x0F));
  return v & ((1u << bitDepth) - 1);
}

// The 8-bit value a sample stands for: sub-byte grey scaled to 0..255, 16-bit cut to its high byte.
std::uint8_t Scaled(std::uint32_t sample, int bitDepth) {
  if (bitDepth == 16) return static_cast<std::uint8_t>(sample >> 8);
  return static_cast<std::uint8_t>(sample * 255 / ((1u << bitDepth) - 1));
}

std::array<std::uint8_t, 3> PaletteEntry(std::uint32_t i) {
  return {static_cast<std::uint8_t>(i * 37 + 1), static_cast<std::uint8_t>(i * 91 + 2),
          static_cast<std::uint8_t>(i * 53 + 3)};  // red, green, blue
}

struct PngCase {
  int colorType;
  int bitDepth;
  bool transparency;  // a tRNS chunk
};

void PrintTo(const PngCase& c, std::ostream* os) {
  *os << "colour type " << c.colorType << ", " << c.bitDepth << " bits"
      << (c.transparency ? ", tRNS" : "");
}

std::string CaseName(const testing::TestParamInfo<PngCase>& info) {
  const char* names[] = {"Grey", "?", "Rgb", "Palette", "GreyAlpha", "?", "RgbAlpha"};
  return std::string(names[info.param.colorType]) + std::to_string(info.param.bitDepth) +
         (info.param.transparency ? "Trns" : "");
}

PngImage ImageFor(const PngCase& c, std::uint32_t width, std::uint32_t height) {
  PngImage image;
  image.width = width;
  image.height = height;
  image.colorType = c.colorType;
  image.bitDepth = c.bitDepth;
  int channels = image_test::PngChannels(c.colorType);
  image.rows.assign(static_cast<std::size_t>(image_test::PngRowBytes(image)) * height, 0);
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* row = image.rows.data() + y * image_test::PngRowBytes(image);
    for (std::uint32_t x = 0; x < width; ++x) {
      for (int ch = 0; ch < channels; ++ch) {
        std::uint32_t v = Sample(x, y, ch, c.bitDepth);
        std::uint32_t bit = (x * channels + ch) * c.bitDepth;
        if (c.bitDepth == 16) {
          row[bit / 8] = static_cast<std::uint8_t>(v >> 8);
          row[bit / 8 + 1] = static_cast<std::uint8_t>(v);
        } else {
          row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - c.bitDepth - bit % 8));
        }
      }
    }
  }
  if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
    for (std::uint32_t i = 0; i < (1u << c.bitDepth); ++i) {
      auto e = PaletteEntry(i);
      image.palette.insert(image.palette.end(), e.begin(), e.end());
    }
    // Shorter than the palette: entries beyond the table are opaque.
    if (c.transparency) {
      for (std::uint32_t i = 0; i < std::max(1u, (1u << c.bitDepth) / 2); ++i) {
        image.paletteAlpha.push_back(static_cast<std::uint8_t>(i * 29 + 3));
      }
    }
  } else if (c.transparency && c.colorType == PNG_COLOR_TYPE_GRAY) {
    image.transparentGrey = static_cast<std::uint16_t>(Sample(1, 0, 0, c.bitDepth));
  } else if (c.transparency && c.colorType == PNG_COLOR_TYPE_RGB) {
    for (int ch = 0; ch < 3; ++ch) {
      image.transparentRgb[ch] = static_cast<std::uint16_t>(Sample(2, 1, ch, c.bitDepth));
    }
  }
  return image;
}

// What the decoder must write for pixel (x, y): blue, green, red and, at depth 32, alpha.
std::array<std::uint8_t, 4> Expected(const PngCase& c, std::uint32_t x, std::uint32_t y) {
  int d = c.bitDepth;
  auto s = [&](int ch) { return Sample(x, y, ch, d); };
  switch (c.colorType) {
    case PNG_COLOR_TYPE_GRAY: {
      std::uint8_t g = Scaled(s(0), d);
      std::uint8_t alpha = c.transparency && s(0) == Sample(1, 0, 0, d) ? 0 : 255;
      return {g, g, g, alpha};
    }
    case PNG_COLOR_TYPE_GRAY_ALPHA: {
      std::uint8_t g = Scaled(s(0), d);
      return {g, g, g, Scaled(s(1), d)};
    }
    case PNG_COLOR_TYPE_RGB: {
      bool transparent = c.transparency && s(0) == Sample(2, 1, 0, d) &&
                         s(1) == Sample(2, 1, 1, d) && s(2) == Sample(2, 1, 2, d);
      return {Scaled(s(2), d), Scaled(s(1), d), Scaled(s(0), d),
              static_cast<std::uint8_t>(transparent ? 0 : 255)};
    }
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return {Scaled(s(2), d), Scaled(s(1), d), Scaled(s(0), d), Scaled(s(3), d)};
    default: {
      std::uint32_t index = s(0);
      auto e = PaletteEntry(index);
      std::uint32_t alphaEntries = std::max(1u, (1u << d) / 2);
      std::uint8_t alpha =
          c.transparency && index < alphaEntries ? static_cast<std::uint8_t>(index * 29 + 3) : 255;
      return {e[2], e[1], e[0], alpha};
    }
  }
}

int ExpectedDepth(const PngCase& c) {
  bool alpha = c.transparency || c.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
               c.colorType == PNG_COLOR_TYPE_RGB_ALPHA;
  return alpha ? 32 : 24;
}

struct Decoded {
  std::uint32_t tag = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t depth = 0;
  std::int32_t read = 0;
  PixelBuffer pixels{0, 0};
};

// Opens `length` bytes of `file` (all by default) through the registry and, when accepted, reads
// them at a pitch with `gap` spare bytes.
Decoded Decode(const std::vector<std::uint8_t>& file, std::int32_t gap = 3,
               std::int32_t length = -1) {
  Decoded out;
  out.tag = ImageDecodeOpen(file.data(), length < 0 ? Length(file) : length);
  if (!out.tag) return out;
  out.width = ImageDecodeWidth();
  out.height = ImageDecodeHeight();
  out.depth = ImageDecodeDepth();
  out.pixels = PixelBuffer(out.width * out.depth / 8 + gap, out.height);
  out.read = ImageDecodeRead(out.pixels.bytes.data(), out.pixels.pitch, 0);
  ImageDecodeClose();
  return out;
}

class PngDecoderTest : public ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    PngDecoderRegister();
  }
};

class PngColourTypes : public PngDecoderTest, public testing::WithParamInterface<PngCase> {};

TEST_P(PngColourTypes, DecodesEveryPixelAndInterlacingChangesNothing) {
  const PngCase& c = GetParam();
  const std::uint32_t width = 13;
  const std::uint32_t height = 11;
  PngImage image = ImageFor(c, width, height);
  Decoded plain = Decode(image_test::PngEncode(image));
  image.interlaced = true;
  Decoded interlaced = Decode(image_test::PngEncode(image));

  ASSERT_EQ(plain.tag, kPngTag);
  ASSERT_EQ(plain.width, 13);
  ASSERT_EQ(plain.height, 11);
  ASSERT_EQ(plain.depth, ExpectedDepth(c));
  ASSERT_EQ(plain.read, 1);
  int bytesPerPixel = plain.depth / 8;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      auto want = Expected(c, x, y);
      const std::uint8_t* got = plain.pixels.Row(static_cast<std::int32_t>(y)) + x * bytesPerPixel;
      for (int b = 0; b < bytesPerPixel; ++b) {
        ASSERT_EQ(got[b], want[b]) << "pixel (" << x << ", " << y << ") byte " << b;
      }
    }
  }
  EXPECT_TRUE(plain.pixels.GapsUntouched(static_cast<std::int32_t>(width) * bytesPerPixel));

  ASSERT_EQ(interlaced.tag, kPngTag);
  ASSERT_EQ(interlaced.depth, plain.depth);
  ASSERT_EQ(interlaced.read, 1);
  EXPECT_EQ(interlaced.pixels.bytes, plain.pixels.bytes);
  EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, PngColourTypes,
    testing::Values(
        PngCase{PNG_COLOR_TYPE_GRAY, 1, false}, PngCase{PNG_COLOR_TYPE_GRAY, 1, true},
        PngCase{PNG_COLOR_TYPE_GRAY, 2, false}, PngCase{PNG_COLOR_TYPE_GRAY, 2, true},
        PngCase{PNG_COLOR_TYPE_GRAY, 4, false}, PngCase{PNG_COLOR_TYPE_GRAY, 4, true},
        PngCase{PNG_COLOR_TYPE_GRAY, 8, false}, PngCase{PNG_COLOR_TYPE_GRAY, 8, true},
        PngCase{PNG_COLOR_TYPE_GRAY, 16, false}, PngCase{PNG_COLOR_TYPE_GRAY, 16, true},
        PngCase{PNG_COLOR_TYPE_GRAY_ALPHA, 8, false}, PngCase{PNG_COLOR_TYPE_GRAY_ALPHA, 16, false},
        PngCase{PNG_COLOR_TYPE_RGB, 8, false}, PngCase{PNG_COLOR_TYPE_RGB, 8, true},
        PngCase{PNG_COLOR_TYPE_RGB, 16, false}, PngCase{PNG_COLOR_TYPE_RGB, 16, true},
        PngCase{PNG_COLOR_TYPE_PALETTE, 1, false}, PngCase{PNG_COLOR_TYPE_PALETTE, 1, true},
        PngCase{PNG_COLOR_TYPE_PALETTE, 2, false}, PngCase{PNG_COLOR_TYPE_PALETTE, 2, true},
        PngCase{PNG_COLOR_TYPE_PALETTE, 4, false}, PngCase{PNG_COLOR_TYPE_PALETTE, 4, true},
        PngCase{PNG_COLOR_TYPE_PALETTE, 8, false}, PngCase{PNG_COLOR_TYPE_PALETTE, 8, true},
        PngCase{PNG_COLOR_TYPE_RGB_ALPHA, 8, false}, PngCase{PNG_COLOR_TYPE_RGB_ALPHA, 16, false}),
    CaseName);

// A small RGBA image, the file most tests below take apart.
std::vector<std::uint8_t> SmallPng(bool interlaced = false) {
  PngImage image = ImageFor({PNG_COLOR_TYPE_RGB_ALPHA, 8, false}, 9, 7);
  image.interlaced = interlaced;
  return image_test::PngEncode(image);
}

std::vector<std::uint8_t> Signature() {
  return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

// Signature and an IHDR chunk with a correct CRC, nothing else.
std::vector<std::uint8_t> HeaderOnly(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> file = Signature();
  std::vector<std::uint8_t> ihdr;
  for (std::uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8)
      ihdr.push_back(static_cast<std::uint8_t>(v >> shift));
  }
  ihdr.insert(ihdr.end(), {8, PNG_COLOR_TYPE_RGB_ALPHA, 0, 0, 0});
  image_test::PngChunkAppend(file, "IHDR", ihdr);
  return file;
}

TEST_F(PngDecoderTest, ShortOrForeignDataIsDeclinedBeforeLibpngIsInvolved) {
  auto file = SmallPng();
  std::uint64_t before = MainHeap()->AllocationCount();
  auto seven = image_test::Prefix(file, 7);
  EXPECT_EQ(ImageDecodeOpen(seven.data(), Length(seven)), 0u);
  auto foreign = file;
  foreign[1] = 'Q';
  EXPECT_EQ(ImageDecodeOpen(foreign.data(), Length(foreign)), 0u);
  // A source length of 7 is declined even when the bytes behind it would match.
  EXPECT_EQ(ImageDecodeOpen(file.data(), 7), 0u);
  EXPECT_EQ(MainHeap()->AllocationCount(), before);
}

TEST_F(PngDecoderTest, FormatTagReadsAsPng) {
  auto file = SmallPng();
  std::uint32_t tag = ImageDecodeOpen(file.data(), Length(file));
  EXPECT_EQ(std::memcmp(&tag, "PNG", 4), 0);
  ImageDecodeClose();
}

TEST_F(PngDecoderTest, DimensionsBeyondTheLimitAreDeclinedWithoutLeaks) {
  struct Size {
    std::uint32_t width, height;
  };
  for (Size s : {Size{16385, 1}, Size{1, 16385}, Size{16385, 16385}, Size{0x7FFFFFFF, 1},
                 Size{0x80000000u, 1}, Size{0, 1}, Size{1, 0}}) {
    auto file = HeaderOnly(s.width, s.height);
    EXPECT_EQ(ImageDecodeOpen(file.data(), Length(file)), 0u) << s.width << " x " << s.height;
    EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
  }
}

TEST_F(PngDecoderTest, TheLargestAcceptedWidthDecodes) {
  PngImage image;
  image.width = kImageDimensionMax;
  image.colorType = PNG_COLOR_TYPE_RGB;
  image.rows.assign(image_test::PngRowBytes(image), 0x40);
  Decoded d = Decode(image_test::PngEncode(image), 0);
  ASSERT_EQ(d.tag, kPngTag);
  EXPECT_EQ(d.width, kImageDimensionMax);
  EXPECT_EQ(d.read, 1);
  EXPECT_EQ(d.pixels.bytes, std::vector<std::uint8_t>(kImageDimensionMax * 3, 0x40));
}

TEST_F(PngDecoderTest, EveryCutThroughTheFileFailsUntilOnlyTheEndChunkIsMissing) {
  for (bool interlaced : {false, true}) {
    auto file = SmallPng(interlaced);
    const std::size_t endChunk = 12;  // IEND: length, name, CRC; never read
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
      auto part = image_test::Prefix(file, cut);
      Decoded d = Decode(part);
      bool decoded = d.tag != 0 && d.read == 1;
      EXPECT_EQ(decoded, cut >= file.size() - endChunk)
          << "cut at " << cut << " of " << file.size();
      EXPECT_EQ(LiveBlocksAboveBaseline(), 0u) << "cut at " << cut;
    }
  }
}

TEST_F(PngDecoderTest, DataAfterTheImageIsNeverRead) {
  auto file = SmallPng();
  Decoded good = Decode(file);
  file.erase(file.end() - 12, file.end());  // drop IEND
  file.insert(file.end(), {0, 0, 0, 4, 'J', 'U', 'N', 'K', 1, 2, 3, 4, 0xBA, 0xD0, 0xC0, 0xDE});
  Decoded junk = Decode(file);
  ASSERT_EQ(junk.read, 1);
  EXPECT_EQ(junk.pixels.bytes, good.pixels.bytes);
}

// The file with one byte of the compressed data changed and the CRC made to match again, so that
// only the inflater or the row filters can notice.
std::vector<std::uint8_t> CorruptImageData() {
  auto file = SmallPng();
  long idat = image_test::PngChunkFind(file, "IDAT");
  std::uint32_t length = static_cast<std::uint32_t>(file[idat] << 24 | file[idat + 1] << 16 |
                                                    file[idat + 2] << 8 | file[idat + 3]);
  std::vector<std::uint8_t> data(file.begin() + idat + 8, file.begin() + idat + 8 + length);
  data[2] ^= 0xFF;  // just after the zlib header: a broken deflate block
  std::vector<std::uint8_t> rebuilt(file.begin(), file.begin() + idat);
  image_test::PngChunkAppend(rebuilt, "IDAT", data);
  rebuilt.insert(rebuilt.end(), file.begin() + idat + 12 + length, file.end());
  return rebuilt;
}

TEST_F(PngDecoderTest, CorruptImageDataFailsTheReadSilentlyAndLeavesNothingBehind) {
  auto file = CorruptImageData();
  testing::internal::CaptureStderr();
  Decoded d = Decode(file);
  std::string printed = testing::internal::GetCapturedStderr();
  ASSERT_EQ(d.tag, kPngTag);
  EXPECT_EQ(d.read, 0);
  EXPECT_EQ(printed, "");
  EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
}

TEST_F(PngDecoderTest, BadHeaderCrcIsDeclinedSilently) {
  auto file = SmallPng();
  file[8 + 8 + 3] ^= 1;  // the low byte of the width inside IHDR
  testing::internal::CaptureStderr();
  EXPECT_EQ(ImageDecodeOpen(file.data(), Length(file)), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
}

TEST_F(PngDecoderTest, WarningsAreDroppedAndTheImageStillDecodes) {
  auto file = SmallPng();
  Decoded good = Decode(file);
  // An ancillary chunk with a wrong CRC before the image data makes libpng warn, not fail.
  long idat = image_test::PngChunkFind(file, "IDAT");
  std::vector<std::uint8_t> text;
  image_test::PngChunkAppend(text, "tEXt", {'k', 0, 'v'});
  text.back() ^= 0xFF;
  file.insert(file.begin() + idat, text.begin(), text.end());
  testing::internal::CaptureStderr();
  Decoded warned = Decode(file);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_EQ(warned.read, 1);
  EXPECT_EQ(warned.pixels.bytes, good.pixels.bytes);
}

TEST_F(PngDecoderTest, ReadRefusesADestinationThatCannotHoldARow) {
  auto file = SmallPng();
  ASSERT_EQ(ImageDecodeOpen(file.data(), Length(file)), kPngTag);
  PixelBuffer tight(9 * 4 - 1, 7);
  EXPECT_EQ(ImageDecodeRead(tight.bytes.data(), tight.pitch), 0);
  EXPECT_TRUE(tight.GapsUntouched(0));
  EXPECT_EQ(ImageDecodeRead(nullptr, 9 * 4), 0);
  ImageDecodeClose();
  EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
}

TEST_F(PngDecoderTest, ASecondReadFailsWithoutTouchingTheBuffer) {
  auto file = SmallPng();
  ASSERT_EQ(ImageDecodeOpen(file.data(), Length(file)), kPngTag);
  PixelBuffer first(9 * 4, 7);
  PixelBuffer second(9 * 4, 7);
  EXPECT_EQ(ImageDecodeRead(first.bytes.data(), first.pitch), 1);
  EXPECT_EQ(ImageDecodeRead(second.bytes.data(), second.pitch), 0);
  EXPECT_TRUE(second.GapsUntouched(0));
  ImageDecodeClose();
}

// Every allocation libpng makes comes from MainHeap; failing each one in turn must give a clean
// decline or failed read, never a leak or a crash.
TEST_F(PngDecoderTest, OutOfMemoryAtEveryAllocationFailsCleanly) {
  for (bool interlaced : {false, true}) {
    auto file = SmallPng(interlaced);
    Decoded good = Decode(file);
    ASSERT_EQ(good.read, 1);
    std::uint64_t before = MainHeap()->AllocationCount();
    Decode(file);
    std::uint64_t allocations = MainHeap()->AllocationCount() - before;
    ASSERT_GT(allocations, 2u);
    for (std::uint64_t n = 1; n <= allocations; ++n) {
      MainHeap()->FailAllocation(n);
      Decoded d = Decode(file);
      MainHeap()->FailAllocation(0);
      if (d.tag && d.read) {
        EXPECT_EQ(d.pixels.bytes, good.pixels.bytes);
      }
      EXPECT_EQ(LiveBlocksAboveBaseline(), 0u) << "allocation " << n;
    }
  }
}

TEST_F(PngDecoderTest, MissingPaletteIsDeclined) {
  PngImage image = ImageFor({PNG_COLOR_TYPE_PALETTE, 8, false}, 4, 4);
  auto file = image_test::PngEncode(image);
  long plte = image_test::PngChunkFind(file, "PLTE");
  ASSERT_GT(plte, 0);
  std::uint32_t length = file[plte + 2] << 8 | file[plte + 3];
  file.erase(file.begin() + plte, file.begin() + plte + 12 + length);
  EXPECT_EQ(ImageDecodeOpen(file.data(), Length(file)), 0u);
  EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
}

}  // namespace
