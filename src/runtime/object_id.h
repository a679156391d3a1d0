#pragma once

#include <cstdint>

namespace engine {

// Object numbers: 0 and up are chosen by the program; ObjectIdAuto asks the table to invent one
// (the address of the new record), and in free, stop and volume calls means every object.
using ObjectId = std::intptr_t;
constexpr ObjectId ObjectIdAuto = -1;

// red + green * 256 + blue * 65536 in 32 bits, without masking or clamping.
constexpr std::uint32_t ColorRGB(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red + green * 256u + blue * 65536u;
}

}  // namespace engine
