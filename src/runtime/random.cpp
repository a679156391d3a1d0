#include "runtime/random.h"

#include "platform/host/host.h"

namespace engine {

namespace {

RandomState gRandom{};

constexpr std::uint32_t RotateRight(std::uint32_t v, int n) {
  return (v >> n) | (v << (32 - n));
}

std::uint32_t RandomStep() {
  RandomState& r = gRandom;
  const std::int32_t i = r.indexI, j = r.indexJ;
  const std::uint32_t a = r.laneA[i], b = r.laneB[i];
  const std::uint32_t newA = RotateRight(b, 13) + r.laneB[j];
  const std::uint32_t newB = RotateRight(a, 5) + r.laneA[j];
  r.laneA[i] = newA;
  r.laneB[i] = newB;
  r.indexI = i == 0 ? 16 : i - 1;
  r.indexJ = j == 0 ? 16 : j - 1;
  return newA;
}

void RandomSeedAutomatic() {
  platform::Host& host = platform::HostGet();
  RandomSeed(host.CurrentThreadId() ^ host.TickCount());
}

}  // namespace

void RandomSeed(std::uint32_t seed) {
  RandomState& r = gRandom;
  r.seeded = true;
  std::uint32_t x = seed;
  for (int k = 0; k < 17; ++k) {
    x = 1u - x * 1403630843u;
    r.laneB[k] = x;
    x = 1u - x * 1403630843u;
    r.laneA[k] = x;
  }
  r.indexI = 0;
  r.indexJ = 10;
  for (int k = 0; k < 31; ++k) RandomStep();
}

std::uint32_t RandomBelow(std::uint32_t maximum) {
  if (!gRandom.seeded) RandomSeedAutomatic();
  const std::uint32_t m = maximum + 1u;
  const std::uint32_t v = RandomStep();
  if (m == 0) return v;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) * m) >> 32);
}

std::uint32_t RandomBetween(std::uint32_t maximum, std::uint32_t minimum) {
  const std::uint32_t low = minimum <= maximum ? minimum : maximum;
  return low + RandomBelow(maximum - low);
}

const RandomState& RandomStateGet() {
  return gRandom;
}

void RandomUnseed() {
  gRandom.seeded = false;
}

}  // namespace engine
