#include "image/bmp_header.h"

#include <cstring>

#include "image/image_size.h"

namespace engine {

namespace {

std::uint32_t ReadU16(const std::uint8_t (&b)[2]) {
  return b[0] | static_cast<std::uint32_t>(b[1]) << 8;
}

std::uint32_t ReadU32(const std::uint8_t (&b)[4]) {
  return b[0] | static_cast<std::uint32_t>(b[1]) << 8 | static_cast<std::uint32_t>(b[2]) << 16 |
         static_cast<std::uint32_t>(b[3]) << 24;
}

std::int32_t ReadI32(const std::uint8_t (&b)[4]) {
  return static_cast<std::int32_t>(ReadU32(b));
}

constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
// Run-length images: pixels a header may claim beyond what its data can cover at 255 pixels per
// two bytes (rounded up to 128 a byte).
constexpr std::uint64_t kRleFreePixels = 256 * 256;
constexpr std::uint64_t kRlePixelsPerByte = 128;

// The stored format for a bit count and compression, or nothing when the decoder would write no
// pixels for it (4-bit run-length data, unknown depths).
DecodeResult<BmpPixelFormat> FormatOf(std::uint32_t bitCount, std::uint32_t compression) {
  using R = DecodeResult<BmpPixelFormat>;
  switch (bitCount) {
    case 1:
      return R::Success(BmpPixelFormat::Mono1);
    case 4:
      if (compression == kCompressionRle4) return R::Failure(DecodeStatus::Unsupported);
      return R::Success(BmpPixelFormat::Indexed4);
    case 8:
      return R::Success(compression == kCompressionRle8 ? BmpPixelFormat::Rle8
                                                        : BmpPixelFormat::Indexed8);
    case 16:
      return R::Success(BmpPixelFormat::Rgb555);
    case 24:
      return R::Success(BmpPixelFormat::Bgr24);
    case 32:
      return R::Success(BmpPixelFormat::Bgrx32);
    default:
      return R::Failure(DecodeStatus::Unsupported);
  }
}

}  // namespace

DecodeResult<BmpImage> BmpHeaderRead(const std::uint8_t* source, std::int64_t length) {
  using R = DecodeResult<BmpImage>;
  if (!source || length < static_cast<std::int64_t>(sizeof(BmpFileHeader))) {
    return R::Failure(DecodeStatus::NotRecognised);
  }
  BmpFileHeader file;
  std::memcpy(&file, source, sizeof file);
  if (file.signature[0] != 'B' || file.signature[1] != 'M' || ReadU16(file.reserved1) != 0 ||
      ReadU16(file.reserved2) != 0) {
    return R::Failure(DecodeStatus::NotRecognised);
  }
  if (length < kBmpHeadersBytes) return R::Failure(DecodeStatus::Truncated);
  BmpInfoHeader info;
  std::memcpy(&info, source + sizeof file, sizeof info);

  // Older, shorter info headers place other fields where width, height and depth are read.
  std::uint32_t headerSize = ReadU32(info.headerSize);
  if (headerSize < sizeof info) return R::Failure(DecodeStatus::Unsupported);

  BmpImage image;
  image.width = ReadI32(info.width);
  image.height = ReadI32(info.height);
  // Rows stored top-down are a variant the decoder does not write.
  if (image.height < 0) return R::Failure(DecodeStatus::Unsupported);
  if (image.width < 1 || image.height < 1) return R::Failure(DecodeStatus::InvalidHeader);
  if (!ImageDimensionsAccepted(image.width, image.height))
    return R::Failure(DecodeStatus::TooLarge);

  auto format = FormatOf(ReadU16(info.bitCount), ReadU32(info.compression));
  if (!format.Ok()) return R::Failure(format.status);
  image.format = format.value;
  image.pixelOffset = ReadU32(file.pixelOffset);
  image.colorTableOffset = sizeof file + static_cast<std::uint64_t>(headerSize);
  if (image.pixelOffset > length) return R::Failure(DecodeStatus::Truncated);
  if (image.format == BmpPixelFormat::Rle8) {
    // Run-length data may leave pixels uncovered, so its length does not fix the image's size;
    // but a pair of bytes covers at most 255 pixels, and a header that claims far more pixels
    // than its data could ever fill is a bomb: a hundred bytes claiming 16384 x 16384 pixels
    // would have the caller allocate and convert a gigabyte. Small images pass whatever their
    // data.
    const auto dataBytes = static_cast<std::uint64_t>(length) - image.pixelOffset;
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height);
    if (pixels > kRleFreePixels + dataBytes * kRlePixelsPerByte)
      return R::Failure(DecodeStatus::TooLarge);
    return R::Success(image);
  }

  // Stored rows are padded to whole 4-byte units; with the dimensions bounded above none of
  // these sizes can overflow, and the checked arithmetic keeps it so if the bound changes.
  std::uint32_t bitCount = ReadU16(info.bitCount);
  auto rowBits = SizeMultiply(static_cast<std::uint32_t>(image.width), bitCount);
  if (!rowBits || *rowBits > UINT32_MAX - 31) return R::Failure(DecodeStatus::TooLarge);
  image.rowStride = (*rowBits + 31) / 32 * 4;
  auto pixelBytes = SizeMultiply(image.rowStride, static_cast<std::uint32_t>(image.height));
  auto pixelEnd = pixelBytes ? SizeAdd(image.pixelOffset, *pixelBytes) : std::nullopt;
  if (!pixelEnd || *pixelEnd > length) return R::Failure(DecodeStatus::Truncated);
  return R::Success(image);
}

}  // namespace engine
