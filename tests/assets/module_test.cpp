#include <gtest/gtest.h>
#include <libmodplug/modplug.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "media_files.h"

namespace {

using media_test::ReadBytes;
using media_test::SourcePath;

constexpr int kRate = 44100;
constexpr int kModuleTypeIt = 0x20;  // libmodplug's number for the Impulse Tracker format

struct Rendering {
  double seconds = 0.0;  // how much was rendered before the song ended (or the cap)
  bool ended = false;
  int peak = 0;
  double rms = 0.0;
  double rmsAfter = 0.0;  // loudness of what came after `markSeconds`
};

// Renders like the game's music player: 44100 Hz, 16-bit stereo, oversampling and noise
// reduction, linear resampling; `loopCount` -1 repeats the song for ever, 0 plays it once.
Rendering Render(const std::vector<std::uint8_t>& bytes, int loopCount, double capSeconds,
                 int masterVolume, double markSeconds = 1e9) {
  ModPlug_Settings settings;
  ModPlug_GetSettings(&settings);
  settings.mFlags = MODPLUG_ENABLE_OVERSAMPLING | MODPLUG_ENABLE_NOISE_REDUCTION;
  settings.mChannels = 2;
  settings.mBits = 16;
  settings.mFrequency = kRate;
  settings.mResamplingMode = MODPLUG_RESAMPLE_LINEAR;
  settings.mStereoSeparation = 128;
  settings.mMaxMixChannels = 32;
  settings.mReverbDepth = settings.mReverbDelay = 0;
  settings.mBassAmount = settings.mBassRange = 0;
  settings.mSurroundDepth = settings.mSurroundDelay = 0;
  settings.mLoopCount = loopCount;
  ModPlug_SetSettings(&settings);

  Rendering r;
  ModPlugFile* module = ModPlug_Load(bytes.data(), static_cast<int>(bytes.size()));
  if (module == nullptr) return r;
  ModPlug_SetMasterVolume(module, static_cast<unsigned>(masterVolume));
  std::vector<std::int16_t> block(kRate / 10 * 2);  // a tenth of a second
  long frames = 0;
  double sum = 0.0;
  double sumAfter = 0.0;
  long framesAfter = 0;
  while (frames < static_cast<long>(capSeconds * kRate)) {
    const int got = ModPlug_Read(module, block.data(), static_cast<int>(block.size() * 2));
    const int values = got > 0 ? got / 2 : 0;
    for (int i = 0; i < values; ++i) {
      const double v = block[static_cast<std::size_t>(i)];
      r.peak = std::max(r.peak, std::abs(static_cast<int>(v)));
      sum += v * v;
      if (frames + i / 2 >= static_cast<long>(markSeconds * kRate)) {
        sumAfter += v * v;
        ++framesAfter;
      }
    }
    frames += values / 2;
    if (got < static_cast<int>(block.size() * 2)) {
      r.ended = true;
      break;
    }
  }
  ModPlug_Unload(module);
  r.seconds = static_cast<double>(frames) / kRate;
  r.rms = frames > 0 ? std::sqrt(sum / (2.0 * frames)) : 0.0;
  r.rmsAfter = framesAfter > 0 ? std::sqrt(sumAfter / framesAfter) : 0.0;
  return r;
}

const std::vector<std::uint8_t>& SeaSong() {
  static const std::vector<std::uint8_t> bytes = ReadBytes(SourcePath("Music/evolutionloop.it"));
  return bytes;
}

TEST(SeaSong, IsASmallImpulseTrackerModuleOfTheRequiredShape) {
  const auto& bytes = SeaSong();
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_LT(bytes.size(), 1024u * 1024u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "IMPM");
  ModPlugFile* module = ModPlug_Load(bytes.data(), static_cast<int>(bytes.size()));
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ModPlug_GetModuleType(module), kModuleTypeIt);
  EXPECT_GE(ModPlug_NumChannels(module), 4u);
  EXPECT_GE(ModPlug_NumPatterns(module), 4u);
  EXPECT_GE(ModPlug_NumSamples(module), 4u);
  EXPECT_GE(ModPlug_GetLength(module), 30000);
  ModPlug_Unload(module);
}

TEST(SeaSong, PlaysOverThirtySecondsOnceAndRepeatsWhenLooping) {
  const Rendering once = Render(SeaSong(), 0, 600.0, 512);
  EXPECT_TRUE(once.ended);
  EXPECT_GE(once.seconds, 30.0);
  EXPECT_LT(once.seconds, 180.0);

  // With endless looping, as the game plays it, the music goes on after the first pass.
  const Rendering looping = Render(SeaSong(), -1, once.seconds + 10.0, 512, once.seconds + 1.0);
  EXPECT_FALSE(looping.ended);
  EXPECT_GT(looping.rmsAfter, looping.rms / 4.0);
}

TEST(SeaSong, IsAudibleWithoutClippingAtFullAndAtGameVolume) {
  for (int volume : {512, 102}) {
    SCOPED_TRACE(volume);
    const Rendering r = Render(SeaSong(), 0, 600.0, volume);
    EXPECT_LT(r.peak, 32767);
    EXPECT_GT(r.rms, 500.0);
  }
}

TEST(TestModules, EndAfterAShortTimeWhenNotLooping) {
  struct Case {
    const char* path;
    double minSeconds, maxSeconds;
  };
  for (const Case& c :
       {Case{"tests/data/song_ends.it", 2.0, 6.0}, Case{"tests/data/tiny.it", 0.5, 1.5}}) {
    SCOPED_TRACE(c.path);
    const auto bytes = ReadBytes(SourcePath(c.path));
    const Rendering r = Render(bytes, 0, 60.0, 512);
    EXPECT_TRUE(r.ended);
    EXPECT_GE(r.seconds, c.minSeconds);
    EXPECT_LE(r.seconds, c.maxSeconds);
    EXPECT_GT(r.peak, 1000) << "silent";
  }
}

TEST(TestModules, SongThatEndsHasNoWayBackAndASilentTail) {
  const auto bytes = ReadBytes(SourcePath("tests/data/song_ends.it"));
  // Even asked to loop, the library finds no jump back in it: the song really ends, and a player
  // that wants it again has to start it over itself.
  const Rendering looping = Render(bytes, -1, 60.0, 512);
  EXPECT_TRUE(looping.ended);
  // Sound at the start and silence at the end, so that a restart is plain to hear.
  const Rendering head = Render(bytes, 0, 0.5, 512);
  const Rendering tail = Render(bytes, 0, 60.0, 512, looping.seconds - 0.5);
  EXPECT_GT(head.rms, 500.0);
  EXPECT_LT(tail.rmsAfter, 1.0);
}

}  // namespace
