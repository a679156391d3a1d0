// Sound and music costs: how soon a played sound reaches the mixer's output, and what streaming
// a module costs beside libmodplug rendering the same module alone.

#include <benchmark/benchmark.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

#include "music/music.h"
#include "music/music_render.h"
#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "screen/media_window.h"
#include "sound/sound.h"
#include "sound/worker_thread.h"

namespace {

// The sound and module libraries started on a headless host, ended on destruction.
class AudioEngine {
 public:
  AudioEngine() {
    platform::HeadlessHost::Options options;
    options.audio = platform::HeadlessHost::Audio::Manual;
    options.audioKeep = false;
    host_ = std::make_unique<platform::HeadlessHost>(options);
    platform::HostInstall(host_.get());
    engine::MediaWindowForget();  // a window of an earlier run's host is gone with it
    engine::MainHeapCreate();
    engine::MusicInit();
    ok_ = engine::SoundInit() == 1;
  }
  ~AudioEngine() {
    engine::MusicEnd();
    engine::SoundEnd();
    engine::MainHeapDestroy();
    platform::HostInstall(nullptr);
  }
  bool Ok() const { return ok_; }

 private:
  std::unique_ptr<platform::HeadlessHost> host_;
  bool ok_ = false;
};

// The game's module: 61 s that loop through a jump back, so the song never ends.
constexpr char kModulePath[] = TIDEFRAY_SOURCE_DIR "/Music/evolutionloop.it";
constexpr int kHalfBytes = engine::kMusicBufferBytes / 2;
// One iteration renders this much music from the module's start.
constexpr int kHalvesPerIteration = 104;  // 60.4 s
constexpr double kSecondsPerIteration = kHalvesPerIteration * double{kHalfBytes} / (44100 * 4);

std::vector<char> ModuleBytes() {
  std::ifstream in(kModulePath, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// Seconds of music one iteration renders: the time columns divided by this are the cost per
// second of music.
void MusicSecondsCounter(benchmark::State& state) {
  state.counters["music_s"] = kSecondsPerIteration;
}

// libmodplug alone: the module rendered half by half into one block, as a player that did
// nothing else would.
void ModPlugRead(benchmark::State& state) {
  auto bytes = ModuleBytes();
  ModPlug_Settings settings = engine::MusicSettings();
  ModPlug_SetSettings(&settings);
  ModPlugFile* module = ModPlug_Load(bytes.data(), static_cast<int>(bytes.size()));
  if (!module) {
    state.SkipWithError("the module does not load");
    return;
  }
  ModPlug_SetMasterVolume(module, 512);
  std::vector<char> half(kHalfBytes);
  for (auto _ : state) {
    state.PauseTiming();
    ModPlug_Seek(module, 0);
    state.ResumeTiming();
    for (int h = 0; h < kHalvesPerIteration; ++h) {
      ModPlug_Read(module, half.data(), kHalfBytes);
      benchmark::DoNotOptimize(half.data());
    }
  }
  MusicSecondsCounter(state);
  ModPlug_Unload(module);
}
BENCHMARK(ModPlugRead)->Unit(benchmark::kMillisecond);

// The player's work for the same music: each half locked in the module's stream buffer,
// rendered in pieces with the check for a song's end, and committed to the mixer.
void MusicStream(benchmark::State& state) {
  AudioEngine audio;
  auto bytes = ModuleBytes();
  if (!audio.Ok() || !engine::MusicLoadFromMemory(0, bytes.data(), bytes.size())) {
    state.SkipWithError("the module does not load");
    return;
  }
  auto* record =
      static_cast<engine::MusicRecord*>(engine::ObjectTableLookup(engine::MusicTable, 0));
  for (auto _ : state) {
    state.PauseTiming();
    {
      std::lock_guard guard(engine::MusicModPlugLock());
      ModPlug_Seek(record->module, 0);
    }
    state.ResumeTiming();
    for (int h = 0; h < kHalvesPerIteration; ++h)
      engine::MusicStreamFill(record, static_cast<std::uint32_t>((h & 1) * kHalfBytes));
  }
  MusicSecondsCounter(state);
}
BENCHMARK(MusicStream)->Unit(benchmark::kMillisecond);

// The two above in one loop, half for half on two copies of the module at the same place in
// the song, timed on this thread's CPU clock: the player's extra cost as a percentage, which a
// shared, busy machine shifts much less than the two separate figures.
double ThreadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void MusicStreamOverhead(benchmark::State& state) {
  AudioEngine audio;
  auto bytes = ModuleBytes();
  if (!audio.Ok() || !engine::MusicLoadFromMemory(0, bytes.data(), bytes.size())) {
    state.SkipWithError("the module does not load");
    return;
  }
  auto* record =
      static_cast<engine::MusicRecord*>(engine::ObjectTableLookup(engine::MusicTable, 0));
  ModPlugFile* alone = ModPlug_Load(bytes.data(), static_cast<int>(bytes.size()));
  ModPlug_SetMasterVolume(alone, 512);
  std::vector<char> half(kHalfBytes);
  double readSeconds = 0, streamSeconds = 0;
  for (auto _ : state) {
    for (int h = 0; h < kHalvesPerIteration; ++h) {
      const double t0 = ThreadCpuSeconds();
      ModPlug_Read(alone, half.data(), kHalfBytes);
      benchmark::DoNotOptimize(half.data());
      const double t1 = ThreadCpuSeconds();
      engine::MusicStreamFill(record, static_cast<std::uint32_t>((h & 1) * kHalfBytes));
      streamSeconds += ThreadCpuSeconds() - t1;
      readSeconds += t1 - t0;
    }
  }
  state.counters["overhead_pct"] = (streamSeconds / readSeconds - 1) * 100;
  ModPlug_Unload(alone);
}
BENCHMARK(MusicStreamOverhead)->Unit(benchmark::kMillisecond)->MinTime(3);

// One look of a playing module's worker between fills: its 10 ms sleep and the play cursor.
// It looks 100 times per second of music whatever the module; the CPU column is per look.
void MusicStreamPoll(benchmark::State& state) {
  AudioEngine audio;
  auto bytes = ModuleBytes();
  if (!audio.Ok() || !engine::MusicLoadFromMemory(0, bytes.data(), bytes.size())) {
    state.SkipWithError("the module does not load");
    return;
  }
  auto* record =
      static_cast<engine::MusicRecord*>(engine::ObjectTableLookup(engine::MusicTable, 0));
  for (auto _ : state) {
    engine::WorkerSleep(10);
    std::uint32_t cursor = 0;
    record->buffer->GetCurrentPosition(&cursor, nullptr);
    benchmark::DoNotOptimize(cursor);
  }
}
BENCHMARK(MusicStreamPoll)->Unit(benchmark::kMicrosecond)->Iterations(200);

// Output frames from SoundPlay to the sound's first sample in what the mixer renders next, over
// plays that land at every point of an output buffer. The output renders in buffers of
// `buffer_frames`; a play must be heard within one of them.
void SoundPlayLatency(benchmark::State& state) {
  AudioEngine audio;
  if (!audio.Ok()) {
    state.SkipWithError("no sound device");
    return;
  }
  // The device's mixer rendered here, so that every output frame can be looked at.
  platform::AudioSource* mixer = nullptr;
  platform::Ref<platform::DirectSound> device(platform::DirectSoundCreateWithoutOutput(&mixer));
  engine::SoundDeviceSet(device.Get());
  std::vector<std::uint8_t> wave = {'R',  'I',  'F', 'F', 0,    0,    0, 0, 'W', 'A', 'V', 'E',
                                    'f',  'm',  't', ' ', 16,   0,    0, 0, 1,   0,   2,   0,
                                    0x44, 0xAC, 0,   0,   0x10, 0xB1, 2, 0, 4,   0,   16,  0,
                                    'd',  'a',  't', 'a', 0,    0x10, 0, 0};  // 4096 bytes follow
  for (int i = 0; i < 1024; ++i) wave.insert(wave.end(), {0xE8, 0x03, 0xE8, 0x03});  // 1000
  if (!engine::SoundLoadFromMemory(0, wave.data(), wave.size())) {
    state.SkipWithError("the sound does not load");
    return;
  }
  constexpr std::size_t kBufferFrames = 1024;  // what the SDL output asks for at a time
  std::vector<std::int16_t> out(kBufferFrames * 2);
  std::int64_t latencyTotal = 0, latencyMax = 0, plays = 0;
  for (auto _ : state) {
    // Part of a buffer has been rendered already when the play comes.
    std::size_t phase = static_cast<std::size_t>(plays * 97) % kBufferFrames;
    mixer->AudioRender(out.data(), phase);
    engine::SoundStop(0);
    engine::SoundPlay(0);
    std::int64_t latency = 0;
    for (bool heard = false; !heard && latency < 8 * std::int64_t{kBufferFrames};) {
      const std::size_t frames = kBufferFrames - phase;
      mixer->AudioRender(out.data(), frames);
      for (std::size_t f = 0; f < frames && !heard; ++f) {
        if (out[2 * f] != 0)
          heard = true;
        else
          ++latency;
      }
      phase = 0;
    }
    latencyTotal += latency;
    latencyMax = std::max(latencyMax, latency);
    ++plays;
  }
  state.counters["frames"] = static_cast<double>(latencyTotal) / static_cast<double>(plays);
  state.counters["frames_max"] = static_cast<double>(latencyMax);
  state.counters["buffer_frames"] = kBufferFrames;
  engine::SoundRelease(0);
  engine::SoundDeviceSet(nullptr);
}
BENCHMARK(SoundPlayLatency)->Unit(benchmark::kMicrosecond);

}  // namespace
