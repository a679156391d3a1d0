#pragma once

// Reading, writing and blending single pixels of the device's formats. Every drawing path (the
// general triangle path, the quad path and its SIMD rows, Clear and BitBlt) goes through these
// rules so that they agree bit for bit:
// - 5- and 6-bit channels widen to 8 bits by repeating their high bits (c5 -> c5 << 3 | c5 >> 2),
//   so 0 and full stay 0 and 255; 8-bit channels narrow by dropping low bits (c8 >> 3), which
//   undoes the widening exactly.
// - 1-bit alpha reads as 0 or 255 and is written as 1 from 128 up; formats without alpha read
//   as 255 and get zero X bits.
// - Blending a channel: (src * fs + dst * fd + 127) / 255 with 8-bit factors.

#include <cstdint>
#include <cstring>

#include "platform/graphics/graphics.h"

namespace platform::pixel {

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) {
  std::memcpy(p, &v, 4);
}
inline void Store16(std::uint8_t* p, std::uint16_t v) {
  std::memcpy(p, &v, 2);
}

constexpr std::uint32_t Widen5(std::uint32_t c) {
  return (c << 3) | (c >> 2);
}
constexpr std::uint32_t Widen6(std::uint32_t c) {
  return (c << 2) | (c >> 4);
}

// Exact floor(v / 255) for 0 <= v <= 65535 - 256, which covers every blend sum plus 127.
constexpr std::uint32_t Div255(std::uint32_t v) {
  return (v + 1 + (v >> 8)) >> 8;
}

constexpr std::uint32_t FromX1R5G5B5(std::uint32_t p) {
  return (Widen5((p >> 10) & 31) << 16) | (Widen5((p >> 5) & 31) << 8) | Widen5(p & 31);
}
constexpr std::uint32_t FromR5G6B5(std::uint32_t p) {
  return (Widen5((p >> 11) & 31) << 16) | (Widen6((p >> 5) & 63) << 8) | Widen5(p & 31);
}
constexpr std::uint16_t ToX1R5G5B5(std::uint32_t argb) {
  return static_cast<std::uint16_t>(((argb >> 9) & 0x7C00) | ((argb >> 6) & 0x03E0) |
                                    ((argb >> 3) & 0x001F));
}
constexpr std::uint16_t ToR5G6B5(std::uint32_t argb) {
  return static_cast<std::uint16_t>(((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07E0) |
                                    ((argb >> 3) & 0x001F));
}

// The pixel at p as 0xAARRGGBB.
inline std::uint32_t Read(D3DFORMAT format, const std::uint8_t* p) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      return Load32(p);
    case D3DFMT_X8R8G8B8:
      return Load32(p) | 0xFF000000u;
    case D3DFMT_R5G6B5:
      return FromR5G6B5(Load16(p)) | 0xFF000000u;
    case D3DFMT_X1R5G5B5:
      return FromX1R5G5B5(Load16(p)) | 0xFF000000u;
    case D3DFMT_A1R5G5B5: {
      std::uint32_t v = Load16(p);
      return FromX1R5G5B5(v) | ((v & 0x8000) ? 0xFF000000u : 0u);
    }
    default:
      return 0;
  }
}

// Stores 0xAARRGGBB at p in the format.
inline void Write(D3DFORMAT format, std::uint8_t* p, std::uint32_t argb) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      Store32(p, argb);
      break;
    case D3DFMT_X8R8G8B8:
      Store32(p, argb & 0x00FFFFFFu);
      break;
    case D3DFMT_R5G6B5:
      Store16(p, ToR5G6B5(argb));
      break;
    case D3DFMT_X1R5G5B5:
      Store16(p, ToX1R5G5B5(argb));
      break;
    case D3DFMT_A1R5G5B5:
      Store16(p, static_cast<std::uint16_t>(ToX1R5G5B5(argb) | ((argb >> 31) << 15)));
      break;
    default:
      break;
  }
}

// src * a + dst * (255 - a) per colour channel of two 0x..RRGGBB values; the top byte of the
// result is zero.
inline std::uint32_t BlendSrcAlpha(std::uint32_t src, std::uint32_t dst, std::uint32_t a) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    std::uint32_t s = (src >> shift) & 0xFF;
    std::uint32_t d = (dst >> shift) & 0xFF;
    out |= Div255(s * a + d * (255 - a) + 127) << shift;
  }
  return out;
}

// Source-alpha blending of texel `src` (0xAARRGGBB) onto the pixel at p: alpha 0 leaves the
// pixel as it is, alpha 255 replaces it, anything else mixes.
inline void BlendOnto(D3DFORMAT format, std::uint8_t* p, std::uint32_t src) {
  std::uint32_t a = src >> 24;
  if (a == 0) return;
  if (a == 255) {
    Write(format, p, src);
    return;
  }
  Write(format, p, BlendSrcAlpha(src, Read(format, p), a));
}

}  // namespace platform::pixel
