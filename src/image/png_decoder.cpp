#include "image/png_decoder.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "image/decode_result.h"
#include "image/image_size.h"
#include "runtime/main_heap.h"

// libpng reports errors by longjmp. Every function below that a jump can cross holds only plain
// values (no destructors), and the functions that arm the jump keep the work that can raise in a
// separate function, so no local is modified between setjmp and a jump back to it.

namespace engine {

namespace {

constexpr int kWordRead = 0;
constexpr int kWordInfo = 1;
constexpr int kWordCursor = 2;
constexpr int kWordFailure = 3;
constexpr int kWordRowsTaken = 4;
constexpr std::size_t kSignatureBytes = 8;

const ImageDecoder kPngDecoder{PngProbe, PngDecode, PngClose, ImageFormatTag('P', 'N', 'G')};

png_structp ReadStruct(const ImageDecodeContext* context) {
  return reinterpret_cast<png_structp>(context->privateWords[kWordRead]);
}

png_infop InfoStruct(const ImageDecodeContext* context) {
  return reinterpret_cast<png_infop>(context->privateWords[kWordInfo]);
}

// Keeps the first reason given: the read callback and the allocator know more than the generic
// error that libpng raises after them.
void FailureRecord(ImageDecodeContext* context, DecodeStatus status) {
  if (context->privateWords[kWordFailure] == 0) {
    context->privateWords[kWordFailure] = static_cast<std::uintptr_t>(status);
  }
}

DecodeStatus FailureReason(const ImageDecodeContext* context) {
  std::uintptr_t word = context->privateWords[kWordFailure];
  return word == 0 ? DecodeStatus::InvalidData : static_cast<DecodeStatus>(word);
}

// libpng's own error handler prints the message; the engine prints nothing, so errors go
// straight to the jump armed by the probe or the decode.
[[noreturn]] void PngErrorRaise(png_structp png, png_const_charp) {
  FailureRecord(static_cast<ImageDecodeContext*>(png_get_error_ptr(png)),
                DecodeStatus::InvalidData);
  png_longjmp(png, 1);
}

void PngWarningIgnore(png_structp, png_const_charp) {}

// libpng's memory comes from MainHeap like every other allocation of the engine.
png_voidp PngMemoryAlloc(png_structp png, png_alloc_size_t bytes) {
  void* block = MainHeapAllocPlain(bytes);
  if (!block) {
    FailureRecord(static_cast<ImageDecodeContext*>(png_get_mem_ptr(png)),
                  DecodeStatus::OutOfMemory);
  }
  return block;
}

void PngMemoryFree(png_structp, png_voidp block) {
  MainHeapFree(block);
}

// The caller's length is the real end of the data: a request past it fails the image instead of
// reading whatever follows in memory.
void PngReadFromMemory(png_structp png, png_bytep destination, png_size_t count) {
  auto* context = static_cast<ImageDecodeContext*>(png_get_io_ptr(png));
  auto cursor = context->privateWords[kWordCursor];
  auto end = reinterpret_cast<std::uintptr_t>(context->source) +
             static_cast<std::uintptr_t>(context->sourceLength);
  if (count > end - cursor) {
    FailureRecord(context, DecodeStatus::Truncated);
    png_error(png, "read past the end of the data");
  }
  std::memcpy(destination, reinterpret_cast<const void*>(cursor), count);
  context->privateWords[kWordCursor] = cursor + count;
}

void PngStructsDestroy(ImageDecodeContext* context) {
  png_structp png = ReadStruct(context);
  png_infop info = InfoStruct(context);
  if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  context->privateWords[kWordRead] = 0;
  context->privateWords[kWordInfo] = 0;
}

// Reads the chunks up to the image data and sets the transformations that make libpng write
// 8-bit blue, green, red (and alpha) rows straight into the caller's buffer. May raise.
DecodeStatus PngHeaderParse(ImageDecodeContext* context, png_structp png) {
  png_set_read_fn(png, context, PngReadFromMemory);
  png_set_user_limits(png, kImageDimensionMax, kImageDimensionMax);
  // Only IHDR, PLTE, tRNS and IDAT shape the pixels. Skipping every other chunk unread also
  // keeps libpng from allocating (and clearing) a buffer of whatever length an ancillary chunk
  // claims, up to 2 GiB for a file of a few bytes.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_infop info = png_create_info_struct(png);
  if (!info) return DecodeStatus::OutOfMemory;
  context->privateWords[kWordInfo] = reinterpret_cast<std::uintptr_t>(info);
  context->privateWords[kWordCursor] = reinterpret_cast<std::uintptr_t>(context->source);
  png_read_info(png, info);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE || colorType == PNG_COLOR_TYPE_GRAY ||
      colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (bitDepth < 8) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_palette_to_rgb(png);
    } else {
      png_set_gray_to_rgb(png);
    }
  }
  if (bitDepth == 16) png_set_strip_16(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (!ImageDimensionsAccepted(width, height)) return DecodeStatus::TooLarge;
  std::int32_t depth = colorType == PNG_COLOR_TYPE_RGB ? 24 : 32;
  // The decode hands libpng rows of exactly width * depth / 8 bytes; make sure that is what the
  // transformations produce before accepting.
  if (bitDepth != 8 || png_get_channels(png, info) * 8 != depth ||
      png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * (depth / 8)) {
    return DecodeStatus::Unsupported;
  }
  context->width = static_cast<std::int32_t>(width);
  context->height = static_cast<std::int32_t>(height);
  context->depth = depth;
  return DecodeStatus::Ok;
}

DecodeStatus PngHeaderRead(ImageDecodeContext* context) {
  if (context->sourceLength < static_cast<std::int32_t>(kSignatureBytes)) {
    return DecodeStatus::NotRecognised;
  }
  if (png_sig_cmp(static_cast<png_const_bytep>(context->source), 0, kSignatureBytes) != 0) {
    return DecodeStatus::NotRecognised;
  }
  png_structp png =
      png_create_read_struct_2(PNG_LIBPNG_VER_STRING, context, PngErrorRaise, PngWarningIgnore,
                               context, PngMemoryAlloc, PngMemoryFree);
  if (!png) return DecodeStatus::OutOfMemory;
  context->privateWords[kWordRead] = reinterpret_cast<std::uintptr_t>(png);
  if (setjmp(png_jmpbuf(png))) {
    PngStructsDestroy(context);
    return FailureReason(context);
  }
  DecodeStatus status = PngHeaderParse(context, png);
  if (status != DecodeStatus::Ok) PngStructsDestroy(context);
  return status;
}

// Hands every row to libpng once per pass; an interlaced image fills its rows pass by pass.
// May raise.
void PngRowsCopy(png_structp png, std::uint8_t* destination, std::int32_t pitch,
                 std::int32_t height) {
  int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (std::int32_t y = 0; y < height; ++y) {
      png_read_row(png, destination + static_cast<std::ptrdiff_t>(y) * pitch, nullptr);
    }
  }
}

DecodeStatus PngRowsRead(ImageDecodeContext* context, void* destination, std::int32_t pitch) {
  png_structp png = ReadStruct(context);
  if (!png) return DecodeStatus::InvalidArgument;
  if (!destination || pitch < static_cast<std::int64_t>(context->width) * (context->depth / 8)) {
    return DecodeStatus::InvalidArgument;
  }
  // libpng hands out each row once; a second read would only meet the end of the data.
  if (context->privateWords[kWordRowsTaken]) return DecodeStatus::InvalidArgument;
  context->privateWords[kWordRowsTaken] = 1;
  context->privateWords[kWordFailure] = 0;
  if (setjmp(png_jmpbuf(png))) return FailureReason(context);
  PngRowsCopy(png, static_cast<std::uint8_t*>(destination), pitch, context->height);
  return DecodeStatus::Ok;
}

}  // namespace

void PngDecoderRegister() {
  // Membership in the table rather than a separate flag: a flag would stay set after the
  // registry is initialised again and keep the decoder out of the new table.
  if (ImageDecoderIsRegistered(&kPngDecoder)) return;
  ImageDecoderRegister(&kPngDecoder);
}

std::int32_t PngProbe(ImageDecodeContext* context) {
  return PngHeaderRead(context) == DecodeStatus::Ok ? 1 : 0;
}

std::int32_t PngDecode(ImageDecodeContext* context, void* destination, std::int32_t pitch,
                       std::uint32_t) {
  return PngRowsRead(context, destination, pitch) == DecodeStatus::Ok ? 1 : 0;
}

void PngClose(ImageDecodeContext* context) {
  PngStructsDestroy(context);
}

}  // namespace engine
