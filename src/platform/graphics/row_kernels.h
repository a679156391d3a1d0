#pragma once

// Row loops of the quad path: copy or blend `count` texels of one texture row onto one back
// buffer row. Every (back buffer, texture) format pair has a plain loop; the pair drawn most,
// A8R8G8B8 onto X8R8G8B8, also has a SIMD version chosen once from the processor's features.
// All versions give the same pixels as pixel::Write and pixel::BlendOnto.

#include <cstdint>

#include "platform/graphics/graphics.h"

namespace platform::rows {

// dst and src point at the first pixel and texel; neither needs any alignment.
using RowFn = void (*)(std::uint8_t* dst, const std::uint8_t* src, int count);

struct Kernels {
  RowFn copy = nullptr;   // every texel written as opaque
  RowFn blend = nullptr;  // source-alpha blending, alpha 0 leaving the pixel untouched
};

enum class Simd { Plain, Avx2 };

// Whether this processor runs the given instruction set.
bool SimdAvailable(Simd simd);
// The loops for a pair of formats; null members for a pair the device never draws. `simd`
// must be available.
Kernels KernelsFor(D3DFORMAT target, D3DFORMAT texture, Simd simd);
// The loops for the best instruction set of this processor.
Kernels KernelsBest(D3DFORMAT target, D3DFORMAT texture);

// The SIMD loops for A8R8G8B8 onto X8R8G8B8 (row_kernels_avx2.cpp); false where not built.
bool KernelsAvx2(Kernels* out);

}  // namespace platform::rows
