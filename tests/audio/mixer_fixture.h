#pragma once

// A sound device on a headless host whose audio advances only when the test says so, and
// helpers that make filled buffers and read back what the mixer rendered.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/audio/direct_sound.h"
#include "platform/host/headless/headless_host.h"
#include "platform/ref_counted.h"

namespace audio_test {

using platform::Ref;
using platform::SoundBuffer;

// The flags every buffer of the engine is made with.
constexpr std::uint32_t kEngineFlags = 0x180E2;

inline platform::WAVEFORMATEX Pcm(int channels, int bits, std::uint32_t rate) {
  platform::WAVEFORMATEX f;
  f.wFormatTag = platform::WAVE_FORMAT_PCM;
  f.nChannels = static_cast<std::uint16_t>(channels);
  f.wBitsPerSample = static_cast<std::uint16_t>(bits);
  f.nSamplesPerSec = rate;
  f.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

inline std::vector<std::uint8_t> Bytes16(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

// Writes `bytes` at `offset` through Lock/Unlock; true when both succeeded.
inline bool BufferWrite(SoundBuffer* buffer, std::uint32_t offset,
                        const std::vector<std::uint8_t>& bytes) {
  void* region = nullptr;
  std::uint32_t size = 0;
  if (buffer->Lock(offset, static_cast<std::uint32_t>(bytes.size()), &region, &size, nullptr,
                   nullptr, 0) != platform::DS_OK)
    return false;
  std::memcpy(region, bytes.data(), size);
  return buffer->Unlock(region, size, nullptr, 0) == platform::DS_OK;
}

inline std::uint32_t PlayCursor(SoundBuffer* buffer) {
  std::uint32_t play = 0xFFFFFFFF;
  buffer->GetCurrentPosition(&play, nullptr);
  return play;
}

inline std::uint32_t Status(SoundBuffer* buffer) {
  std::uint32_t status = 0xFFFFFFFF;
  buffer->GetStatus(&status);
  return status;
}

class MixerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::HeadlessHost::Options options;
    options.audio = platform::HeadlessHost::Audio::Manual;
    host = std::make_unique<platform::HeadlessHost>(options);
    device = Ref<platform::DirectSound>(platform::DirectSoundCreate(*host));
    ASSERT_TRUE(device);
  }

  // A buffer of the given format holding `bytes` (its size is the byte count).
  Ref<SoundBuffer> Make(const platform::WAVEFORMATEX& format,
                        const std::vector<std::uint8_t>& bytes,
                        std::uint32_t flags = kEngineFlags) {
    platform::DSBUFFERDESC desc;
    desc.dwSize = 36;
    desc.dwFlags = flags;
    desc.dwBufferBytes = static_cast<std::uint32_t>(bytes.size());
    desc.lpwfxFormat = &format;
    SoundBuffer* raw = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &raw), platform::DS_OK);
    Ref<SoundBuffer> buffer(raw);
    if (buffer) {
      EXPECT_TRUE(BufferWrite(buffer.Get(), 0, bytes));
    }
    return buffer;
  }
  Ref<SoundBuffer> MakeStereo16(const std::vector<std::int16_t>& samples,
                                std::uint32_t rate = 44100) {
    return Make(Pcm(2, 16, rate), Bytes16(samples));
  }

  // Renders `frames` output frames and returns them, interleaved left/right.
  std::vector<std::int16_t> Render(std::size_t frames) {
    std::size_t before = host->AudioCaptured().size();
    host->AudioAdvance(frames);
    std::vector<std::int16_t> all = host->AudioCaptured();
    return std::vector<std::int16_t>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  }

  std::unique_ptr<platform::HeadlessHost> host;
  Ref<platform::DirectSound> device;  // released before the host it plays on
};

}  // namespace audio_test
