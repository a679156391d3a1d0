#pragma once

#include <cstdint>

namespace engine {

// The process-wide lagged generator: two lanes of 17 words combined by rotation and addition.
// Seeded from the thread id and tick count on first use unless RandomSeed comes first.
// Main thread only.
struct RandomState {
  std::uint32_t laneA[17];
  std::uint32_t laneB[17];
  std::int32_t indexI;
  std::int32_t indexJ;
  bool seeded;
};

// Restarts the sequence from `seed`.
void RandomSeed(std::uint32_t seed);
// An integer from 0 to `maximum` inclusive (unsigned); maximum = -1 gives the raw output word.
std::uint32_t RandomBelow(std::uint32_t maximum);
// An integer from `minimum` to `maximum` inclusive; when minimum > maximum, always `maximum`.
std::uint32_t RandomBetween(std::uint32_t maximum, std::uint32_t minimum);
// The generator's state, for tests.
const RandomState& RandomStateGet();
// Test control: forgets the seed, so the next draw seeds automatically again.
void RandomUnseed();

}  // namespace engine
