#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace assetgen {

// The canvas as an 8-bit RGB PNG (colour type 2, no interlace, filter "none" on every row).
std::vector<std::uint8_t> PngEncode(const Canvas& canvas);

}  // namespace assetgen
