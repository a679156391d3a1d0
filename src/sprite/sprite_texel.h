#pragma once

// The texel rules of sprite textures: mask keys, the alpha rule of the mask pass, and the row
// kernels that load decoded pixels into texture rows. Texels are little-endian words:
// 32-bit 0xAARRGGBB, 16-bit alpha 15, red 10-14, green 5-9, blue 0-4.

#include <cstdint>

namespace engine {

// The mask colour of a texture that has not had a mask pass yet.
inline constexpr std::uint32_t kMaskColorNone = 0xFFFFFFFFu;

// The 32-bit key of a ColorRGB mask colour: its red and blue bytes exchanged, 24 bits. The key of
// kMaskColorNone is white.
constexpr std::uint32_t MaskKey32(std::uint32_t color) {
  return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

// A 16-bit key that no texel's colour bits can equal.
inline constexpr std::uint32_t kMaskKey16None = 0x8000u;

// The 15-bit key of a ColorRGB mask colour; kMaskKey16None for kMaskColorNone.
constexpr std::uint32_t MaskKey16(std::uint32_t color) {
  if (color == kMaskColorNone) return kMaskKey16None;
  const std::uint32_t red = color & 0xFFu, green = (color >> 8) & 0xFFu,
                      blue = (color >> 16) & 0xFFu;
  return ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
}

// The mask pass on one texel: alpha 0 when its colour equals the key, full alpha otherwise.
constexpr std::uint32_t MaskTexel32(std::uint32_t texel, std::uint32_t key) {
  const std::uint32_t colour = texel & 0x00FFFFFFu;
  return colour == key ? colour : colour | 0xFF000000u;
}
constexpr std::uint16_t MaskTexel16(std::uint32_t texel, std::uint32_t key) {
  const std::uint32_t colour = texel & 0x7FFFu;
  return static_cast<std::uint16_t>(colour == key ? colour : colour | 0x8000u);
}

// Where the alpha of loaded texels comes from.
enum class TexelAlpha {
  Zero,   // alpha 0 (a mask pass follows)
  Key,    // the mask pass's rule with a key, so that no second pass is needed
  Image,  // the decoded image's own alpha (32-bit sources)
};

// Row kernels: `width` decoded pixels (blue, green, red for 24-bit sources; blue, green, red,
// alpha for 32-bit ones) into texels. `key` is used by TexelAlpha::Key only. A 16-bit texel takes
// the top bit of the image's alpha for TexelAlpha::Image.
void TexelRowFrom32To32(std::uint32_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key);
void TexelRowFrom24To32(std::uint32_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key);
void TexelRowFrom32To16(std::uint16_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key);
void TexelRowFrom24To16(std::uint16_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key);

// The mask pass over one row, in place.
void TexelRowMask32(std::uint32_t* texels, std::int32_t width, std::uint32_t key);
void TexelRowMask16(std::uint16_t* texels, std::int32_t width, std::uint32_t key);

// Writes colours from a staging row (X8R8G8B8 or X1R5G5B5) into texels, the alpha recomputed by
// the mask pass's rule with `key`.
void TexelRowWriteBack32(std::uint32_t* texels, const std::uint32_t* staging, std::int32_t width,
                         std::uint32_t key);
void TexelRowWriteBack16(std::uint16_t* texels, const std::uint16_t* staging, std::int32_t width,
                         std::uint32_t key);

}  // namespace engine
