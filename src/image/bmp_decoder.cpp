#include "image/bmp_decoder.h"

#include <algorithm>
#include <cstring>

#include "image/bmp_header.h"

namespace engine {

namespace {

constexpr int kWordData = 1;

const ImageDecoder kBmpDecoder{BmpProbe, BmpDecode, BmpClose, ImageFormatTag('B', 'M', 'P')};

// The 256 colours an 8-bit or 4-bit index can select, as blue, green, red. The file says nothing
// reliable about the table's length, so an entry counts as present when its three bytes lie in
// the data; entries beyond it read as black instead of as bytes past the end.
struct Palette {
  std::uint8_t bgr[256][3];
};

void PaletteLoad(Palette& palette, const std::uint8_t* source, std::int64_t length,
                 std::uint64_t tableOffset) {
  std::memset(&palette, 0, sizeof palette);
  for (std::uint64_t i = 0; i < 256; ++i) {
    std::uint64_t entry = tableOffset + 4 * i;
    if (entry + 3 > static_cast<std::uint64_t>(length)) break;
    std::memcpy(palette.bgr[i], source + entry, 3);
  }
}

void RowDecode(const BmpImage& image, const Palette& palette, const std::uint8_t* in,
               std::uint8_t* out) {
  const std::int32_t width = image.width;
  switch (image.format) {
    case BmpPixelFormat::Mono1:
      // Black and white by definition: the colour table is not consulted.
      for (std::int32_t x = 0; x < width; ++x) {
        std::uint8_t v = (in[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
        std::memset(out + 3 * x, v, 3);
      }
      break;
    case BmpPixelFormat::Indexed4:
      for (std::int32_t x = 0; x < width; ++x) {
        std::uint8_t pair = in[x >> 1];
        std::memcpy(out + 3 * x, palette.bgr[x & 1 ? pair & 0x0F : pair >> 4], 3);
      }
      break;
    case BmpPixelFormat::Indexed8:
      for (std::int32_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, palette.bgr[in[x]], 3);
      break;
    case BmpPixelFormat::Rgb555:
      for (std::int32_t x = 0; x < width; ++x) {
        std::uint32_t v = in[2 * x] | static_cast<std::uint32_t>(in[2 * x + 1]) << 8;
        out[3 * x + 0] = static_cast<std::uint8_t>((v & 31) * 8);
        out[3 * x + 1] = static_cast<std::uint8_t>(((v >> 5) & 31) * 8);
        out[3 * x + 2] = static_cast<std::uint8_t>(((v >> 10) & 31) * 8);
      }
      break;
    case BmpPixelFormat::Bgr24:
      std::memcpy(out, in, 3 * static_cast<std::size_t>(width));
      break;
    case BmpPixelFormat::Bgrx32:
      for (std::int32_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, in + 4 * x, 3);
      break;
    case BmpPixelFormat::Rle8:
      break;
  }
}

// Run-length data: pairs (count, index) and escapes (0, 0) end of line, (0, 1) end of bitmap,
// (0, 2, dx, dy) delta, (0, n >= 3, n indices, fill to even) absolute run. Rows count from the
// bottom. Writes are clipped to the image; the data ends at the end-of-bitmap escape, at the end
// of the source, or when the rows run past the top. Pixels no run covers keep their bytes.
void Rle8Decode(const BmpImage& image, const Palette& palette, const std::uint8_t* source,
                std::int64_t length, std::uint8_t* destination, std::int32_t pitch) {
  const std::uint8_t* in = source + image.pixelOffset;
  const std::uint8_t* end = source + length;
  // Both grow by at most 255 per two bytes read: 64 bits cannot overflow.
  std::int64_t x = 0;
  std::int64_t y = 0;
  auto write = [&](std::uint8_t index) {
    if (x < image.width) {
      std::uint8_t* row = destination + static_cast<std::ptrdiff_t>(image.height - 1 - y) * pitch;
      std::memcpy(row + 3 * x, palette.bgr[index], 3);
    }
    ++x;
  };
  while (end - in >= 2 && y < image.height) {
    std::uint8_t a = in[0];
    std::uint8_t b = in[1];
    in += 2;
    if (a > 0) {
      std::int64_t stop = x + a;
      while (x < stop && x < image.width) write(b);
      x = stop;
    } else if (b == 0) {
      x = 0;
      ++y;
    } else if (b == 1) {
      break;
    } else if (b == 2) {
      if (end - in < 2) break;
      x += in[0];
      y += in[1];
      in += 2;
    } else {
      std::int64_t available = std::min<std::int64_t>(b, end - in);
      for (std::int64_t i = 0; i < available; ++i) write(in[i]);
      // An odd run is followed by one fill byte so that the next pair starts on an even byte.
      std::int64_t consumed = b + (b & 1);
      if (end - in < consumed) break;
      in += consumed;
    }
  }
}

}  // namespace

void BmpDecoderRegister() {
  ImageDecoderRegister(&kBmpDecoder);
}

std::int32_t BmpProbe(ImageDecodeContext* context) {
  auto header =
      BmpHeaderRead(static_cast<const std::uint8_t*>(context->source), context->sourceLength);
  if (!header.Ok()) return 0;
  context->width = header.value.width;
  context->height = header.value.height;
  context->depth = 24;
  context->privateWords[kWordData] = reinterpret_cast<std::uintptr_t>(context->source);
  return 1;
}

std::int32_t BmpDecode(ImageDecodeContext* context, void* destination, std::int32_t pitch,
                       std::uint32_t) {
  const auto* source = reinterpret_cast<const std::uint8_t*>(context->privateWords[kWordData]);
  auto header = BmpHeaderRead(source, context->sourceLength);
  if (!header.Ok()) return 0;
  const BmpImage& image = header.value;
  if (!destination || pitch < 3 * static_cast<std::int64_t>(image.width)) return 0;
  auto* out = static_cast<std::uint8_t*>(destination);

  Palette palette;
  if (image.format == BmpPixelFormat::Indexed4 || image.format == BmpPixelFormat::Indexed8 ||
      image.format == BmpPixelFormat::Rle8) {
    PaletteLoad(palette, source, context->sourceLength, image.colorTableOffset);
  }
  if (image.format == BmpPixelFormat::Rle8) {
    Rle8Decode(image, palette, source, context->sourceLength, out, pitch);
    return 1;
  }
  // The header check guaranteed that every stored row lies inside the source.
  const std::uint8_t* row = source + image.pixelOffset;
  for (std::int32_t r = 0; r < image.height; ++r, row += image.rowStride) {
    RowDecode(image, palette, row, out + static_cast<std::ptrdiff_t>(image.height - 1 - r) * pitch);
  }
  return 1;
}

void BmpClose(ImageDecodeContext*) {}

}  // namespace engine
