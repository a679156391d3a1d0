// AVX2 loops for A8R8G8B8 texels onto an X8R8G8B8 back buffer, eight pixels at a time; a run's
// last few pixels go through masked loads and stores instead of a scalar loop, which matters
// for the short runs of small sprites. Compiled for AVX2 function by function (target
// attribute), so the rest of the program keeps the baseline instruction set and these run only
// where row_kernels.cpp found AVX2.

#include "platform/graphics/row_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <algorithm>

#define TIDEFRAY_AVX2 __attribute__((target("avx2"), always_inline)) inline

namespace platform::rows {

namespace {

// Lanes below `count` (0 to 8) set.
TIDEFRAY_AVX2 __m256i TailMask(std::uint32_t count) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(count)),
                            _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

TIDEFRAY_AVX2 __m256i Load(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
TIDEFRAY_AVX2 void Store(std::uint8_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
TIDEFRAY_AVX2 __m256i LoadMasked(const std::uint8_t* p, __m256i mask) {
  return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
}
TIDEFRAY_AVX2 void StoreMasked(std::uint8_t* p, __m256i mask, __m256i v) {
  _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v);
}

TIDEFRAY_AVX2 void CopyRun(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t count) {
  const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
  if (count >= 16) {
    // Long runs: after one unaligned store, continue from the next 32-byte boundary of the
    // target so that no store straddles two cache lines, and end with a store that overlaps
    // what is written already. Copies can overlap themselves: they write the same values.
    Store(dst, _mm256_and_si256(Load(src), colour));
    std::uint32_t i = ((32 - (reinterpret_cast<std::uintptr_t>(dst) & 31)) & 31) / 4;
    if (i == 0) i = 8;
    for (; i + 32 <= count; i += 32) {
      __m256i a = Load(src + i * 4), b = Load(src + i * 4 + 32);
      __m256i c = Load(src + i * 4 + 64), d = Load(src + i * 4 + 96);
      Store(dst + i * 4, _mm256_and_si256(a, colour));
      Store(dst + i * 4 + 32, _mm256_and_si256(b, colour));
      Store(dst + i * 4 + 64, _mm256_and_si256(c, colour));
      Store(dst + i * 4 + 96, _mm256_and_si256(d, colour));
    }
    for (; i + 8 <= count; i += 8) Store(dst + i * 4, _mm256_and_si256(Load(src + i * 4), colour));
    if (i < count) {
      i = count - 8;
      Store(dst + i * 4, _mm256_and_si256(Load(src + i * 4), colour));
    }
    return;
  }
  std::uint32_t i = 0;
  if (count >= 8) {
    Store(dst, _mm256_and_si256(Load(src), colour));
    i = 8;
  }
  if (i < count) {
    __m256i mask = TailMask(count - i);
    StoreMasked(dst + i * 4, mask, _mm256_and_si256(LoadMasked(src + i * 4, mask), colour));
  }
}

// One half of the blend: four pixels' channels widened to 16 bits.
TIDEFRAY_AVX2 __m256i BlendHalf(__m256i s16, __m256i d16, __m256i a16) {
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

// Eight texels blended onto eight pixels; transparent texels keep the pixel, X byte included.
TIDEFRAY_AVX2 __m256i Blend8(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
  // Spread each pixel's alpha byte over its four 16-bit channel lanes, for the pixels that
  // unpacklo (bytes 0-7 of each 128-bit lane) and unpackhi (bytes 8-15) widen.
  const __m256i alphaLo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1,
                                           3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  const __m256i alphaHi =
      _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1, 11,
                       -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  __m256i transparent = _mm256_cmpeq_epi32(_mm256_srli_epi32(s, 24), zero);
  __m256i lo = BlendHalf(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero),
                         _mm256_shuffle_epi8(s, alphaLo));
  __m256i hi = BlendHalf(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero),
                         _mm256_shuffle_epi8(s, alphaHi));
  __m256i out = _mm256_and_si256(_mm256_packus_epi16(lo, hi), colour);
  return _mm256_blendv_epi8(out, d, transparent);
}

// Out of line: masked sprites have few texels in between, and the blend's constants would
// otherwise occupy registers (and be set up on every call) in the copy loop around it.
__attribute__((target("avx2"), noinline)) void BlendRun(std::uint8_t* dst, const std::uint8_t* src,
                                                        std::uint32_t count) {
  std::uint32_t i = 0;
  for (; i + 8 <= count; i += 8) Store(dst + i * 4, Blend8(Load(src + i * 4), Load(dst + i * 4)));
  if (i < count) {
    __m256i mask = TailMask(count - i);
    __m256i out = Blend8(LoadMasked(src + i * 4, mask), LoadMasked(dst + i * 4, mask));
    StoreMasked(dst + i * 4, mask, out);
  }
}

// The job's fields are read into locals first: every store through a byte pointer may alias
// them, and the compiler would otherwise load them again after each store.
__attribute__((target("avx2"))) void Copy(const BlitJob& job) {
  std::uint8_t* dst = job.dst;
  const std::uint8_t* src = job.src + job.first * 4;
  const std::ptrdiff_t dstPitch = job.dstPitch, srcPitch = job.srcPitch;
  const std::uint32_t count = job.last - job.first;
  for (int r = job.rows; r > 0; --r, dst += dstPitch, src += srcPitch) CopyRun(dst, src, count);
}

__attribute__((target("avx2"))) void Blend(const BlitJob& job) {
  std::uint8_t* dst = job.dst;
  const std::uint8_t* src = job.src;
  const std::ptrdiff_t dstPitch = job.dstPitch, srcPitch = job.srcPitch;
  const std::uint32_t first = job.first, last = job.last;
  if (!job.spans) {
    for (int r = job.rows; r > 0; --r, dst += dstPitch, src += srcPitch) {
      BlendRun(dst, src + first * 4, last - first);
    }
    return;
  }
  if (job.wholeRows && job.spans->LaneMasks()) {
    // A small sprite without texels in between: each row is one masked copy.
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const std::int32_t* lanes = job.spans->LaneMasks() + job.firstRow * AlphaSpans::kNarrow;
    for (int r = job.rows; r > 0; --r, dst += dstPitch, src += srcPitch) {
      __m256i mask = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
      lanes += AlphaSpans::kNarrow;
      StoreMasked(dst, mask, _mm256_and_si256(LoadMasked(src, mask), colour));
    }
    return;
  }
  const AlphaSpans::Run* runs = job.spans->Runs();
  const std::uint32_t* rowStart = job.spans->RowStarts() + job.firstRow;
  if (job.wholeRows) {
    // Every run of these rows is drawn whole: one walk through the runs, nothing to clip.
    const AlphaSpans::Run* run = runs + rowStart[0];
    for (int r = job.rows; r > 0; --r, dst += dstPitch, src += srcPitch) {
      const AlphaSpans::Run* end = runs + *++rowStart;
      for (; run != end; ++run) {
        if (run->kind == AlphaSpans::Opaque) {
          CopyRun(dst + run->start * 4, src + run->start * 4, run->end - run->start);
        } else {
          BlendRun(dst + run->start * 4, src + run->start * 4, run->end - run->start);
        }
      }
    }
    return;
  }
  for (int r = 0; r < job.rows; ++r, dst += dstPitch, src += srcPitch) {
    const AlphaSpans::Run* end = runs + rowStart[r + 1];
    for (const AlphaSpans::Run* run = runs + rowStart[r]; run != end; ++run) {
      std::uint32_t from = std::max(run->start, first), to = std::min(run->end, last);
      if (from >= to) continue;
      if (run->kind == AlphaSpans::Opaque) {
        CopyRun(dst + (from - first) * 4, src + from * 4, to - from);
      } else {
        BlendRun(dst + (from - first) * 4, src + from * 4, to - from);
      }
    }
  }
}

}  // namespace

bool KernelsAvx2(Kernels* out) {
  out->copy = Copy;
  out->blend = Blend;
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
