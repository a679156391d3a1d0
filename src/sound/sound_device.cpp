#include "sound/sound_device.h"

#include "platform/ref_counted.h"

namespace engine {

ObjectTable* SoundTable = nullptr;

namespace {
platform::Ref<platform::DirectSound> gDevice;
}  // namespace

platform::DirectSound* SoundDevice() {
  return gDevice.Get();
}

void SoundDeviceSet(platform::DirectSound* device) {
  gDevice = platform::Ref<platform::DirectSound>::Share(device);
}

platform::SoundBuffer* SoundBufferCreateWithFormat(const platform::WAVEFORMATEX& format,
                                                   std::uint32_t bytes) {
  if (!gDevice) return nullptr;
  platform::DSBUFFERDESC desc;
  desc.dwSize = kSoundBufferDescBytes;
  desc.dwFlags = kSoundBufferFlags;
  desc.dwBufferBytes = bytes;
  desc.dwReserved = 0;
  desc.lpwfxFormat = &format;
  platform::SoundBuffer* buffer = nullptr;
  if (gDevice->CreateSoundBuffer(&desc, &buffer) != platform::DS_OK) return nullptr;
  return buffer;
}

platform::SoundBuffer* SoundBufferCreate(std::int32_t channels, std::int32_t frequency,
                                         std::int32_t bytes) {
  // The byte rate is a product of caller values (a decoder's channel count and rate): refuse
  // what the format's fields cannot hold rather than wrap it into something the device accepts.
  if (channels <= 0 || channels > 0x7FFF || frequency <= 0 || bytes <= 0) return nullptr;
  std::uint64_t blockAlign = static_cast<std::uint64_t>(channels) * 2;
  std::uint64_t byteRate = blockAlign * static_cast<std::uint64_t>(frequency);
  if (byteRate > 0xFFFFFFFFu) return nullptr;
  platform::WAVEFORMATEX format;
  format.wFormatTag = platform::WAVE_FORMAT_PCM;
  format.nChannels = static_cast<std::uint16_t>(channels);
  format.nSamplesPerSec = static_cast<std::uint32_t>(frequency);
  format.nAvgBytesPerSec = static_cast<std::uint32_t>(byteRate);
  format.nBlockAlign = static_cast<std::uint16_t>(blockAlign);
  format.wBitsPerSample = 16;
  format.cbSize = 0;
  return SoundBufferCreateWithFormat(format, static_cast<std::uint32_t>(bytes));
}

}  // namespace engine
