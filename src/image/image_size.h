#pragma once

#include <cstdint>
#include <optional>

#include "image/image_decoder.h"

namespace engine {

// Size arithmetic on values that come from file headers: every step is checked, so a hostile
// header yields "no size" instead of a wrapped-around small one.

// a * b, or nothing when the product does not fit in 32 bits.
constexpr std::optional<std::uint32_t> SizeMultiply(std::uint32_t a, std::uint32_t b) {
  std::uint32_t product = 0;
  if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
  return product;
}

// a + b, or nothing when the sum does not fit in 32 bits.
constexpr std::optional<std::uint32_t> SizeAdd(std::uint32_t a, std::uint32_t b) {
  std::uint32_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
  return sum;
}

// Whether a decoder may accept an image of width x height: both within 1..kImageDimensionMax and
// (height + 1) rows of width * 4 bytes (the largest buffer a caller allocates) within 31 bits.
constexpr bool ImageDimensionsAccepted(std::int64_t width, std::int64_t height) {
  if (width < 1 || height < 1 || width > kImageDimensionMax || height > kImageDimensionMax) {
    return false;
  }
  auto row = SizeMultiply(static_cast<std::uint32_t>(width), 4);
  if (!row) return false;
  auto total = SizeMultiply(*row, static_cast<std::uint32_t>(height) + 1);
  return total && *total <= static_cast<std::uint32_t>(INT32_MAX);
}

}  // namespace engine
