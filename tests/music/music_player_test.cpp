// The module player: settings, loading, volume, and what it streams through the output.

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "music/music_fixture.h"

namespace music_test {
namespace {

using engine::ObjectIdAuto;

TEST_F(MusicTest, InitSetsEveryRendererSetting) {
  ModPlug_Settings s;
  ModPlug_GetSettings(&s);
  EXPECT_EQ(s.mFlags, 3);
  EXPECT_EQ(s.mChannels, 2);
  EXPECT_EQ(s.mBits, 16);
  EXPECT_EQ(s.mFrequency, 44100);
  EXPECT_EQ(s.mResamplingMode, 1);
  EXPECT_EQ(s.mStereoSeparation, 128);
  EXPECT_EQ(s.mMaxMixChannels, 32);
  EXPECT_EQ(s.mReverbDepth, 0);
  EXPECT_EQ(s.mReverbDelay, 0);
  EXPECT_EQ(s.mBassAmount, 0);
  EXPECT_EQ(s.mBassRange, 0);
  EXPECT_EQ(s.mSurroundDepth, 0);
  EXPECT_EQ(s.mSurroundDelay, 0);
  EXPECT_EQ(s.mLoopCount, -1);
  EXPECT_EQ(engine::MusicTable->capacity, 16);
}

TEST_F(MusicTest, VolumeMapsToTheMasterVolume) {
  auto file = ItModuleBuild(BusySong());
  ASSERT_NE(engine::MusicLoadFromMemory(0, file.data(), file.size()), nullptr);
  ModPlugFile* module = Record(0)->module;
  auto master = [&] {
    std::lock_guard guard(engine::MusicModPlugLock());
    return ModPlug_GetMasterVolume(module);
  };
  EXPECT_EQ(master(), 512u);  // a new module plays at full level
  const struct {
    std::int32_t volume;
    unsigned master;
  } kCases[] = {{0, 1},     {1, 5},    {20, 102},      {50, 256},      {100, 512},      {150, 512},
                {-10, 512}, {-1, 512}, {INT_MAX, 512}, {INT_MIN, 512}, {838860819, 512}};
  for (const auto& c : kCases) {
    engine::MusicSetVolume(0, c.volume);
    EXPECT_EQ(master(), c.master) << c.volume;
  }
  engine::MusicSetVolume(5, 50);  // nothing there: nothing happens
}

TEST_F(MusicTest, LoadingReplacesFailsAndKeeps) {
  auto file = ItModuleBuild(BusySong());
  void* first = engine::MusicLoadFromMemory(0, file.data(), file.size());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, Record(0));
  EXPECT_EQ(Record(0)->bufferBytes, 204800);
  platform::WAVEFORMATEX format;
  Record(0)->buffer->GetFormat(&format);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.wBitsPerSample, 16);

  // A missing file: nothing changes under the number.
  EXPECT_EQ(engine::MusicLoad(0, "/nonexistent/tidefray/song.it"), nullptr);
  EXPECT_EQ(engine::MusicLoad(0, nullptr), nullptr);
  EXPECT_NE(Record(0), nullptr);

  // A file that is no module: the old module is gone, the number is empty.
  auto path = std::filesystem::temp_directory_path() /
              ("tidefray_music_" + std::to_string(::getpid()) + ".it");
  std::ofstream(path, std::ios::binary) << "this is not a module at all";
  EXPECT_EQ(engine::MusicLoad(0, path.string().c_str()), nullptr);
  EXPECT_EQ(Record(0), nullptr);
  std::filesystem::remove(path);
  // Under an auto number such a load leaves no record behind.
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  EXPECT_EQ(engine::MusicLoadFromMemory(ObjectIdAuto, "not a module", 12), nullptr);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);

  // Auto numbers are records; a module from a file loads like one from memory.
  auto modulePath = std::filesystem::temp_directory_path() /
                    ("tidefray_music_ok_" + std::to_string(::getpid()) + ".it");
  std::ofstream(modulePath, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  void* automatic = engine::MusicLoad(ObjectIdAuto, modulePath.string().c_str());
  std::filesystem::remove(modulePath);
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(Record(reinterpret_cast<engine::ObjectId>(automatic)), automatic);

  // Without a device no buffer can be made: the module is not kept.
  auto device = platform::Ref<platform::DirectSound>::Share(engine::SoundDevice());
  engine::SoundDeviceSet(nullptr);
  EXPECT_EQ(engine::MusicLoadFromMemory(1, file.data(), file.size()), nullptr);
  EXPECT_EQ(Record(1), nullptr);
  const std::size_t blocksBefore = engine::MainHeap()->LiveBlockCount();
  EXPECT_EQ(engine::MusicLoadFromMemory(ObjectIdAuto, file.data(), file.size()), nullptr);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocksBefore);
  engine::SoundDeviceSet(device.Get());
}

// What the player streams is libmodplug's own rendering of the module, byte for byte: the
// buffer plays at 0 dB, at the output's rate, so the mixer hands the samples on unchanged.
TEST_F(MusicTest, StreamEqualsTheRenderersOwnOutput) {
  auto file = ItModuleBuild(BusySong());
  constexpr std::size_t kQuarters = 18;  // 230400 frames, 5.2 s
  ModPlugSettle();
  auto expected = ModPlugRender(file, kQuarters / 2);
  ModPlugSettle();
  ASSERT_NE(engine::MusicLoadFromMemory(0, file.data(), file.size()), nullptr);
  ASSERT_EQ(engine::MusicPlay(0), 1);
  auto out = Stream(Record(0), kQuarters);
  ASSERT_EQ(out.size(), expected.size());
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], expected[i]) << "sample " << i;
  // And it was music, not two equal silences.
  std::size_t loud = 0;
  for (std::int16_t s : out) loud += (s > 1000 || s < -1000) ? 1 : 0;
  EXPECT_GT(loud, out.size() / 4);
}

// Playing again continues the rendering where it stood; what was in the buffer but not yet
// heard is skipped.
TEST_F(MusicTest, PlayingAgainContinuesWithoutARestart) {
  auto file = ItModuleBuild(BusySong());
  ModPlugSettle();
  auto expected = ModPlugRender(file, 4);
  ModPlugSettle();
  for (bool stopFirst : {true, false}) {
    SCOPED_TRACE(stopFirst ? "stopped, then played" : "played while playing");
    ASSERT_NE(engine::MusicLoadFromMemory(0, file.data(), file.size()), nullptr);
    engine::MusicRecord* record = Record(0);
    ASSERT_EQ(engine::MusicPlay(0), 1);
    ASSERT_TRUE(WaitUntil([&] { return record->halfFills.load() >= 1; }));  // halves 0 and 1
    if (stopFirst) {
      engine::MusicStop(0);
      EXPECT_EQ(record->workerRunning.load(), 0);
      EXPECT_EQ(record->playing.load(), 0);
      engine::MusicStop(0);  // not playing: returns at once
    }
    ASSERT_EQ(engine::MusicPlay(0), 1);  // half 2 goes into the first half
    auto out = Stream(record, 2, 1);
    for (std::size_t i = 0; i < out.size(); ++i)
      ASSERT_EQ(out[i], expected[2 * kHalfBytes / 2 + i]) << i;
    engine::MusicRelease(0);
    ModPlugSettle();
  }
}

std::vector<std::uint8_t> DataFile(const char* name) {
  std::ifstream in(std::string(TIDEFRAY_SOURCE_DIR) + "/tests/data/" + name, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Where libmodplug says the song is over: the first frame after which it reports the order
// list's end marker (255) as its pattern, found to within `pieceFrames`.
std::size_t SongEndFrames(const std::vector<std::uint8_t>& file, std::size_t pieceFrames) {
  std::lock_guard guard(engine::MusicModPlugLock());
  ModPlugFile* module = ModPlug_Load(file.data(), static_cast<int>(file.size()));
  std::vector<std::int16_t> piece(2 * pieceFrames);
  std::size_t frames = 0;
  while (frames < 44100 * 60 && ModPlug_GetCurrentPattern(module) != 255) {
    ModPlug_Read(module, piece.data(), static_cast<int>(4 * pieceFrames));
    frames += pieceFrames;
  }
  ModPlug_Unload(module);
  return frames;
}

// A song that ends starts over at once and without a gap: the stream is the song up to its end,
// then the song from its start again, pass after pass (the first frame of a pass excepted: it
// carries the renderer's memory of the end).
TEST_F(MusicTest, ASongThatEndsRepeatsWithoutAGap) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> file;
    std::size_t exactEnd;  // where the song ends, when the test knows it from the module itself
  } kCases[] = {
      {"written here", ItModuleBuild(BusySong(1, 16, 6)), SongFrames(1, 16, 6)},
      {"song_ends.it", DataFile("song_ends.it"), 0},
      {"tiny.it", DataFile("tiny.it"), 0},
  };
  const std::size_t pieceFrames = engine::kMusicRenderChunkBytes / 4;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.file.empty());
    const std::size_t songEnd = c.exactEnd ? c.exactEnd : SongEndFrames(c.file, pieceFrames);
    ModPlugSettle();
    auto song = ModPlugRender(c.file, songEnd / kHalfFrames + 2);  // the song and its fade
    ModPlugSettle();
    ASSERT_NE(engine::MusicLoadFromMemory(0, c.file.data(), c.file.size()), nullptr);
    ASSERT_EQ(engine::MusicPlay(0), 1);
    auto out = Stream(Record(0), 3 * (songEnd / (kHalfFrames / 2)) + 6);  // three passes
    engine::MusicRelease(0);

    // The second pass begins within one rendering piece after the song's end.
    std::size_t pass = 0;
    for (std::size_t at = songEnd - std::min(songEnd, pieceFrames);
         at <= songEnd + pieceFrames && !pass; ++at) {
      if (std::equal(song.begin() + 2, song.begin() + 2 * 4096,
                     out.begin() + static_cast<std::ptrdiff_t>(2 * at + 2)))
        pass = at;
    }
    ASSERT_NE(pass, 0u) << "the song's opening does not follow its end";
    if (c.exactEnd) {
      EXPECT_GE(pass, c.exactEnd);
      EXPECT_LE(pass, c.exactEnd + pieceFrames);
    }
    ASSERT_GE(out.size(), 2 * 3 * pass);
    for (std::size_t i = 0; i < 2 * 3 * pass; ++i) {
      const std::size_t inPass = i % (2 * pass);
      if (inPass < 2 && i >= 2) continue;
      ASSERT_EQ(out[i], song[inPass]) << "pass " << i / (2 * pass) << ", frame " << inPass / 2;
    }
  }
}

TEST_F(MusicTest, ReleaseOfAPlayingModuleWaitsForItsWorker) {
  auto file = ItModuleBuild(BusySong());
  for (engine::ObjectId number : {engine::ObjectId{2}, ObjectIdAuto}) {
    SCOPED_TRACE(number);
    void* r = engine::MusicLoadFromMemory(number, file.data(), file.size());
    ASSERT_NE(r, nullptr);
    engine::ObjectId music = number == ObjectIdAuto ? reinterpret_cast<engine::ObjectId>(r) : 2;
    engine::MusicRecord* record = Record(music);
    auto buffer = platform::Ref<platform::SoundBuffer>::Share(record->buffer);
    ASSERT_EQ(engine::MusicPlay(music), 1);
    ASSERT_TRUE(WaitUntil([&] { return record->halfFills.load() >= 1; }));
    engine::MusicRelease(music);  // an auto record is freed now: the sanitizers watch the worker
    EXPECT_EQ(Record(music), nullptr);
    EXPECT_EQ(buffer->RefCount(), 1u);
    EXPECT_EQ(engine::MusicPlay(music), 0);
  }
}

// Two modules at once: two workers render through the one renderer, one at a time.
TEST_F(MusicTest, TwoModulesPlayTogether) {
  auto a = ItModuleBuild(BusySong(2, 64, 6));
  auto b = ItModuleBuild(BusySong(1, 32, 3));
  ASSERT_NE(engine::MusicLoadFromMemory(0, a.data(), a.size()), nullptr);
  ASSERT_NE(engine::MusicLoadFromMemory(1, b.data(), b.size()), nullptr);
  engine::MusicSetVolume(1, 20);
  ASSERT_EQ(engine::MusicPlay(0), 1);
  ASSERT_EQ(engine::MusicPlay(1), 1);
  engine::MusicRecord* records[] = {Record(0), Record(1)};
  // Both buffers started before any output, so their cursors move together.
  for (std::uint32_t quarter = 0; quarter < 8; ++quarter) {
    for (auto* record : records)
      ASSERT_TRUE(WaitUntil([&] { return record->halfFills.load() >= (quarter + 1) / 2; }));
    engine::MusicSetVolume(1, static_cast<std::int32_t>(quarter * 10));
    Render(kHalfFrames / 2);
  }
  engine::MusicStop(ObjectIdAuto);
  for (auto* record : records) {
    EXPECT_EQ(record->playing.load(), 0);
    EXPECT_EQ(record->workerRunning.load(), 0);
  }
}

TEST(MusicLifecycleTest, EndWithoutInitAndCallsWithoutModulesDoNothing) {
  engine::MusicEnd();
  engine::MusicStop(0);
  engine::MusicRelease(ObjectIdAuto);
  engine::MusicSetVolume(0, 50);
  EXPECT_EQ(engine::MusicPlay(0), 0);
  EXPECT_EQ(engine::MusicLoadFromMemory(0, "x", 1), nullptr);
}

}  // namespace
}  // namespace music_test
