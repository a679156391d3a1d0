#pragma once

// The inner loops of the quad path: copy or blend a block of texture rows onto back-buffer
// rows. Every (back buffer, texture) format pair has a plain version; the pair drawn most,
// A8R8G8B8 onto X8R8G8B8, also has a SIMD version chosen once from the processor's features.
// All versions give the same pixels as pixel::Write and pixel::BlendOnto.

#include <cstddef>
#include <cstdint>

#include "platform/graphics/alpha_spans.h"
#include "platform/graphics/graphics.h"

namespace platform::rows {

// Texel columns [first, last) of `rows` texture rows land on the target, one to one.
struct BlitJob {
  std::uint8_t* dst = nullptr;  // the pixel that receives texel `first` of the first row
  std::ptrdiff_t dstPitch = 0;
  const std::uint8_t* src = nullptr;  // texel 0 of the first texture row
  std::ptrdiff_t srcPitch = 0;
  int rows = 0;
  std::uint32_t first = 0, last = 0;
  // Runs of the texture when known (row firstRow + r for job row r): blend skips transparent
  // texels and copies opaque ones. Null: every texel is blended.
  const AlphaSpans* spans = nullptr;
  int firstRow = 0;
  bool wholeRows = false;  // first is 0 and last the texture's width
};
using BlitFn = void (*)(const BlitJob& job);

struct Kernels {
  BlitFn copy = nullptr;   // every texel written as opaque
  BlitFn blend = nullptr;  // source-alpha blending; alpha 0 leaves the pixel untouched
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
