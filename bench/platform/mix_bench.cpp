// One second of output (44100 frames, rendered in device-sized blocks of 1024) from 8 or 32
// looping 16-bit stereo voices at the output rate, each with its own volume and pan.
//   Mix/N:    the software mixer (DirectSound buffers, rendered through AudioRender).
//   SdlMix/N: the same voices added with SDL_MixAudioFormat, one call per voice and block
//             (two where a voice wraps). SDL's call has one volume for both channels and no
//             pan, so the baseline does less work than the mixer.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/audio/direct_sound.h"

namespace {

using namespace platform;

constexpr std::size_t kSecondFrames = 44100;
constexpr std::size_t kBlockFrames = 1024;

struct VoiceData {
  std::vector<std::int16_t> samples;  // interleaved stereo
  std::int32_t volume;
  std::int32_t pan;
};

// Voices of different lengths (0.5 s and up) and levels, filled with a fixed pseudo-random
// signal, so that no two wrap at the same time.
std::vector<VoiceData> VoicesMake(int count) {
  std::vector<VoiceData> voices;
  std::uint32_t seed = 12345;
  for (int v = 0; v < count; ++v) {
    VoiceData voice;
    std::size_t frames = 22050 + 997 * static_cast<std::size_t>(v);
    voice.samples.resize(frames * 2);
    for (auto& s : voice.samples) {
      seed = seed * 1664525u + 1013904223u;
      s = static_cast<std::int16_t>(seed >> 16) / 8;
    }
    voice.volume = -37 * v;
    voice.pan = (v % 5 - 2) * 1500;
    voices.push_back(std::move(voice));
  }
  return voices;
}

void Mix(benchmark::State& state) {
  auto voices = VoicesMake(static_cast<int>(state.range(0)));
  AudioSource* mixer = nullptr;
  Ref<DirectSound> device(DirectSoundCreateWithoutOutput(&mixer));
  WAVEFORMATEX format;
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = 44100 * 4;
  std::vector<Ref<SoundBuffer>> buffers;
  for (const VoiceData& voice : voices) {
    DSBUFFERDESC desc;
    desc.dwSize = 36;
    desc.dwFlags = 0x180E2;
    desc.dwBufferBytes = static_cast<std::uint32_t>(voice.samples.size() * 2);
    desc.lpwfxFormat = &format;
    Ref<SoundBuffer> buffer;
    if (device->CreateSoundBuffer(&desc, buffer.Put()) != DS_OK) {
      state.SkipWithError("buffer refused");
      return;
    }
    void* region = nullptr;
    std::uint32_t bytes = 0;
    buffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
    std::memcpy(region, voice.samples.data(), bytes);
    buffer->Unlock(region, bytes, nullptr, 0);
    buffer->SetVolume(voice.volume);
    buffer->SetPan(voice.pan);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    buffers.push_back(std::move(buffer));
  }
  std::vector<std::int16_t> out(kBlockFrames * 2);
  for (auto _ : state) {
    for (std::size_t done = 0; done < kSecondFrames; done += kBlockFrames) {
      mixer->AudioRender(out.data(), std::min(kBlockFrames, kSecondFrames - done));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSecondFrames));
}

void SdlMix(benchmark::State& state) {
  auto voices = VoicesMake(static_cast<int>(state.range(0)));
  std::vector<std::size_t> positions(voices.size(), 0);
  std::vector<int> levels;
  for (const VoiceData& voice : voices)
    levels.push_back(
        static_cast<int>(std::lround(SDL_MIX_MAXVOLUME * std::pow(10.0, voice.volume / 2000.0))));
  std::vector<std::int16_t> out(kBlockFrames * 2);
  for (auto _ : state) {
    for (std::size_t done = 0; done < kSecondFrames; done += kBlockFrames) {
      std::size_t frames = std::min(kBlockFrames, kSecondFrames - done);
      std::memset(out.data(), 0, frames * 4);
      for (std::size_t v = 0; v < voices.size(); ++v) {
        const auto& samples = voices[v].samples;
        std::size_t length = samples.size() / 2;
        std::size_t filled = 0;
        while (filled < frames) {
          std::size_t run = std::min(frames - filled, length - positions[v]);
          SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data() + filled * 2),
                             reinterpret_cast<const Uint8*>(samples.data() + positions[v] * 2),
                             AUDIO_S16SYS, static_cast<Uint32>(run * 4), levels[v]);
          filled += run;
          positions[v] = (positions[v] + run) % length;
        }
      }
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSecondFrames));
}

// Registered as Mix/8, SdlMix/8, Mix/32, SdlMix/32, so that each pair reads side by side.
BENCHMARK(Mix)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(SdlMix)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(Mix)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(SdlMix)->Arg(32)->Unit(benchmark::kMicrosecond);

}  // namespace
