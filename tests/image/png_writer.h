#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace image_test {

// A PNG to write with libpng's write interface. `rows` holds the samples as the file stores them
// before compression: rows of ceil(width * channels * bitDepth / 8) bytes, sub-byte samples
// packed from the most significant bit, 16-bit samples big-endian.
struct PngImage {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  int colorType = 0;  // PNG_COLOR_TYPE_*
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<std::uint8_t> rows;
  std::vector<std::uint8_t> palette;       // red, green, blue triples
  std::vector<std::uint8_t> paletteAlpha;  // tRNS for palette images
  std::optional<std::uint16_t> transparentGrey;
  std::optional<std::uint16_t> transparentRgb[3];  // all three set or none
};

// The encoded file.
std::vector<std::uint8_t> PngEncode(const PngImage& image);

// Channels of a PNG colour type.
int PngChannels(int colorType);

// Bytes per stored row.
std::uint32_t PngRowBytes(const PngImage& image);

// Appends a chunk (length, name, data, CRC) to `file`.
void PngChunkAppend(std::vector<std::uint8_t>& file, const char name[4],
                    const std::vector<std::uint8_t>& data);

// Offset of the first chunk called `name` (its length field), or -1.
long PngChunkFind(const std::vector<std::uint8_t>& file, const char name[4]);

}  // namespace image_test
