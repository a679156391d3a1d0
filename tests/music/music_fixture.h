#pragma once

// A started sound library and module player on a headless host whose audio advances only when
// the test says so, test modules written in place, and libmodplug rendering directly for
// comparison.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "music/it_module_builder.h"
#include "music/music.h"
#include "music/music_render.h"
#include "screen/media_window.h"
#include "sound/sound.h"
#include "support/engine_fixture.h"

namespace music_test {

constexpr std::size_t kHalfBytes = engine::kMusicBufferBytes / 2;  // 102400
constexpr std::size_t kHalfFrames = kHalfBytes / 4;                // 25600
constexpr std::size_t kTickFrames = 882;  // 2.5 / 125 s at 44100 Hz: one tick at tempo 125

// Four channels of a looped square wave, each note held until the next on its channel, so the
// song never falls silent while it plays. `patterns` patterns of `rows` rows at `speed`.
inline ItSong BusySong(int patterns = 2, int rows = 64, int speed = 6) {
  ItSong song;
  song.speed = speed;
  song.sample = SquareWave(32, 8, 48);
  for (int p = 0; p < patterns; ++p) {
    ItPattern pattern;
    pattern.rows = rows;
    for (int row = 0; row < rows; row += 4)
      for (int channel = 0; channel < 4; ++channel)
        if ((row / 4 + channel + p) % 3 == 0 || row == 0)
          pattern.notes.push_back({row, channel, 48 + (row * 5 + channel * 7 + p * 3) % 24, 1});
    song.patterns.push_back(pattern);
    song.orders.push_back(p);
  }
  return song;
}

// Frames a song of BusySong's shape lasts until libmodplug finds its end.
inline std::size_t SongFrames(int patterns, int rows, int speed) {
  return static_cast<std::size_t>(patterns * rows * speed) * kTickFrames;
}

// libmodplug keeps a little state for every module together (the last output sample of its
// noise reduction, the DC of voices that ended). Rendering a silent module for a second
// brings it to rest, so that two renderings that each begin after this start alike.
inline void ModPlugSettle() {
  ItSong silent;
  silent.sample = SquareWave(32, 1);
  silent.patterns = {ItPattern{}};
  silent.orders = {0};
  silent.speed = 255;
  auto bytes = ItModuleBuild(silent);
  std::lock_guard guard(engine::MusicModPlugLock());
  ModPlugFile* module = ModPlug_Load(bytes.data(), static_cast<int>(bytes.size()));
  std::vector<char> scratch(44100 * 4);
  ModPlug_Read(module, scratch.data(), static_cast<int>(scratch.size()));
  ModPlug_Unload(module);
}

// libmodplug rendering `bytes` of the module itself, half by half, at master volume 512.
inline std::vector<std::int16_t> ModPlugRender(const std::vector<std::uint8_t>& file,
                                               std::size_t halves) {
  std::lock_guard guard(engine::MusicModPlugLock());
  ModPlugFile* module = ModPlug_Load(file.data(), static_cast<int>(file.size()));
  EXPECT_NE(module, nullptr);
  std::vector<std::int16_t> out(halves * kHalfBytes / 2);
  if (!module) return out;
  ModPlug_SetMasterVolume(module, 512);
  for (std::size_t h = 0; h < halves; ++h)
    ModPlug_Read(module, out.data() + h * kHalfBytes / 2, static_cast<int>(kHalfBytes));
  ModPlug_Unload(module);
  return out;
}

class MusicTest : public testing_support::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine::MediaWindowForget();  // the window of the previous test's host is gone
    engine::MusicInit();
    ASSERT_EQ(engine::SoundInit(), 1);
  }
  void TearDown() override {
    engine::MusicEnd();
    engine::SoundEnd();
    EngineTest::TearDown();
  }

  static engine::MusicRecord* Record(engine::ObjectId music) {
    return static_cast<engine::MusicRecord*>(engine::ObjectTableLookup(engine::MusicTable, music));
  }

  // Plays `quarters` quarter-buffers of a playing module through the output. Before the second
  // quarter of each half the worker must have refilled the next half (it does so once the
  // cursor is inside this one), so the output never reaches a half before it was written.
  // `firstFill` is the module's fill count when its current play began.
  std::vector<std::int16_t> Stream(engine::MusicRecord* record, std::size_t quarters,
                                   std::uint32_t firstFill = 0) {
    std::vector<std::int16_t> out;
    for (std::size_t q = 0; q < quarters; ++q) {
      const auto due = firstFill + static_cast<std::uint32_t>((q + 1) / 2);
      EXPECT_TRUE(WaitUntil([&] { return record->halfFills.load() >= due; }));
      auto part = Render(kHalfFrames / 2);
      out.insert(out.end(), part.begin(), part.end());
    }
    return out;
  }
};

}  // namespace music_test
