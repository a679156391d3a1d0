// AVX2 row loops for A8R8G8B8 texels onto an X8R8G8B8 back buffer, eight pixels at a time.
// Compiled for AVX2 function by function (target attribute), so the rest of the program keeps
// the baseline instruction set and these run only where row_kernels.cpp found AVX2.

#include "platform/graphics/row_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "platform/graphics/pixel_format.h"

namespace platform::rows {

namespace {

__attribute__((target("avx2"))) void CopyRowAvx2(std::uint8_t* dst, const std::uint8_t* src,
                                                 int count) {
  const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i * 4));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i * 4), _mm256_and_si256(s, colour));
  }
  for (; i < count; ++i) pixel::Store32(dst + i * 4, pixel::Load32(src + i * 4) & 0x00FFFFFFu);
}

// One half of the blend: four pixels' channels widened to 16 bits.
__attribute__((target("avx2"))) inline __m256i BlendHalf(__m256i s16, __m256i d16, __m256i a16) {
  const __m256i full = _mm256_set1_epi16(255);
  const __m256i round = _mm256_set1_epi16(127);
  const __m256i one = _mm256_set1_epi16(1);
  // s * a + d * (255 - a) + 127 stays below 65536, so 16-bit lanes hold it exactly.
  __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(s16, a16),
                               _mm256_mullo_epi16(d16, _mm256_sub_epi16(full, a16)));
  t = _mm256_add_epi16(t, round);
  // (t + 1 + (t >> 8)) >> 8 == t / 255, as pixel::Div255.
  t = _mm256_add_epi16(_mm256_add_epi16(t, one), _mm256_srli_epi16(t, 8));
  return _mm256_srli_epi16(t, 8);
}

__attribute__((target("avx2"))) void BlendRowAvx2(std::uint8_t* dst, const std::uint8_t* src,
                                                  int count) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
  // Spreads each pixel's alpha byte over its four 16-bit channel lanes, for the pixels that
  // unpacklo (bytes 0-7 of each 128-bit lane) and unpackhi (bytes 8-15) widen.
  const __m256i alphaLo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1,
                                           3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  const __m256i alphaHi =
      _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1, 11,
                       -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i * 4));
    __m256i alpha = _mm256_srli_epi32(s, 24);
    __m256i transparent = _mm256_cmpeq_epi32(alpha, zero);
    if (_mm256_movemask_epi8(transparent) == -1) continue;
    __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i * 4));
    __m256i lo = BlendHalf(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero),
                           _mm256_shuffle_epi8(s, alphaLo));
    __m256i hi = BlendHalf(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero),
                           _mm256_shuffle_epi8(s, alphaHi));
    __m256i out = _mm256_and_si256(_mm256_packus_epi16(lo, hi), colour);
    // Transparent texels leave the pixel as it was, X byte included.
    out = _mm256_blendv_epi8(out, d, transparent);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i * 4), out);
  }
  for (; i < count; ++i) pixel::BlendOnto(D3DFMT_X8R8G8B8, dst + i * 4, pixel::Load32(src + i * 4));
}

}  // namespace

bool KernelsAvx2(Kernels* out) {
  out->copy = CopyRowAvx2;
  out->blend = BlendRowAvx2;
  return true;
}

}  // namespace platform::rows

#else

namespace platform::rows {
bool KernelsAvx2(Kernels*) {
  return false;
}
}  // namespace platform::rows

#endif
