// The SDL audio device removed while the game runs. SDL's disk driver reports its device removed
// (SDL_AUDIODEVICEREMOVED) when a write fails; a file-size limit makes the writes fail after a
// second or so of audio, while the game is well under way. The game must go on presenting
// frames, and shut-down must close the dead device without hanging. Runs the whole program on the
// SDL host with SDL's dummy video driver, chosen on purpose.

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "game/game.h"
#include "game/startup.h"
#include "platform/host/sdl/sdl_host.h"
#include "screen/screen_state.h"

namespace reliability {
namespace {

std::atomic<int> gRemoved{0};

int RemovalWatch(void*, SDL_Event* event) {
  if (event->type == SDL_AUDIODEVICEREMOVED && event->adevice.iscapture == 0) ++gRemoved;
  return 0;
}

// 256 KiB: about 1.5 s of 16-bit stereo at 44100 Hz.
constexpr rlim_t kAudioFileLimit = 256 * 1024;
// Passes to wait for the removal at most (SDL paces them to 60 Hz); only a bound against a
// broken build, not a timing check.
constexpr int kPassesMax = 60 * 30;

TEST(SdlAudioLossTest, TheGameOutlivesARemovedAudioDevice) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(TIDEFRAY_SOURCE_DIR);
  const std::filesystem::path audioFile =
      std::filesystem::temp_directory_path() / ("tidefray-sdl-loss-" + std::to_string(getpid()));
  // The dummy video driver draws with SDL's software renderer; the offscreen one would load the
  // system's GL libraries, whose own leaks the leak checker would report.
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  ::setenv("SDL_DISKAUDIOFILE", audioFile.c_str(), 1);
  // Writes past the limit fail with EFBIG instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit previousLimit{};
  getrlimit(RLIMIT_FSIZE, &previousLimit);
  rlimit limit = previousLimit;
  limit.rlim_cur = kAudioFileLimit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);

  bool ran = false;
  int passes = 0, passesAfterRemoval = 0;
  int exitCode = -1;
  {
    platform::SdlHost host;
    platform::HostInstall(&host);
    SDL_AddEventWatch(RemovalWatch, nullptr);
    game::StartupSteps steps = game::StartupStepsDefault();
    steps.gameRun = [&] {
      ran = true;
      game::GameSetup();
      for (; passes < kPassesMax && gRemoved.load() == 0; ++passes) game::GameFrame();
      for (; passesAfterRemoval < 60; ++passesAfterRemoval) game::GameFrame();
    };
    engine::ScreenStateForget();
    exitCode = game::TidefrayMain(steps);
    engine::ScreenStateForget();
    SDL_DelEventWatch(RemovalWatch, nullptr);
    platform::HostInstall(nullptr);
  }
  setrlimit(RLIMIT_FSIZE, &previousLimit);
  std::signal(SIGXFSZ, SIG_DFL);
  std::filesystem::remove(audioFile);
  for (const char* name : {"SDL_VIDEODRIVER", "SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE"})
    ::unsetenv(name);
  std::filesystem::current_path(previous);

  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(ran) << "start-up failed";
  EXPECT_EQ(gRemoved.load(), 1);
  EXPECT_GT(passes, 10);  // the device went away during the game, not at its start
  EXPECT_LT(passes, kPassesMax);
  EXPECT_EQ(passesAfterRemoval, 60);
}

}  // namespace
}  // namespace reliability
