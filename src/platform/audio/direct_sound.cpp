#include "platform/audio/direct_sound.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/audio/mixer.h"
#include "platform/audio/mixer_buffer.h"

namespace platform {

namespace {

constexpr std::uint32_t kKnownFlags =
    DSBCAPS_PRIMARYBUFFER | DSBCAPS_STATIC | DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE |
    DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY |
    DSBCAPS_STICKYFOCUS | DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
// The shortest record that holds every field the device reads.
constexpr std::uint32_t kBufferDescMinSize = 20;

class MixerDevice final : public DirectSound {
 public:
  MixerDevice(Host* host, std::shared_ptr<Mixer> mixer) : host_(host), mixer_(std::move(mixer)) {}
  // Called once, right after construction; the output pulls from the mixer from then on.
  void OutputAttach(std::unique_ptr<AudioOutput> output) { output_ = std::move(output); }
  Mixer* MixerGet() const { return mixer_.get(); }

  HRESULT SetCooperativeLevel(WindowHandle window, std::uint32_t level) override {
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY || window == 0)
      return DSERR_INVALIDPARAM;
    if (host_ && host_->WindowThreadProcessId(window, nullptr) == 0) return DSERR_INVALIDPARAM;
    mixer_->cooperativeLevel = level;
    return DS_OK;
  }

  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, SoundBuffer** buffer) override {
    if (!buffer) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (!desc || desc->dwSize < kBufferDescMinSize || (desc->dwFlags & ~kKnownFlags))
      return DSERR_INVALIDPARAM;
    const std::uint32_t flags = desc->dwFlags;
    if ((flags & DSBCAPS_LOCHARDWARE) && (flags & DSBCAPS_LOCSOFTWARE)) return DSERR_INVALIDPARAM;
    if (flags & DSBCAPS_PRIMARYBUFFER) {
      if (desc->dwBufferBytes != 0 || desc->lpwfxFormat || (flags & DSBCAPS_CTRLFREQUENCY))
        return DSERR_INVALIDPARAM;
      *buffer = new (std::nothrow) PrimaryBuffer(mixer_, flags);
      return *buffer ? DS_OK : DSERR_OUTOFMEMORY;
    }

    if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
    HRESULT formatCheck = PcmFormatCheck(desc->lpwfxFormat);
    if (formatCheck != DS_OK) return formatCheck;
    const WAVEFORMATEX& format = *desc->lpwfxFormat;
    const std::uint32_t bytes = desc->dwBufferBytes;
    if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX || bytes < format.nBlockAlign)
      return DSERR_INVALIDPARAM;

    std::shared_ptr<SampleStore> store;
    try {
      store = std::make_shared<SampleStore>();
    } catch (const std::bad_alloc&) {
      return DSERR_OUTOFMEMORY;
    }
    store->samples.reset(new (std::nothrow) std::int16_t[(std::size_t{bytes} + 1) / 2]);
    if (!store->samples) return DSERR_OUTOFMEMORY;
    store->bytes = bytes;
    store->channels = format.nChannels;
    store->bitsPerSample = format.wBitsPerSample;
    store->blockAlign = format.nBlockAlign;
    store->frames = bytes / format.nBlockAlign;
    // A new buffer is silent: zero for 16-bit PCM, 128 for unsigned 8-bit PCM.
    std::memset(store->Bytes(), format.wBitsPerSample == 8 ? 0x80 : 0, bytes);

    *buffer =
        new (std::nothrow) SecondaryBuffer(mixer_, std::move(store), flags, format.nSamplesPerSec);
    return *buffer ? DS_OK : DSERR_OUTOFMEMORY;
  }

  HRESULT DuplicateSoundBuffer(SoundBuffer* original, SoundBuffer** duplicate) override {
    if (!duplicate) return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    auto* source = dynamic_cast<SecondaryBuffer*>(original);
    if (!source || source->Owner() != mixer_.get()) return DSERR_INVALIDPARAM;
    *duplicate = source->Duplicate();
    return *duplicate ? DS_OK : DSERR_OUTOFMEMORY;
  }

 protected:
  ~MixerDevice() override {
    // The output's thread calls into the mixer until the output is gone.
    output_.reset();
  }

 private:
  Host* host_;
  std::shared_ptr<Mixer> mixer_;
  std::unique_ptr<AudioOutput> output_;
};

MixerDevice* DeviceMake(Host* host) {
  try {
    return new MixerDevice(host, std::make_shared<Mixer>());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

DirectSound* DirectSoundCreate(Host& host) {
  return host.SoundDeviceCreate();
}

DirectSound* MixerDirectSoundCreate(Host& host) {
  MixerDevice* device = DeviceMake(&host);
  if (!device) return nullptr;
  std::unique_ptr<AudioOutput> output = host.AudioOutputOpen(device->MixerGet());
  if (!output) {
    device->Release();
    return nullptr;
  }
  device->OutputAttach(std::move(output));
  return device;
}

DirectSound* DirectSoundCreateWithoutOutput(AudioSource** mixer) {
  if (!mixer) return nullptr;
  MixerDevice* device = DeviceMake(nullptr);
  *mixer = device ? device->MixerGet() : nullptr;
  return device;
}

}  // namespace platform
