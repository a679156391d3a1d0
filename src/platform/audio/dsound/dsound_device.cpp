// Platform headers first: the system's headers define macros with the names of the platform's
// constants (DS_OK, DSBCAPS_...); below this point those names are the system's, with the
// same values.
#include "platform/audio/dsound/dsound_device.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// With WIN32_LEAN_AND_MEAN the wave format records come from mmsystem.h, which dsound.h needs
// before it.
#include <mmsystem.h>

#include <dsound.h>

#include <new>

namespace platform {

namespace {

::WAVEFORMATEX FormatToSystem(const WAVEFORMATEX& format) {
  ::WAVEFORMATEX system{};
  system.wFormatTag = format.wFormatTag;
  system.nChannels = format.nChannels;
  system.nSamplesPerSec = format.nSamplesPerSec;
  system.nAvgBytesPerSec = format.nAvgBytesPerSec;
  system.nBlockAlign = format.nBlockAlign;
  system.wBitsPerSample = format.wBitsPerSample;
  system.cbSize = 0;  // PCM: no extra bytes follow
  return system;
}

WAVEFORMATEX FormatFromSystem(const ::WAVEFORMATEX& system) {
  WAVEFORMATEX format;
  format.wFormatTag = system.wFormatTag;
  format.nChannels = system.nChannels;
  format.nSamplesPerSec = system.nSamplesPerSec;
  format.nAvgBytesPerSec = system.nAvgBytesPerSec;
  format.nBlockAlign = system.nBlockAlign;
  format.wBitsPerSample = system.wBitsPerSample;
  format.cbSize = 0;
  return format;
}

class DsoundBuffer final : public SoundBuffer {
 public:
  explicit DsoundBuffer(IDirectSoundBuffer* buffer) : buffer_(buffer) {}
  IDirectSoundBuffer* System() const { return buffer_; }

  HRESULT GetFormat(WAVEFORMATEX* format) override {
    if (!format) return DSERR_INVALIDPARAM;
    ::WAVEFORMATEX system{};
    DWORD written = 0;
    const ::HRESULT hr = buffer_->GetFormat(&system, sizeof(system), &written);
    if (SUCCEEDED(hr)) *format = FormatFromSystem(system);
    return hr;
  }
  HRESULT Lock(std::uint32_t offset, std::uint32_t bytes, void** audio1, std::uint32_t* bytes1,
               void** audio2, std::uint32_t* bytes2, std::uint32_t flags) override {
    DWORD length1 = 0, length2 = 0;
    void* region2 = nullptr;
    const bool second = audio2 && bytes2;
    const ::HRESULT hr = buffer_->Lock(offset, bytes, audio1, &length1, second ? &region2 : nullptr,
                                       second ? &length2 : nullptr, flags);
    if (bytes1) *bytes1 = length1;
    if (second) {
      *audio2 = region2;
      *bytes2 = length2;
    }
    return hr;
  }
  HRESULT Unlock(void* audio1, std::uint32_t bytes1, void* audio2, std::uint32_t bytes2) override {
    return buffer_->Unlock(audio1, bytes1, audio2, bytes2);
  }
  HRESULT Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags) override {
    return buffer_->Play(reserved, priority, flags);
  }
  HRESULT Stop() override { return buffer_->Stop(); }
  HRESULT SetCurrentPosition(std::uint32_t position) override {
    return buffer_->SetCurrentPosition(position);
  }
  HRESULT GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) override {
    DWORD playCursor = 0, writeCursor = 0;
    const ::HRESULT hr = buffer_->GetCurrentPosition(&playCursor, &writeCursor);
    if (play) *play = playCursor;
    if (write) *write = writeCursor;
    return hr;
  }
  HRESULT GetStatus(std::uint32_t* status) override {
    DWORD value = 0;
    const ::HRESULT hr = buffer_->GetStatus(&value);
    if (status) *status = value;
    return hr;
  }
  HRESULT SetVolume(std::int32_t volume) override { return buffer_->SetVolume(volume); }
  HRESULT GetVolume(std::int32_t* volume) override {
    LONG value = 0;
    const ::HRESULT hr = buffer_->GetVolume(&value);
    if (volume) *volume = value;
    return hr;
  }
  HRESULT SetPan(std::int32_t pan) override { return buffer_->SetPan(pan); }
  HRESULT GetPan(std::int32_t* pan) override {
    LONG value = 0;
    const ::HRESULT hr = buffer_->GetPan(&value);
    if (pan) *pan = value;
    return hr;
  }
  HRESULT SetFrequency(std::uint32_t frequency) override {
    return buffer_->SetFrequency(frequency);
  }
  HRESULT GetFrequency(std::uint32_t* frequency) override {
    DWORD value = 0;
    const ::HRESULT hr = buffer_->GetFrequency(&value);
    if (frequency) *frequency = value;
    return hr;
  }
  HRESULT SetFormat(const WAVEFORMATEX* format) override {
    if (!format) return DSERR_INVALIDPARAM;
    const ::WAVEFORMATEX system = FormatToSystem(*format);
    return buffer_->SetFormat(&system);
  }
  HRESULT Restore() override { return buffer_->Restore(); }

 private:
  // The last reference stops the buffer and frees it, as releasing the system's buffer does.
  ~DsoundBuffer() override { buffer_->Release(); }

  IDirectSoundBuffer* buffer_;
};

// Wraps a buffer the system made; releases it again when there is no memory for the wrapper.
HRESULT BufferWrap(IDirectSoundBuffer* system, SoundBuffer** out) {
  *out = new (std::nothrow) DsoundBuffer(system);
  if (*out) return DS_OK;
  system->Release();
  return DSERR_OUTOFMEMORY;
}

class DsoundDevice final : public DirectSound {
 public:
  explicit DsoundDevice(IDirectSound* device) : device_(device) {}

  HRESULT SetCooperativeLevel(WindowHandle window, std::uint32_t level) override {
    return device_->SetCooperativeLevel(reinterpret_cast<HWND>(window), level);
  }

  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, SoundBuffer** buffer) override {
    if (!buffer) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (!desc) return DSERR_INVALIDPARAM;
    // The system's record is larger (it carries a 3D algorithm); its own size goes with it.
    ::DSBUFFERDESC system{};
    system.dwSize = sizeof(system);
    system.dwFlags = desc->dwFlags;
    system.dwBufferBytes = desc->dwBufferBytes;
    ::WAVEFORMATEX format{};
    if (desc->lpwfxFormat) {
      format = FormatToSystem(*desc->lpwfxFormat);
      system.lpwfxFormat = &format;
    }
    IDirectSoundBuffer* made = nullptr;
    const ::HRESULT hr = device_->CreateSoundBuffer(&system, &made, nullptr);
    if (FAILED(hr) || !made) return FAILED(hr) ? hr : DSERR_GENERIC;
    return BufferWrap(made, buffer);
  }

  HRESULT DuplicateSoundBuffer(SoundBuffer* original, SoundBuffer** duplicate) override {
    if (!duplicate) return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    auto* source = dynamic_cast<DsoundBuffer*>(original);
    if (!source) return DSERR_INVALIDPARAM;
    IDirectSoundBuffer* made = nullptr;
    const ::HRESULT hr = device_->DuplicateSoundBuffer(source->System(), &made);
    if (FAILED(hr) || !made) return FAILED(hr) ? hr : DSERR_GENERIC;
    return BufferWrap(made, duplicate);
  }

 private:
  ~DsoundDevice() override { device_->Release(); }

  IDirectSound* device_;
};

using DirectSoundCreateEntry = ::HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

}  // namespace

DirectSound* DsoundDeviceCreate(void* library) {
  if (!library) return nullptr;
  auto create = reinterpret_cast<DirectSoundCreateEntry>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), "DirectSoundCreate")));
  if (!create) return nullptr;
  IDirectSound* device = nullptr;
  if (FAILED(create(nullptr, &device, nullptr)) || !device) return nullptr;
  auto* wrapped = new (std::nothrow) DsoundDevice(device);
  if (!wrapped) device->Release();
  return wrapped;
}

}  // namespace platform
