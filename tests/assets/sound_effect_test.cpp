#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "media_files.h"

namespace {

using media_test::ReadBytes;
using media_test::SourcePath;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::string Tag(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                     b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

struct Effect {
  const char* path;
  double minSeconds;
  double maxSeconds;
};

class SoundEffect : public ::testing::TestWithParam<Effect> {};

TEST_P(SoundEffect, IsCanonicalPcmWaveOfTheIntendedLength) {
  const Effect& effect = GetParam();
  const std::vector<std::uint8_t> b = ReadBytes(SourcePath(effect.path));
  ASSERT_GE(b.size(), 44u);
  EXPECT_EQ(Tag(b, 0), "RIFF");
  EXPECT_EQ(U32(b, 4), b.size() - 8);
  EXPECT_EQ(Tag(b, 8), "WAVE");
  EXPECT_EQ(Tag(b, 12), "fmt ");
  EXPECT_EQ(U32(b, 16), 16u);
  EXPECT_EQ(U16(b, 20), 1) << "PCM";
  const unsigned channels = U16(b, 22);
  const std::uint32_t rate = U32(b, 24);
  EXPECT_TRUE(channels == 1 || channels == 2);
  EXPECT_TRUE(rate == 22050 || rate == 44100);
  EXPECT_EQ(U16(b, 34), 16) << "bits per sample";
  EXPECT_EQ(U16(b, 32), channels * 2) << "block align";
  EXPECT_EQ(U32(b, 28), rate * channels * 2) << "bytes per second";
  EXPECT_EQ(Tag(b, 36), "data");
  ASSERT_EQ(U32(b, 40), b.size() - 44);
  const double seconds = static_cast<double>(b.size() - 44) / (channels * 2.0 * rate);
  EXPECT_GE(seconds, effect.minSeconds);
  EXPECT_LE(seconds, effect.maxSeconds);
}

TEST_P(SoundEffect, IsAudibleUnclippedAndFadesAtBothEnds) {
  const std::vector<std::uint8_t> b = ReadBytes(SourcePath(GetParam().path));
  ASSERT_GT(b.size(), 44u + 4);
  std::vector<int> samples;
  for (std::size_t at = 44; at + 1 < b.size(); at += 2)
    samples.push_back(static_cast<std::int16_t>(U16(b, at)));
  int peak = 0;
  for (int s : samples) peak = std::max(peak, std::abs(s));
  EXPECT_GT(peak, 8000) << "too quiet";
  EXPECT_LT(peak, 32767) << "clipped";
  // Starting and ending near zero means no click when the sound starts, stops or restarts.
  EXPECT_LT(std::abs(samples.front()), 328);
  EXPECT_LT(std::abs(samples.back()), 328);
}

INSTANTIATE_TEST_SUITE_P(Game, SoundEffect,
                         ::testing::Values(Effect{"Data/player_bullet01.wav", 0.1, 0.2},
                                           Effect{"Data/collision01.wav", 0.25, 0.35}));

}  // namespace
