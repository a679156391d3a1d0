#pragma once

// The software mixer behind DirectSound: the list of playing voices and the render call that
// the audio output makes. Internal to the audio folder; the engine sees only DirectSound and
// SoundBuffer.
//
// Locking: `Mixer::lock` guards every Voice field that changes (position, play state, gains,
// step) and the list of playing voices. `SampleStore::lock` guards the sample bytes and the
// open Lock regions of the buffers that share them. Whoever needs both takes the mixer's first.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/sound_types.h"
#include "platform/host/host.h"

namespace platform {

// Sample memory, shared by a buffer and its duplicates.
struct SampleStore {
  std::mutex lock;
  // Kept as 16-bit units so that 16-bit samples are read as the type they are; 8-bit data is
  // read through the byte view. Little-endian, as the PCM bytes are.
  std::unique_ptr<std::int16_t[]> samples;
  std::uint32_t bytes = 0;
  std::uint32_t frames = 0;  // whole frames; a partial last frame is kept but never played
  std::uint16_t channels = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint16_t blockAlign = 0;

  std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(samples.get()); }
};

// The play state of one secondary buffer. Fields other than `store` are guarded by
// Mixer::lock.
struct Voice {
  std::shared_ptr<SampleStore> store;
  // Position in frames as 32.32 fixed point, and the step per output frame (frequency / 44100).
  std::uint64_t position = 0;
  std::uint64_t step = 0;
  std::int32_t volume = 0;
  std::int32_t pan = 0;
  std::uint32_t frequency = 0;
  float gainLeft = 1.0f;
  float gainRight = 1.0f;
  bool playing = false;
  bool looping = false;
  std::size_t slot = 0;  // index in Mixer::playing while playing
};

// Gain of an attenuation in hundredths of a decibel: 10^(value / 2000), exactly 0 at or below
// DSBVOLUME_MIN.
double AttenuationGain(std::int32_t hundredthsDb);
// Sets gainLeft and gainRight from the volume and the pan.
void VoiceGainsUpdate(Voice& voice);
// Sets the step from the frequency.
void VoiceStepUpdate(Voice& voice);

class Mixer final : public AudioSource {
 public:
  // Frames mixed per pass: the accumulator is allocated once, never on the output's thread.
  static constexpr std::size_t kChunkFrames = 1024;

  Mixer();
  // Output's thread (or the caller's, without an output).
  void AudioRender(std::int16_t* out, std::size_t frames) override;

  // With `lock` held: adds a voice to or removes it from the mix.
  void PlayingAdd(Voice* voice);
  void PlayingRemove(Voice* voice);

  std::mutex lock;
  // Volume and pan of the primary buffer: gains applied to the whole mix. Guarded by `lock`.
  std::int32_t masterVolume = 0;
  std::int32_t masterPan = 0;
  float masterLeft = 1.0f;
  float masterRight = 1.0f;
  WAVEFORMATEX primaryFormat;  // guarded by `lock`
  std::atomic<std::uint32_t> cooperativeLevel{0};

 private:
  std::vector<Voice*> playing_;
  std::vector<float> mix_;
};

}  // namespace platform
