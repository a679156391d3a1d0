// The SDL audio output on SDL's dummy driver, which pulls from its callback in real time
// without a sound card.

#include "platform/host/sdl/sdl_audio_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using namespace platform;

class CountingSource final : public AudioSource {
 public:
  void AudioRender(std::int16_t* out, std::size_t frames) override {
    for (std::size_t i = 0; i < frames * 2; ++i) out[i] = 0;
    largest = std::max<std::size_t>(largest, frames);
    rendered += frames;
  }
  std::atomic<std::uint64_t> rendered{0};
  std::atomic<std::size_t> largest{0};
};

TEST(SdlAudioOutputTest, PullsSmallBlocksFromTheSourceUntilClosed) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  CountingSource source;
  auto output = SdlAudioOutputOpen(&source);
  ASSERT_TRUE(output);
  EXPECT_GT(output->BufferFrames(), 0u);
  EXPECT_LE(output->BufferFrames(), 1024u);
  while (output->FramesPlayed() < 2 * output->BufferFrames())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_LE(source.largest.load(), 1024u);
  output.reset();
  // Closed: the source is not called any more.
  std::uint64_t after = source.rendered.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(source.rendered.load(), after);
}

TEST(SdlAudioOutputTest, NoSourceGivesNoOutput) {
  EXPECT_EQ(SdlAudioOutputOpen(nullptr), nullptr);
}

}  // namespace
