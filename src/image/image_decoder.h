#pragma once

#include <cstdint>

namespace engine {

struct ImageDecodeContext;

// One image format: a static record owned by the decoder's module; the registry keeps only its
// address. Every callback gets the registry's single context.
struct ImageDecoder {
  // Nonzero accepts the source: width, height and depth are then set in the context and the
  // decoder may hold resources in the private words. Zero declines with nothing left allocated.
  std::int32_t (*Probe)(ImageDecodeContext* context);
  // Writes the pixels top-down at `pitch` bytes per row. Nonzero on success, zero on failure.
  std::int32_t (*Decode)(ImageDecodeContext* context, void* destination, std::int32_t pitch,
                         std::uint32_t flags);
  // Releases what Probe acquired.
  void (*Close)(ImageDecodeContext* context);
  // The format's name in ASCII, first letter in the lowest byte: "PNG" or "BMP" read as bytes.
  std::uint32_t FormatTag;
};

// The state of the image being decoded. One record for the whole process.
struct ImageDecodeContext {
  const ImageDecoder* decoder;  // the decoder that accepted the open image
  const void* source;           // first byte of the image data, owned by the caller
  std::int32_t sourceLength;    // bytes the caller really holds at `source`
  std::int32_t width;
  std::int32_t height;
  std::int32_t depth;  // bits per pixel of what Decode writes: 24 or 32
  // Owned by the accepting decoder between Probe and Close; zeroed before every Probe. Words are
  // pointer-sized because decoders keep addresses in them.
  std::uintptr_t privateWords[8];
};

// Decoded pixel layout: depth 24 is blue, green, red; depth 32 is blue, green, red, alpha with
// straight alpha (255 opaque). Only width * depth / 8 bytes of each row are written.

// How many decoders the table holds; further registrations are refused.
inline constexpr std::int32_t kImageDecoderCapacity = 30;
// Decoders decline images wider or taller than this, so that every byte size a caller derives
// from width and height (even (height + 1) rows of width * 4 bytes) fits in 31 bits.
inline constexpr std::int32_t kImageDimensionMax = 16384;

// A decoder's FormatTag from its three-letter name.
constexpr std::uint32_t ImageFormatTag(char a, char b, char c) {
  return static_cast<std::uint8_t>(a) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16;
}

// Start-up step, run before any registration: empties the decoder table and allocates the decode
// context from MainHeap. Without a context (no heap, or out of memory) every open returns 0.
void ImageDecodeInit();
// Appends a decoder; decoders are asked in registration order. Returns 0 (and changes nothing)
// when the table is full or `decoder` is null, else nonzero.
std::int32_t ImageDecoderRegister(const ImageDecoder* decoder);
// Number of registered decoders.
std::int32_t ImageDecoderCount();
// Whether `decoder` is in the table.
bool ImageDecoderIsRegistered(const ImageDecoder* decoder);

// Opens the image held in `sourceLength` bytes at `source`: asks each decoder in turn and returns
// the accepting decoder's FormatTag, or 0 when none accepts. Decoders never read past
// `sourceLength`, so pass the number of bytes really held. An image still open is closed first.
// Main thread only; one image is open at a time.
std::uint32_t ImageDecodeOpen(const void* source, std::int32_t sourceLength);
// Width, height and depth (24 or 32) of the open image; 0 when the last open failed.
std::int32_t ImageDecodeWidth();
std::int32_t ImageDecodeHeight();
std::int32_t ImageDecodeDepth();
// Writes the open image top-down into `destination`, row y at destination + y * pitch; `pitch`
// must hold a row (width * depth / 8 bytes) and the buffer `height` rows. Flags 0. Returns the
// decoder's result: nonzero on success, 0 on failure or when no image is open (rows written
// before a failure keep their pixels).
std::int32_t ImageDecodeRead(void* destination, std::int32_t pitch, std::uint32_t flags = 0);
// Closes the open image; nothing when none is open. Width, height and depth stay readable until
// the next open.
void ImageDecodeClose();

}  // namespace engine
