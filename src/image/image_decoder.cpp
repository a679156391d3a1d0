#include "image/image_decoder.h"

#include <cstring>

#include "runtime/library_block.h"

namespace engine {

namespace {

// The table is filled at start-up and only read afterwards; entries are never removed.
const ImageDecoder* gDecoders[kImageDecoderCapacity];
std::int32_t gDecoderCount = 0;
// The library block holding the one ImageDecodeContext.
void* gContextBlock = nullptr;

ImageDecodeContext* Context() {
  return static_cast<ImageDecodeContext*>(LibraryBlockGet(gContextBlock));
}

}  // namespace

void ImageDecodeInit() {
  gDecoderCount = 0;
  gContextBlock = LibraryBlockAlloc(sizeof(ImageDecodeContext), nullptr);
}

std::int32_t ImageDecoderRegister(const ImageDecoder* decoder) {
  if (!decoder || gDecoderCount >= kImageDecoderCapacity) return 0;
  gDecoders[gDecoderCount++] = decoder;
  return 1;
}

std::int32_t ImageDecoderCount() {
  return gDecoderCount;
}

bool ImageDecoderIsRegistered(const ImageDecoder* decoder) {
  for (std::int32_t i = 0; i < gDecoderCount; ++i) {
    if (gDecoders[i] == decoder) return true;
  }
  return false;
}

std::uint32_t ImageDecodeOpen(const void* source, std::int32_t sourceLength) {
  ImageDecodeContext* context = Context();
  if (!context) return 0;
  // Wiping the context of an image that is still open would strand whatever its decoder holds.
  ImageDecodeClose();
  std::memset(context, 0, sizeof *context);
  if (!source || sourceLength < 0) return 0;
  context->source = source;
  context->sourceLength = sourceLength;
  for (std::int32_t i = 0; i < gDecoderCount; ++i) {
    const ImageDecoder* decoder = gDecoders[i];
    // A declining decoder may have written its words; the next one starts from a clean slate.
    std::memset(context->privateWords, 0, sizeof context->privateWords);
    if (decoder->Probe(context)) {
      context->decoder = decoder;
      return decoder->FormatTag;
    }
  }
  return 0;
}

std::int32_t ImageDecodeWidth() {
  ImageDecodeContext* context = Context();
  return context ? context->width : 0;
}

std::int32_t ImageDecodeHeight() {
  ImageDecodeContext* context = Context();
  return context ? context->height : 0;
}

std::int32_t ImageDecodeDepth() {
  ImageDecodeContext* context = Context();
  return context ? context->depth : 0;
}

std::int32_t ImageDecodeRead(void* destination, std::int32_t pitch, std::uint32_t flags) {
  ImageDecodeContext* context = Context();
  if (!context || !context->decoder) return 0;
  return context->decoder->Decode(context, destination, pitch, flags);
}

void ImageDecodeClose() {
  ImageDecodeContext* context = Context();
  if (!context || !context->decoder) return;
  // Forgetting the decoder makes a second close harmless instead of a double release.
  const ImageDecoder* decoder = context->decoder;
  context->decoder = nullptr;
  decoder->Close(context);
}

}  // namespace engine
