#pragma once

#include <cstdint>

#include "image/decode_result.h"

namespace engine {

// The 14-byte file header at offset 0, little-endian fields kept as bytes so that the struct has
// no padding and reads the same on any host.
struct BmpFileHeader {
  std::uint8_t signature[2];  // "BM"
  std::uint8_t fileSize[4];   // not used
  std::uint8_t reserved1[2];  // must be 0
  std::uint8_t reserved2[2];  // must be 0
  std::uint8_t pixelOffset[4];
};
static_assert(sizeof(BmpFileHeader) == 14);

// The 40-byte info header that follows; later header versions extend it at the end.
struct BmpInfoHeader {
  std::uint8_t headerSize[4];
  std::uint8_t width[4];   // signed
  std::uint8_t height[4];  // signed; negative means rows stored top-down
  std::uint8_t planes[2];
  std::uint8_t bitCount[2];
  std::uint8_t compression[4];
  std::uint8_t imageSize[4];
  std::uint8_t xPixelsPerMeter[4];
  std::uint8_t yPixelsPerMeter[4];
  std::uint8_t colorsUsed[4];
  std::uint8_t colorsImportant[4];
};
static_assert(sizeof(BmpInfoHeader) == 40);

inline constexpr std::uint32_t kBmpHeadersBytes = sizeof(BmpFileHeader) + sizeof(BmpInfoHeader);

// How the pixel rows are stored.
enum class BmpPixelFormat : std::uint8_t {
  Mono1,     // 1 bit per pixel, 0 black, 1 white
  Indexed4,  // 4 bits per pixel, high nibble first, colour table indices
  Indexed8,  // 8 bits per pixel, colour table indices
  Rle8,      // run-length encoded colour table indices
  Rgb555,    // 16 bits per pixel, 5 bits each of red, green, blue
  Bgr24,     // blue, green, red
  Bgrx32,    // blue, green, red and an unused byte
};

// What the decoder needs from the headers, checked against the data it came with.
struct BmpImage {
  std::int32_t width = 0;
  std::int32_t height = 0;  // rows, stored bottom-up
  BmpPixelFormat format = BmpPixelFormat::Bgr24;
  std::uint32_t pixelOffset = 0;       // first byte of the bottom row (or of the run-length data)
  std::uint64_t colorTableOffset = 0;  // 4-byte entries blue, green, red, unused
  std::uint32_t rowStride = 0;         // bytes per stored row including fill; 0 for Rle8
};

// Reads and checks the headers of `length` bytes at `source`. Succeeds only for images the decoder
// writes completely: positive dimensions within kImageDimensionMax, a supported depth, and, for the
// uncompressed depths, every row inside the data. Run-length data has to start inside it, and
// an image of more than 65536 pixels needs a byte of it for every 128 pixels.
DecodeResult<BmpImage> BmpHeaderRead(const std::uint8_t* source, std::int64_t length);

}  // namespace engine
