#include "platform/audio/voice_mix.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace platform {

static_assert(std::endian::native == std::endian::little,
              "sample memory holds little-endian PCM and is read in place");

namespace {

constexpr std::uint64_t kUnitStep = std::uint64_t{1} << 32;
constexpr std::uint64_t kFractionMask = kUnitStep - 1;
constexpr float kFractionScale = 1.0f / 4294967296.0f;

// Sample readers: the value of one channel of one frame as a float on the 16-bit scale.
// Eight-bit PCM is unsigned with silence at 128; scaling by 256 puts it on the same scale.
struct Pcm16Stereo {
  const std::int16_t* data;
  float Left(std::uint32_t frame) const { return data[2 * std::size_t{frame}]; }
  float Right(std::uint32_t frame) const { return data[2 * std::size_t{frame} + 1]; }
};
struct Pcm16Mono {
  const std::int16_t* data;
  float Left(std::uint32_t frame) const { return data[frame]; }
  float Right(std::uint32_t frame) const { return data[frame]; }
};
struct Pcm8Stereo {
  const std::uint8_t* data;
  float Left(std::uint32_t frame) const { return (data[2 * std::size_t{frame}] - 128) * 256.0f; }
  float Right(std::uint32_t frame) const {
    return (data[2 * std::size_t{frame} + 1] - 128) * 256.0f;
  }
};
struct Pcm8Mono {
  const std::uint8_t* data;
  float Left(std::uint32_t frame) const { return (data[frame] - 128) * 256.0f; }
  float Right(std::uint32_t frame) const { return (data[frame] - 128) * 256.0f; }
};

// Frames at the buffer's own place in time (step 1, no fraction): a straight multiply-add.
// The common case of a sound at the output rate; written so that the compiler vectorises it.
template <typename Reader>
void MixDirect(const Reader& reader, std::uint32_t first, float* mix, std::size_t frames,
               float left, float right) {
  if constexpr (std::is_same_v<Reader, Pcm16Stereo>) {
    const std::int16_t* in = reader.data + 2 * std::size_t{first};
    for (std::size_t i = 0; i < frames * 2; i += 2) {
      mix[i] += in[i] * left;
      mix[i + 1] += in[i + 1] * right;
    }
  } else {
    for (std::size_t i = 0; i < frames; ++i) {
      auto frame = static_cast<std::uint32_t>(first + i);
      mix[2 * i] += reader.Left(frame) * left;
      mix[2 * i + 1] += reader.Right(frame) * right;
    }
  }
}

// Frames between samples: linear interpolation between the frame at the position and the
// next one. The caller guarantees that the next frame lies inside the buffer for every output
// frame of the run.
template <typename Reader>
void MixInterpolated(const Reader& reader, std::uint64_t& position, std::uint64_t step, float* mix,
                     std::size_t frames, float left, float right) {
  std::uint64_t pos = position;
  for (std::size_t i = 0; i < frames; ++i) {
    auto frame = static_cast<std::uint32_t>(pos >> 32);
    float t = static_cast<float>(pos & kFractionMask) * kFractionScale;
    float l0 = reader.Left(frame), l1 = reader.Left(frame + 1);
    float r0 = reader.Right(frame), r1 = reader.Right(frame + 1);
    mix[2 * i] += (l0 + (l1 - l0) * t) * left;
    mix[2 * i + 1] += (r0 + (r1 - r0) * t) * right;
    pos += step;
  }
  position = pos;
}

// Moves the position past the end: a looping voice wraps (a step larger than the buffer may
// wrap more than once), a one-shot voice ends. Returns false when it ended.
bool WrapOrEnd(Voice& voice, std::uint64_t end) {
  if (voice.position < end) return true;
  if (voice.looping) {
    voice.position %= end;
    return true;
  }
  voice.position = 0;
  return false;
}

template <typename Reader>
bool MixVoiceAs(const Reader& reader, Voice& voice, float* mix, std::size_t frames) {
  const std::uint32_t count = voice.store->frames;
  const std::uint64_t end = std::uint64_t{count} << 32;
  const std::uint64_t lastFrame = end - kUnitStep;
  const std::uint64_t step = voice.step;
  const float left = voice.gainLeft, right = voice.gainRight;

  // A silent voice still moves on.
  if (left == 0.0f && right == 0.0f) {
    voice.position += step * frames;
    return WrapOrEnd(voice, end);
  }

  while (frames > 0) {
    std::size_t run;
    if (step == kUnitStep && (voice.position & kFractionMask) == 0) {
      auto frame = static_cast<std::uint32_t>(voice.position >> 32);
      run = std::min<std::size_t>(frames, count - frame);
      MixDirect(reader, frame, mix, run, left, right);
      voice.position += std::uint64_t{run} << 32;
    } else if (voice.position < lastFrame) {
      // Output frames whose position lies before the last frame can read the next one.
      run = static_cast<std::size_t>(
          std::min<std::uint64_t>(frames, (lastFrame - voice.position + step - 1) / step));
      MixInterpolated(reader, voice.position, step, mix, run, left, right);
    } else {
      // On the last frame: a loop blends into its first frame, a one-shot into silence.
      run = 1;
      auto frame = static_cast<std::uint32_t>(voice.position >> 32);
      float t = static_cast<float>(voice.position & kFractionMask) * kFractionScale;
      float l1 = voice.looping ? reader.Left(0) : 0.0f;
      float r1 = voice.looping ? reader.Right(0) : 0.0f;
      float l0 = reader.Left(frame), r0 = reader.Right(frame);
      mix[0] += (l0 + (l1 - l0) * t) * left;
      mix[1] += (r0 + (r1 - r0) * t) * right;
      voice.position += step;
    }
    mix += 2 * run;
    frames -= run;
    if (!WrapOrEnd(voice, end)) return false;
  }
  return true;
}

}  // namespace

bool VoiceMix(Voice& voice, float* mix, std::size_t frames) {
  SampleStore& store = *voice.store;
  if (store.bitsPerSample == 16) {
    if (store.channels == 2)
      return MixVoiceAs(Pcm16Stereo{store.samples.get()}, voice, mix, frames);
    return MixVoiceAs(Pcm16Mono{store.samples.get()}, voice, mix, frames);
  }
  if (store.channels == 2) return MixVoiceAs(Pcm8Stereo{store.Bytes()}, voice, mix, frames);
  return MixVoiceAs(Pcm8Mono{store.Bytes()}, voice, mix, frames);
}

}  // namespace platform
