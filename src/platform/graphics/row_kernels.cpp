#include "platform/graphics/row_kernels.h"

#include <algorithm>

#include "platform/graphics/pixel_format.h"

namespace platform::rows {

namespace {

template <D3DFORMAT Target, D3DFORMAT Texture>
struct Plain {
  static constexpr int kOut = FormatBytes(Target), kIn = FormatBytes(Texture);

  static void CopyRun(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
      pixel::Write(Target, dst + i * kOut, pixel::Read(Texture, src + i * kIn));
    }
  }
  static void BlendRun(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
      pixel::BlendOnto(Target, dst + i * kOut, pixel::Read(Texture, src + i * kIn));
    }
  }

  // The job's fields are read into locals first: every store through a byte pointer may alias
  // them, and the compiler would otherwise load them again after each store.
  static void Copy(const BlitJob& job) {
    std::uint8_t* dst = job.dst;
    const std::uint8_t* src = job.src + job.first * kIn;
    const std::ptrdiff_t dstPitch = job.dstPitch, srcPitch = job.srcPitch;
    const std::uint32_t count = job.last - job.first;
    for (int r = job.rows; r > 0; --r, dst += dstPitch, src += srcPitch) CopyRun(dst, src, count);
  }

  static void Blend(const BlitJob& job) {
    std::uint8_t* dst = job.dst;
    const std::uint8_t* src = job.src;
    const std::ptrdiff_t dstPitch = job.dstPitch, srcPitch = job.srcPitch;
    const std::uint32_t first = job.first, last = job.last;
    if (!job.spans) {
      for (int r = job.rows; r > 0; --r, dst += dstPitch, src += srcPitch) {
        BlendRun(dst, src + first * kIn, last - first);
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
            CopyRun(dst + run->start * kOut, src + run->start * kIn, run->end - run->start);
          } else {
            BlendRun(dst + run->start * kOut, src + run->start * kIn, run->end - run->start);
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
          CopyRun(dst + (from - first) * kOut, src + from * kIn, to - from);
        } else {
          BlendRun(dst + (from - first) * kOut, src + from * kIn, to - from);
        }
      }
    }
  }
};

template <D3DFORMAT Target>
Kernels PlainFor(D3DFORMAT texture) {
  switch (texture) {
    case D3DFMT_A8R8G8B8:
      return {Plain<Target, D3DFMT_A8R8G8B8>::Copy, Plain<Target, D3DFMT_A8R8G8B8>::Blend};
    case D3DFMT_X8R8G8B8:
      return {Plain<Target, D3DFMT_X8R8G8B8>::Copy, Plain<Target, D3DFMT_X8R8G8B8>::Blend};
    case D3DFMT_R5G6B5:
      return {Plain<Target, D3DFMT_R5G6B5>::Copy, Plain<Target, D3DFMT_R5G6B5>::Blend};
    case D3DFMT_X1R5G5B5:
      return {Plain<Target, D3DFMT_X1R5G5B5>::Copy, Plain<Target, D3DFMT_X1R5G5B5>::Blend};
    case D3DFMT_A1R5G5B5:
      return {Plain<Target, D3DFMT_A1R5G5B5>::Copy, Plain<Target, D3DFMT_A1R5G5B5>::Blend};
    default:
      return {};
  }
}

Kernels PlainKernels(D3DFORMAT target, D3DFORMAT texture) {
  switch (target) {
    case D3DFMT_X8R8G8B8:
      return PlainFor<D3DFMT_X8R8G8B8>(texture);
    case D3DFMT_R5G6B5:
      return PlainFor<D3DFMT_R5G6B5>(texture);
    case D3DFMT_X1R5G5B5:
      return PlainFor<D3DFMT_X1R5G5B5>(texture);
    default:
      return {};
  }
}

}  // namespace

bool SimdAvailable(Simd simd) {
  switch (simd) {
    case Simd::Plain:
      return true;
    case Simd::Avx2: {
      Kernels unused;
      if (!KernelsAvx2(&unused)) return false;
#if defined(__x86_64__) || defined(__i386__)
      return __builtin_cpu_supports("avx2");
#else
      return false;
#endif
    }
  }
  return false;
}

Kernels KernelsFor(D3DFORMAT target, D3DFORMAT texture, Simd simd) {
  Kernels kernels = PlainKernels(target, texture);
  if (simd == Simd::Avx2 && target == D3DFMT_X8R8G8B8 && texture == D3DFMT_A8R8G8B8) {
    KernelsAvx2(&kernels);
  }
  return kernels;
}

Kernels KernelsBest(D3DFORMAT target, D3DFORMAT texture) {
  // Asked once: the answer cannot change while the process runs.
  static const bool avx2 = SimdAvailable(Simd::Avx2);
  return KernelsFor(target, texture, avx2 ? Simd::Avx2 : Simd::Plain);
}

}  // namespace platform::rows
