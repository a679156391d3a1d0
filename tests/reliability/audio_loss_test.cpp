// The audio output going away in the middle of a running game (the headless host's output stops
// rendering, as a sound card that was unplugged): the game goes on presenting frames, firing and
// colliding, nothing more is heard, and shut-down still stops the module's worker and frees every
// sound. The SDL output's counterpart is in sdl_audio_loss_test.cpp.

#include <gtest/gtest.h>

#include <algorithm>

#include "game_run.h"
#include "music/music.h"
#include "platform/input/key_codes.h"
#include "runtime/object_table.h"

namespace reliability {
namespace {

namespace p = platform;

class AudioLossTest : public GameRunTest {};

TEST_F(AudioLossTest, TheGameGoesOnSilentlyAndShutsDownCleanly) {
  p::HeadlessHost::Options options = DefaultOptions();
  options.audioKeep = true;
  p::HeadlessHost& host = HostMake(options);
  host.KeySet(p::DIK_SPACE, true);  // a shot, with its sound, whenever the bullet is free
  bool ran = false;
  EXPECT_EQ(Main(StepsWithBody([&] {
              ran = true;
              ASSERT_TRUE(Frames(120));
              const std::vector<std::int16_t> heard = host.AudioCaptured();
              ASSERT_FALSE(heard.empty());
              EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [](auto s) { return s != 0; }));

              host.AudioFailSet(true);
              const std::uint64_t presented = host.FramesPresented();
              ASSERT_TRUE(Frames(600));
              EXPECT_EQ(host.FramesPresented(), presented + 600);
              EXPECT_EQ(host.AudioCaptured().size(), heard.size());
              // The module is still there, and still meant to play, when shut-down comes.
              auto* music = static_cast<engine::MusicRecord*>(
                  engine::ObjectTableLookup(engine::MusicTable, 0));
              ASSERT_NE(music, nullptr);
              EXPECT_EQ(music->playing.load(), 1);
            })),
            0);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(host.MessageBoxes().empty());
}

}  // namespace
}  // namespace reliability
