#pragma once

#include <cstdint>

#include "image/image_decoder.h"

namespace engine {

// Registers the PNG decoder with the registry unless it is registered already. The game calls it
// before loading its first sprite.
void PngDecoderRegister();

// The decoder's callbacks (libpng's read interface). Every colour type and bit depth comes out as
// 8-bit samples: depth 24 (blue, green, red) without transparency, depth 32 (blue, green, red,
// alpha) with an alpha channel or a transparency chunk; interlaced images come out complete.
// Private words: 0 the libpng read structure, 1 its info structure, 2 the read cursor, 3 the
// reason of the last failure (a DecodeStatus), 4 set once the rows have been read.
// Probe: 1 accepts, 0 declines with nothing left allocated.
std::int32_t PngProbe(ImageDecodeContext* context);
// Decode: 1 when every row was read; 0 on corrupt or missing data, a null destination, a pitch
// below a row, or a second call for the same image. The structures stay for PngClose either way.
std::int32_t PngDecode(ImageDecodeContext* context, void* destination, std::int32_t pitch,
                       std::uint32_t flags);
// Close: destroys the libpng structures.
void PngClose(ImageDecodeContext* context);

}  // namespace engine
