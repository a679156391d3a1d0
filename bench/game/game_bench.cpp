// The whole headless frame of the game (flip, clear, floor, sprites, keys, logic) running
// unthrottled, beside a memcpy of the bytes such a frame must touch at the least: the clear,
// the floor's rows and one copy of the back buffer for presentation.

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "game/game.h"
#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "input/keyboard.h"
#include "music/music.h"
#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sound/sound.h"

namespace {

void GameFrame(benchmark::State& state) {
  std::filesystem::current_path(TIDEFRAY_SOURCE_DIR);
  platform::HeadlessHost::Options options;
  options.audioKeep = false;
  platform::HeadlessHost host(options);
  platform::HostInstall(&host);
  engine::MainHeapCreate();
  engine::ImageDecodeInit();
  engine::BmpDecoderRegister();
  engine::MusicInit();
  if (!engine::SpriteSystemInit() || !engine::KeyboardInit() || !engine::SoundInit() ||
      !engine::ScreenOpen(640, 480, 32, "bench")) {
    state.SkipWithError("start-up failed");
    return;
  }
  game::GameSetup();
  for (auto _ : state) game::GameFrame();
  engine::MusicEnd();
  engine::SoundEnd();
  engine::KeyboardRelease();
  engine::SpriteSystemEnd();
  engine::MainHeapDestroy();
  engine::ScreenStateForget();
  platform::HostInstall(nullptr);
}
BENCHMARK(GameFrame)->Unit(benchmark::kMicrosecond);

void FrameMemcpyFloor(benchmark::State& state) {
  constexpr std::size_t kScreen = 640 * 480 * 4, kFloorRows = 640 * 240 * 4;
  std::vector<std::uint8_t> backBuffer(kScreen), presented(kScreen), floor(kFloorRows, 7),
      clear(kScreen, 3);
  for (auto _ : state) {
    std::memcpy(backBuffer.data(), clear.data(), kScreen);                            // the clear
    std::memcpy(backBuffer.data() + kScreen - kFloorRows, floor.data(), kFloorRows);  // the floor
    std::memcpy(presented.data(), backBuffer.data(), kScreen);  // presentation
    benchmark::DoNotOptimize(presented.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(FrameMemcpyFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
