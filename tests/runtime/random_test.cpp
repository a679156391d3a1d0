#include "runtime/random.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/engine_fixture.h"

namespace {

class RandomTest : public testing_support::EngineTest {};

std::vector<std::uint32_t> Draw(int count, std::uint32_t maximum) {
  std::vector<std::uint32_t> out;
  for (int i = 0; i < count; ++i) out.push_back(engine::RandomBelow(maximum));
  return out;
}

TEST_F(RandomTest, SeedOneGivesTheKnownSequence) {
  engine::RandomSeed(1);
  EXPECT_EQ(engine::RandomStateGet().indexI, 3);
  EXPECT_EQ(engine::RandomStateGet().indexJ, 13);
  EXPECT_EQ(Draw(5, 400), (std::vector<std::uint32_t>{289, 72, 243, 366, 0}));
  std::vector<std::uint32_t> between;
  for (int i = 0; i < 5; ++i) between.push_back(engine::RandomBetween(6, 2));
  EXPECT_EQ(between, (std::vector<std::uint32_t>{2, 4, 3, 4, 6}));
}

TEST_F(RandomTest, SameSeedSameSequenceWhateverHappenedBetween) {
  engine::RandomSeed(0xDEADBEEF);
  auto first = Draw(50, 0xFFFFFFFFu);
  Draw(13, 7);
  engine::RandomSeed(0xDEADBEEF);
  EXPECT_EQ(Draw(50, 0xFFFFFFFFu), first);
}

TEST_F(RandomTest, EdgeMaximaAndReversedBounds) {
  engine::RandomSeed(77);
  auto raw = Draw(64, 0xFFFFFFFFu);
  bool topBit = false;
  for (auto v : raw) topBit |= (v & 0x80000000u) != 0;
  EXPECT_TRUE(topBit);  // raw words, not reduced to 31 bits

  // Zero maximum yields zero but still advances; a reversed range yields the maximum.
  engine::RandomSeed(77);
  EXPECT_EQ(engine::RandomBelow(0), 0u);
  EXPECT_EQ(engine::RandomBelow(0xFFFFFFFFu), raw[1]);
  EXPECT_EQ(engine::RandomBetween(2, 6), 2u);
  EXPECT_EQ(engine::RandomBelow(0xFFFFFFFFu), raw[3]);

  // A "negative" maximum is a large unsigned one.
  engine::RandomSeed(5);
  bool large = false;
  for (int i = 0; i < 64; ++i) large |= engine::RandomBelow(0xFFFFFFFEu) > 0x80000000u;
  EXPECT_TRUE(large);
}

TEST_F(RandomTest, FirstUseSeedsFromThreadIdXorTicks) {
  platform::HeadlessHost::Options options;
  options.tickStart = 12345;
  HostReset(options);
  engine::RandomUnseed();
  const std::uint32_t seed = host->CurrentThreadId() ^ host->TickCount();
  auto automatic = Draw(5, 1000);
  engine::RandomSeed(seed);
  EXPECT_EQ(Draw(5, 1000), automatic);
}

}  // namespace
