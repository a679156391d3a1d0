#include "platform/graphics/row_kernels.h"

#include "platform/graphics/pixel_format.h"

namespace platform::rows {

namespace {

template <D3DFORMAT Target, D3DFORMAT Texture>
void CopyRow(std::uint8_t* dst, const std::uint8_t* src, int count) {
  constexpr int kOut = FormatBytes(Target), kIn = FormatBytes(Texture);
  for (int i = 0; i < count; ++i) {
    pixel::Write(Target, dst + i * kOut, pixel::Read(Texture, src + i * kIn));
  }
}

template <D3DFORMAT Target, D3DFORMAT Texture>
void BlendRow(std::uint8_t* dst, const std::uint8_t* src, int count) {
  constexpr int kOut = FormatBytes(Target), kIn = FormatBytes(Texture);
  for (int i = 0; i < count; ++i) {
    pixel::BlendOnto(Target, dst + i * kOut, pixel::Read(Texture, src + i * kIn));
  }
}

template <D3DFORMAT Target>
Kernels PlainFor(D3DFORMAT texture) {
  switch (texture) {
    case D3DFMT_A8R8G8B8:
      return {CopyRow<Target, D3DFMT_A8R8G8B8>, BlendRow<Target, D3DFMT_A8R8G8B8>};
    case D3DFMT_X8R8G8B8:
      return {CopyRow<Target, D3DFMT_X8R8G8B8>, BlendRow<Target, D3DFMT_X8R8G8B8>};
    case D3DFMT_R5G6B5:
      return {CopyRow<Target, D3DFMT_R5G6B5>, BlendRow<Target, D3DFMT_R5G6B5>};
    case D3DFMT_X1R5G5B5:
      return {CopyRow<Target, D3DFMT_X1R5G5B5>, BlendRow<Target, D3DFMT_X1R5G5B5>};
    case D3DFMT_A1R5G5B5:
      return {CopyRow<Target, D3DFMT_A1R5G5B5>, BlendRow<Target, D3DFMT_A1R5G5B5>};
    default:
      return {};
  }
}

Kernels Plain(D3DFORMAT target, D3DFORMAT texture) {
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
  Kernels kernels = Plain(target, texture);
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
