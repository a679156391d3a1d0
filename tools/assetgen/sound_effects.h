#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

inline constexpr int kEffectRate = 44100;

// Mono 16-bit samples at kEffectRate.
std::vector<std::int16_t> SynthesizeShot();    // a short bright "pew", 0.15 s
std::vector<std::int16_t> SynthesizeImpact();  // a crunchy hit, 0.3 s

}  // namespace assetgen
