#include "sprite/sprite_texel.h"

#include <cstring>

namespace engine {

namespace {

// Texture rows come from a surface lock and decoded rows from a byte buffer, so neither is
// promised to be aligned for word access; memcpy keeps the loads and stores well-defined and the
// compiler turns them into plain moves.
std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t Colour24(const std::uint8_t* p) {
  return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
}

// The 15 colour bits of a 16-bit texel from 8-bit blue, green and red (the low bits dropped).
std::uint32_t Colour15(std::uint32_t blue, std::uint32_t green, std::uint32_t red) {
  return ((red & 0xF8u) << 7) | ((green & 0xF8u) << 2) | (blue >> 3);
}

}  // namespace

void TexelRowFrom32To32(std::uint32_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key) {
  // The source bytes blue, green, red, alpha read as a little-endian word are already 0xAARRGGBB.
  switch (alpha) {
    case TexelAlpha::Image:
      std::memcpy(texels, source, static_cast<std::size_t>(width) * 4);
      break;
    case TexelAlpha::Key:
      for (std::int32_t i = 0; i < width; ++i) texels[i] = MaskTexel32(Load32(source + i * 4), key);
      break;
    case TexelAlpha::Zero:
      for (std::int32_t i = 0; i < width; ++i) texels[i] = Load32(source + i * 4) & 0x00FFFFFFu;
      break;
  }
}

void TexelRowFrom24To32(std::uint32_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key) {
  if (alpha == TexelAlpha::Key) {
    for (std::int32_t i = 0; i < width; ++i) texels[i] = MaskTexel32(Colour24(source + i * 3), key);
  } else {
    // A 24-bit source has no alpha of its own: Image loads as Zero.
    for (std::int32_t i = 0; i < width; ++i) texels[i] = Colour24(source + i * 3);
  }
}

void TexelRowFrom32To16(std::uint16_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key) {
  for (std::int32_t i = 0; i < width; ++i) {
    const std::uint8_t* p = source + i * 4;
    const std::uint32_t colour = Colour15(p[0], p[1], p[2]);
    switch (alpha) {
      case TexelAlpha::Image:
        texels[i] = static_cast<std::uint16_t>(colour | ((p[3] & 0x80u) << 8));
        break;
      case TexelAlpha::Key:
        texels[i] = MaskTexel16(colour, key);
        break;
      case TexelAlpha::Zero:
        texels[i] = static_cast<std::uint16_t>(colour);
        break;
    }
  }
}

void TexelRowFrom24To16(std::uint16_t* texels, const std::uint8_t* source, std::int32_t width,
                        TexelAlpha alpha, std::uint32_t key) {
  for (std::int32_t i = 0; i < width; ++i) {
    const std::uint8_t* p = source + i * 3;
    const std::uint32_t colour = Colour15(p[0], p[1], p[2]);
    texels[i] =
        alpha == TexelAlpha::Key ? MaskTexel16(colour, key) : static_cast<std::uint16_t>(colour);
  }
}

void TexelRowMask32(std::uint32_t* texels, std::int32_t width, std::uint32_t key) {
  for (std::int32_t i = 0; i < width; ++i) texels[i] = MaskTexel32(texels[i], key);
}

void TexelRowMask16(std::uint16_t* texels, std::int32_t width, std::uint32_t key) {
  for (std::int32_t i = 0; i < width; ++i) texels[i] = MaskTexel16(texels[i], key);
}

void TexelRowWriteBack32(std::uint32_t* texels, const std::uint32_t* staging, std::int32_t width,
                         std::uint32_t key) {
  for (std::int32_t i = 0; i < width; ++i) texels[i] = MaskTexel32(staging[i], key);
}

void TexelRowWriteBack16(std::uint16_t* texels, const std::uint16_t* staging, std::int32_t width,
                         std::uint32_t key) {
  for (std::int32_t i = 0; i < width; ++i) texels[i] = MaskTexel16(staging[i], key);
}

}  // namespace engine
