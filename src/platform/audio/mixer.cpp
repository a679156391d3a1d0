#include "platform/audio/mixer.h"

#include <algorithm>
#include <cmath>

#include "platform/audio/voice_mix.h"

namespace platform {

double AttenuationGain(std::int32_t hundredthsDb) {
  if (hundredthsDb <= DSBVOLUME_MIN) return 0.0;
  return std::pow(10.0, hundredthsDb / 2000.0);
}

void VoiceGainsUpdate(Voice& voice) {
  double gain = AttenuationGain(voice.volume);
  // Pan attenuates only the far side: full right (+10000) silences the left channel.
  double left = voice.pan > 0 ? AttenuationGain(-voice.pan) : 1.0;
  double right = voice.pan < 0 ? AttenuationGain(voice.pan) : 1.0;
  voice.gainLeft = static_cast<float>(gain * left);
  voice.gainRight = static_cast<float>(gain * right);
}

void VoiceStepUpdate(Voice& voice) {
  voice.step = (std::uint64_t{voice.frequency} << 32) / kAudioRate;
}

Mixer::Mixer() : mix_(kChunkFrames * kAudioChannels) {
  primaryFormat.wFormatTag = WAVE_FORMAT_PCM;
  primaryFormat.nChannels = kAudioChannels;
  primaryFormat.nSamplesPerSec = kAudioRate;
  primaryFormat.wBitsPerSample = 16;
  primaryFormat.nBlockAlign = kAudioChannels * 2;
  primaryFormat.nAvgBytesPerSec = kAudioRate * kAudioChannels * 2;
  // Room for every voice a game plausibly plays, so that starting one rarely allocates.
  playing_.reserve(64);
}

void Mixer::PlayingAdd(Voice* voice) {
  voice->slot = playing_.size();
  playing_.push_back(voice);
}

void Mixer::PlayingRemove(Voice* voice) {
  // Swap with the last one: the order of voices in the sum does not matter.
  Voice* last = playing_.back();
  playing_[voice->slot] = last;
  last->slot = voice->slot;
  playing_.pop_back();
}

void Mixer::AudioRender(std::int16_t* out, std::size_t frames) {
  if (!out) return;
  std::lock_guard guard(lock);
  while (frames > 0) {
    std::size_t chunk = std::min(frames, kChunkFrames);
    float* mix = mix_.data();
    std::fill(mix, mix + chunk * kAudioChannels, 0.0f);
    for (std::size_t i = 0; i < playing_.size();) {
      Voice* voice = playing_[i];
      bool goesOn;
      {
        std::lock_guard storeGuard(voice->store->lock);
        goesOn = VoiceMix(*voice, mix, chunk);
      }
      if (goesOn) {
        ++i;
      } else {
        voice->playing = false;
        voice->looping = false;
        PlayingRemove(voice);  // the last voice moves into slot i, which is looked at next
      }
    }
    // Saturate, so that sums beyond the 16-bit range clip instead of wrapping, and round to
    // nearest (ties to even). Adding and taking away 1.5 x 2^23 leaves a float whose last
    // mantissa bit is 1: the rounded integer, for every value in the clamped range. Unlike a
    // call to lrint, the loop vectorises.
    constexpr float kRound = 12582912.0f;
    const float left = masterLeft, right = masterRight;
    for (std::size_t i = 0; i < chunk * kAudioChannels; i += 2) {
      float l = std::clamp(mix[i] * left, -32768.0f, 32767.0f);
      float r = std::clamp(mix[i + 1] * right, -32768.0f, 32767.0f);
      out[i] = static_cast<std::int16_t>((l + kRound) - kRound);
      out[i + 1] = static_cast<std::int16_t>((r + kRound) - kRound);
    }
    out += chunk * kAudioChannels;
    frames -= chunk;
  }
}

}  // namespace platform
