#pragma once

#include <cstdint>

#include "image/image_decoder.h"

namespace engine {

// Registers the BMP decoder with the registry (start-up; no guard against a second call).
void BmpDecoderRegister();

// The decoder's callbacks. Every image comes out at depth 24 (blue, green, red), whatever the
// file's bit depth. Private word 1 holds the address of the file data between probe and close.
// Probe: 1 accepts, 0 declines (also every file the decode could not fill completely).
std::int32_t BmpProbe(ImageDecodeContext* context);
// Decode: 1 once the rows are written; 0 only for a null destination or a pitch below width * 3.
std::int32_t BmpDecode(ImageDecodeContext* context, void* destination, std::int32_t pitch,
                       std::uint32_t flags);
// Close: nothing to release.
void BmpClose(ImageDecodeContext* context);

}  // namespace engine
