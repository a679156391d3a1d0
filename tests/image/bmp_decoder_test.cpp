#include "image/bmp_decoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image/bmp_header.h"
#include "image/image_decoder.h"
#include "image_test_support.h"

namespace {

using namespace engine;
using image_test::ImageTest;
using image_test::kSentinel;
using image_test::Length;
using image_test::PixelBuffer;

using Bgr = std::array<std::uint8_t, 3>;
constexpr std::uint32_t kBmpTag = ImageFormatTag('B', 'M', 'P');

void PutLe(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A bitmap file: headers, colour table (4-byte entries) and the pixel data exactly as given.
struct BmpFile {
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::vector<std::uint8_t> palette;
  std::vector<std::uint8_t> pixels;

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> b(kBmpHeadersBytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    std::uint32_t offset = kBmpHeadersBytes + static_cast<std::uint32_t>(palette.size());
    PutLe(b, 2, offset + static_cast<std::uint32_t>(pixels.size()), 4);
    PutLe(b, 10, offset, 4);
    PutLe(b, 14, 40, 4);
    PutLe(b, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(b, 22, static_cast<std::uint32_t>(height), 4);
    PutLe(b, 26, 1, 2);
    PutLe(b, 28, bitCount, 2);
    PutLe(b, 30, compression, 4);
    PutLe(b, 34, static_cast<std::uint32_t>(pixels.size()), 4);
    PutLe(b, 46, static_cast<std::uint32_t>(palette.size() / 4), 4);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
  }
};

// Stored rows for a value per image pixel (y counts from the top): bottom row first, each row
// filled to a multiple of 4 bytes. Unused bits and fill bytes are all ones, so that a decoder that
// reads them shows it.
std::vector<std::uint8_t> StoredRows(std::int32_t width, std::int32_t height, int bitCount,
                                     const std::function<std::uint32_t(int, int)>& value) {
  std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
  std::vector<std::uint8_t> out(stride * height, 0xFF);
  for (int r = 0; r < height; ++r) {
    std::uint8_t* row = out.data() + r * stride;
    int y = height - 1 - r;
    if (bitCount < 8) std::memset(row, 0, (static_cast<std::size_t>(width) * bitCount + 7) / 8);
    for (int x = 0; x < width; ++x) {
      std::uint32_t v = value(x, y);
      if (bitCount < 8) {
        int bit = x * bitCount;
        row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bitCount - bit % 8));
      } else {
        for (int i = 0; i < bitCount / 8; ++i)
          row[x * bitCount / 8 + i] = static_cast<std::uint8_t>(v >> (8 * i));
      }
    }
    // Set the unused low bits of the last byte of sub-byte rows.
    int usedBits = width * bitCount % 8;
    if (usedBits) row[width * bitCount / 8] |= static_cast<std::uint8_t>(0xFF >> usedBits);
  }
  return out;
}

Bgr PaletteColour(std::uint32_t i) {
  return {static_cast<std::uint8_t>(i * 37 + 1), static_cast<std::uint8_t>(i * 91 + 2),
          static_cast<std::uint8_t>(i * 53 + 3)};
}

std::vector<std::uint8_t> Palette(int entries) {
  std::vector<std::uint8_t> p;
  for (int i = 0; i < entries; ++i) {
    Bgr c = PaletteColour(i);
    p.insert(p.end(), {c[0], c[1], c[2], 0x77});
  }
  return p;
}

struct Decoded {
  std::uint32_t tag = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t depth = 0;
  std::int32_t read = 0;
  PixelBuffer pixels{0, 0};
};

// Opens `length` bytes of `file` (all by default) and, when accepted, reads them at a pitch with
// `gap` spare bytes.
Decoded Decode(const std::vector<std::uint8_t>& file, std::int32_t gap, std::int32_t length = -1) {
  Decoded out;
  out.tag = ImageDecodeOpen(file.data(), length < 0 ? Length(file) : length);
  if (!out.tag) return out;
  out.width = ImageDecodeWidth();
  out.height = ImageDecodeHeight();
  out.depth = ImageDecodeDepth();
  out.pixels = PixelBuffer(out.width * 3 + gap, out.height);
  out.read = ImageDecodeRead(out.pixels.bytes.data(), out.pixels.pitch, 0);
  ImageDecodeClose();
  return out;
}

Bgr PixelAt(const PixelBuffer& p, int x, int y) {
  const std::uint8_t* at = p.Row(y) + 3 * x;
  return {at[0], at[1], at[2]};
}

class BmpDecoderTest : public ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    BmpDecoderRegister();
  }
};

// Each depth decodes a pattern into pixels derived here from the stored values alone.
struct DepthCase {
  const char* name;
  std::uint16_t bitCount;
  std::int32_t width;
  std::function<std::uint32_t(int, int)> value;  // stored value of image pixel (x, y)
  std::function<Bgr(std::uint32_t)> colour;      // what that value must become
};

TEST_F(BmpDecoderTest, EveryDepthDecodesTopDownWithinItsRows) {
  const std::vector<DepthCase> cases = {
      // The colour table holds red and blue; 1-bit images are black and white regardless.
      {"1 bit", 1, 13, [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 3 == 0); },
       [](std::uint32_t v) {
         return v ? Bgr{255, 255, 255} : Bgr{0, 0, 0};
       }},
      {"4 bits", 4, 5, [](int x, int y) { return static_cast<std::uint32_t>(x * 3 + y * 7) & 15; },
       PaletteColour},
      {"8 bits", 8, 7,
       [](int x, int y) { return static_cast<std::uint32_t>(x * 37 + y * 11) & 255; },
       PaletteColour},
      {"16 bits", 16, 5,
       [](int x, int y) {
         return static_cast<std::uint32_t>(x * 4099 + y * 1237 + (x << 15)) & 0xFFFF;
       },
       [](std::uint32_t v) {
         return Bgr{static_cast<std::uint8_t>((v & 31) * 8),
                    static_cast<std::uint8_t>((v >> 5 & 31) * 8),
                    static_cast<std::uint8_t>((v >> 10 & 31) * 8)};
       }},
      {"24 bits", 24, 5,
       [](int x, int y) { return static_cast<std::uint32_t>(x * 0x010203 + y * 0x302010); },
       [](std::uint32_t v) {
         return Bgr{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v >> 16)};
       }},
      {"32 bits", 32, 3,
       [](int x, int y) {
         return static_cast<std::uint32_t>(x) * 0x01020304u +
                static_cast<std::uint32_t>(y) * 0x30201000u + 0xA0000000u;
       },
       [](std::uint32_t v) {
         return Bgr{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v >> 16)};
       }},
  };
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpFile f;
    f.width = c.width;
    f.height = 4;
    f.bitCount = c.bitCount;
    if (c.bitCount == 1) f.palette = {0, 0, 255, 0, 255, 0, 0, 0};
    if (c.bitCount == 4 || c.bitCount == 8) f.palette = Palette(1 << c.bitCount);
    f.pixels = StoredRows(f.width, f.height, c.bitCount, c.value);
    Decoded d = Decode(f.Bytes(), 2);
    ASSERT_EQ(d.tag, kBmpTag);
    EXPECT_EQ(d.width, c.width);
    EXPECT_EQ(d.height, 4);
    EXPECT_EQ(d.depth, 24);
    EXPECT_EQ(d.read, 1);
    for (int y = 0; y < f.height; ++y) {
      for (int x = 0; x < f.width; ++x) {
        EXPECT_EQ(PixelAt(d.pixels, x, y), c.colour(c.value(x, y)))
            << "pixel (" << x << ", " << y << ")";
      }
    }
    EXPECT_TRUE(d.pixels.GapsUntouched(c.width * 3));
  }
}

TEST_F(BmpDecoderTest, SixteenBitPixelsTakeFiveBitsPerChannelAndIgnoreBitFifteen) {
  const std::uint16_t stored[] = {0x7C00, 0x001F, 0x03E0, 0x8000, 0xFFFF};
  const Bgr expected[] = {{0, 0, 248}, {248, 0, 0}, {0, 248, 0}, {0, 0, 0}, {248, 248, 248}};
  BmpFile f;
  f.width = 5;
  f.bitCount = 16;
  for (std::uint16_t v : stored)
    f.pixels.insert(f.pixels.end(),
                    {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
  f.pixels.insert(f.pixels.end(), {0, 0});
  Decoded d = Decode(f.Bytes(), 0);
  ASSERT_EQ(d.read, 1);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(d.pixels, x, 0), expected[x]) << "pixel " << x;
}

TEST_F(BmpDecoderTest, RunLengthExampleWritesTheBottomTwoRows) {
  BmpFile f;
  f.width = 4;
  f.height = 3;
  f.bitCount = 8;
  f.compression = 1;
  f.palette = Palette(256);
  f.pixels = {2, 5, 0, 0, 0, 3, 7, 8, 9, 0, 0, 1};
  Decoded d = Decode(f.Bytes(), 0);
  ASSERT_EQ(d.tag, kBmpTag);
  ASSERT_EQ(d.read, 1);
  const Bgr untouched{kSentinel, kSentinel, kSentinel};
  const std::vector<std::vector<Bgr>> expected = {
      {untouched, untouched, untouched, untouched},
      {PaletteColour(7), PaletteColour(8), PaletteColour(9), untouched},
      {PaletteColour(5), PaletteColour(5), untouched, untouched},
  };
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(PixelAt(d.pixels, x, y), expected[y][x]) << x << ", " << y;
  }
}

// Run-length data that points outside the image: writes stay inside it (the destination is
// allocated to its exact size) and every pixel no run covers keeps its bytes.
struct RleCase {
  const char* name;
  std::int32_t width;
  std::int32_t height;
  std::vector<std::uint8_t> data;
  std::vector<std::array<int, 3>> written;  // x, y from the bottom, colour index
};

TEST_F(BmpDecoderTest, HostileRunLengthDataStaysInsideTheImage) {
  const std::vector<RleCase> cases = {
      {"run longer than the row",
       4,
       2,
       {10, 1, 0, 1},
       {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}, {3, 0, 1}}},
      {"absolute run longer than the row", 2, 1, {0, 4, 6, 7, 8, 9, 0, 1}, {{0, 0, 6}, {1, 0, 7}}},
      {"run after a delta past the row end",
       3,
       2,
       {0, 2, 200, 0, 3, 1, 0, 0, 1, 2, 0, 1},
       {{0, 1, 2}}},
      {"delta past the top", 3, 2, {0, 2, 0, 9, 3, 1, 0, 1}, {}},
      {"lines past the top", 2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 2, 3}, {}},
      {"no end-of-bitmap pair", 3, 1, {1, 4}, {{0, 0, 4}}},
      {"data ends inside a pair", 3, 1, {1, 4, 1}, {{0, 0, 4}}},
      {"data ends inside an absolute run", 4, 1, {0, 5, 1, 2}, {{0, 0, 1}, {1, 0, 2}}},
      {"data ends inside a delta", 4, 1, {1, 3, 0, 2, 1}, {{0, 0, 3}}},
      {"odd absolute run without its fill byte",
       4,
       1,
       {0, 3, 1, 2, 3},
       {{0, 0, 1}, {1, 0, 2}, {2, 0, 3}}},
      {"no data at all", 2, 2, {}, {}},
  };
  for (const RleCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpFile f;
    f.width = c.width;
    f.height = c.height;
    f.bitCount = 8;
    f.compression = 1;
    f.palette = Palette(256);
    f.pixels = c.data;
    Decoded d = Decode(f.Bytes(), 0);
    ASSERT_EQ(d.tag, kBmpTag);
    ASSERT_EQ(d.read, 1);
    std::vector<std::vector<Bgr>> expected(
        c.height, std::vector<Bgr>(c.width, Bgr{kSentinel, kSentinel, kSentinel}));
    for (auto [x, fromBottom, index] : c.written)
      expected[c.height - 1 - fromBottom][x] = PaletteColour(index);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x)
        EXPECT_EQ(PixelAt(d.pixels, x, y), expected[y][x]) << x << ", " << y;
    }
  }
}

// A 3 x 2 24-bit file that each case below breaks in one place.
std::vector<std::uint8_t> ValidBmp() {
  BmpFile f;
  f.width = 3;
  f.height = 2;
  f.pixels =
      StoredRows(3, 2, 24, [](int x, int y) { return static_cast<std::uint32_t>(x + 10 * y); });
  return f.Bytes();
}

struct HeaderCase {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&)> change;
  DecodeStatus status;
};

TEST_F(BmpDecoderTest, HeadersThatDescribeNoWritableImageAreDeclined) {
  auto set = [](std::size_t at, std::uint32_t v, int bytes) {
    return [=](std::vector<std::uint8_t>& b) { PutLe(b, at, v, bytes); };
  };
  const std::vector<HeaderCase> cases = {
      {"png signature",
       [](auto& b) {
         b[0] = 0x89;
         b[1] = 'P';
       },
       DecodeStatus::NotRecognised},
      {"first reserved word", set(6, 1, 2), DecodeStatus::NotRecognised},
      {"second reserved word", set(8, 0x100, 2), DecodeStatus::NotRecognised},
      {"headers cut short", [](auto& b) { b.resize(40); }, DecodeStatus::Truncated},
      {"core-sized info header", set(14, 12, 4), DecodeStatus::Unsupported},
      {"top-down rows", set(22, static_cast<std::uint32_t>(-2), 4), DecodeStatus::Unsupported},
      {"zero width", set(18, 0, 4), DecodeStatus::InvalidHeader},
      {"zero height", set(22, 0, 4), DecodeStatus::InvalidHeader},
      {"negative width", set(18, static_cast<std::uint32_t>(-3), 4), DecodeStatus::InvalidHeader},
      {"width over the limit", set(18, 16385, 4), DecodeStatus::TooLarge},
      {"height over the limit", set(22, 16385, 4), DecodeStatus::TooLarge},
      {"largest width", set(18, 0x7FFFFFFF, 4), DecodeStatus::TooLarge},
      {"smallest height", set(22, 0x80000000u, 4), DecodeStatus::Unsupported},
      {"4-bit run-length data",
       [](auto& b) {
         PutLe(b, 28, 4, 2);
         PutLe(b, 30, 2, 4);
       },
       DecodeStatus::Unsupported},
      {"2 bits per pixel", set(28, 2, 2), DecodeStatus::Unsupported},
      {"0 bits per pixel", set(28, 0, 2), DecodeStatus::Unsupported},
      {"64 bits per pixel", set(28, 64, 2), DecodeStatus::Unsupported},
      {"pixel offset past the end", set(10, 1000, 4), DecodeStatus::Truncated},
      {"largest pixel offset", set(10, 0xFFFFFFFFu, 4), DecodeStatus::Truncated},
      {"rows past the end", set(22, 3, 4), DecodeStatus::Truncated},
      {"rows of a wider image past the end", set(18, 16384, 4), DecodeStatus::Truncated},
      {"last row one byte short", [](auto& b) { b.pop_back(); }, DecodeStatus::Truncated},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = ValidBmp();
    c.change(file);
    EXPECT_EQ(BmpHeaderRead(file.data(), Length(file)).status, c.status);
    EXPECT_EQ(ImageDecodeOpen(file.data(), Length(file)), 0u);
  }
}

TEST_F(BmpDecoderTest, LargestAcceptedDimensionsDecode) {
  BmpFile f;
  f.width = kImageDimensionMax;
  f.height = 1;
  f.bitCount = 1;
  f.pixels =
      StoredRows(f.width, 1, 1, [](int x, int) { return static_cast<std::uint32_t>(x & 1); });
  Decoded d = Decode(f.Bytes(), 0);
  ASSERT_EQ(d.tag, kBmpTag);
  EXPECT_EQ(d.read, 1);
  EXPECT_EQ(PixelAt(d.pixels, kImageDimensionMax - 1, 0), (Bgr{255, 255, 255}));
}

TEST_F(BmpDecoderTest, EveryCutBeforeTheLastPixelByteIsDeclined) {
  for (std::uint16_t bitCount : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bitCount);
    BmpFile f;
    f.width = 5;
    f.height = 3;
    f.bitCount = bitCount;
    if (bitCount <= 8) f.palette = Palette(1 << bitCount);
    f.pixels =
        StoredRows(5, 3, bitCount, [](int x, int y) { return static_cast<std::uint32_t>(x + y); });
    auto file = f.Bytes();
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
      // Once as a copy of exactly that size, once as the whole file with a shorter length.
      auto part = image_test::Prefix(file, cut);
      EXPECT_EQ(Decode(part, 0).tag != 0, cut == file.size()) << "cut at " << cut;
      auto cutLength = static_cast<std::int32_t>(cut);
      EXPECT_EQ(Decode(file, 0, cutLength).tag != 0, cut == file.size()) << "length " << cut;
    }
  }
}

TEST_F(BmpDecoderTest, RunLengthDataCutAnywhereDecodesWhatIsThere) {
  BmpFile f;
  f.width = 4;
  f.height = 3;
  f.bitCount = 8;
  f.compression = 1;
  f.palette = Palette(256);
  // Two pixels, end of line, an absolute run of three, end of line, a delta, one pixel, end.
  f.pixels = {2, 5, 0, 0, 0, 3, 7, 8, 9, 0, 0, 0, 0, 2, 1, 0, 1, 6, 0, 1};
  auto file = f.Bytes();
  std::size_t dataStart = file.size() - f.pixels.size();
  Decoded whole = Decode(file, 0);
  ASSERT_EQ(whole.read, 1);
  EXPECT_EQ(PixelAt(whole.pixels, 1, 0), PaletteColour(6));
  for (std::size_t cut = 0; cut <= file.size(); ++cut) {
    auto part = image_test::Prefix(file, cut);
    Decoded d = Decode(part, 0);
    ASSERT_EQ(d.tag != 0, cut >= dataStart) << "cut at " << cut;
    if (!d.tag) continue;
    EXPECT_EQ(d.read, 1);
    // Whatever a shorter file writes, the whole file writes the same way.
    for (std::size_t i = 0; i < d.pixels.bytes.size(); ++i) {
      if (d.pixels.bytes[i] != kSentinel) {
        EXPECT_EQ(d.pixels.bytes[i], whole.pixels.bytes[i]) << "cut " << cut;
      }
    }
    // The whole file with a shorter length reads no further than the cut copy does.
    Decoded shorter = Decode(file, 0, static_cast<std::int32_t>(cut));
    EXPECT_EQ(shorter.pixels.bytes, d.pixels.bytes) << "length " << cut;
  }
}

TEST_F(BmpDecoderTest, ColourIndicesBeyondTheDataAreBlack) {
  BmpFile f;
  f.width = 3;
  f.bitCount = 8;
  f.palette = Palette(2);
  // Index 1 lies in the table; index 2 reads the pixel bytes that follow it, as the format
  // leaves it; index 255 would lie past the end of the file.
  f.pixels = {1, 255, 2, 0};
  auto file = f.Bytes();
  Decoded d = Decode(file, 0);
  ASSERT_EQ(d.read, 1);
  EXPECT_EQ(PixelAt(d.pixels, 0, 0), PaletteColour(1));
  EXPECT_EQ(PixelAt(d.pixels, 1, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(PixelAt(d.pixels, 2, 0), (Bgr{1, 255, 2}));
}

TEST_F(BmpDecoderTest, ReadRefusesADestinationThatCannotHoldARow) {
  auto file = ValidBmp();
  ASSERT_EQ(ImageDecodeOpen(file.data(), Length(file)), kBmpTag);
  PixelBuffer tight(8, 2);
  EXPECT_EQ(ImageDecodeRead(tight.bytes.data(), tight.pitch), 0);
  EXPECT_TRUE(tight.GapsUntouched(0));
  EXPECT_EQ(ImageDecodeRead(nullptr, 9), 0);
  ImageDecodeClose();
}

}  // namespace
