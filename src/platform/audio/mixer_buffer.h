#pragma once

// The mixer's two kinds of SoundBuffer: secondary buffers (samples and a voice) and the
// primary buffer (the whole mix's volume, pan and format). Only the device names them.

#include <memory>
#include <vector>

#include "platform/audio/mixer.h"
#include "platform/audio/sound_buffer.h"

namespace platform {

// DS_OK when the mixer can play the format, else DSERR_BADFORMAT (or DSERR_INVALIDPARAM for
// no format at all).
HRESULT PcmFormatCheck(const WAVEFORMATEX* format);

class SecondaryBuffer final : public SoundBuffer {
 public:
  // A buffer of `store`'s samples, stopped at position 0. `flags` are its DSBCAPS_ flags.
  SecondaryBuffer(std::shared_ptr<Mixer> mixer, std::shared_ptr<SampleStore> store,
                  std::uint32_t flags, std::uint32_t frequency);
  // A duplicate of `original`: same samples, flags, volume, pan and frequency.
  SecondaryBuffer* Duplicate();
  const Mixer* Owner() const { return mixer_.get(); }

  HRESULT GetFormat(WAVEFORMATEX* format) override;
  HRESULT Lock(std::uint32_t offset, std::uint32_t bytes, void** audio1, std::uint32_t* bytes1,
               void** audio2, std::uint32_t* bytes2, std::uint32_t flags) override;
  HRESULT Unlock(void* audio1, std::uint32_t bytes1, void* audio2, std::uint32_t bytes2) override;
  HRESULT Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags) override;
  HRESULT Stop() override;
  HRESULT SetCurrentPosition(std::uint32_t position) override;
  HRESULT GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) override;
  HRESULT GetStatus(std::uint32_t* status) override;
  HRESULT SetVolume(std::int32_t volume) override;
  HRESULT GetVolume(std::int32_t* volume) override;
  HRESULT SetPan(std::int32_t pan) override;
  HRESULT GetPan(std::int32_t* pan) override;
  HRESULT SetFrequency(std::uint32_t frequency) override;
  HRESULT GetFrequency(std::uint32_t* frequency) override;
  HRESULT SetFormat(const WAVEFORMATEX*) override { return DSERR_INVALIDCALL; }
  HRESULT Restore() override { return DS_OK; }

 protected:
  ~SecondaryBuffer() override;

 private:
  // A region handed out by Lock: the caller writes into `staging`, and Unlock copies it into
  // the sample memory under the store's lock. The mixer thus never reads bytes that another
  // thread is writing, whatever the caller locks while the buffer plays.
  struct OpenLock {
    std::unique_ptr<std::uint8_t[]> staging;
    std::uint32_t offset = 0;
    std::uint32_t bytes1 = 0;
    std::uint32_t bytes2 = 0;
  };

  bool Has(std::uint32_t control) const { return (flags_ & control) != 0; }

  std::shared_ptr<Mixer> mixer_;
  std::uint32_t flags_;
  std::uint32_t formatFrequency_;
  Voice voice_;                      // guarded by mixer_->lock
  std::vector<OpenLock> openLocks_;  // guarded by voice_.store->lock
};

class PrimaryBuffer final : public SoundBuffer {
 public:
  PrimaryBuffer(std::shared_ptr<Mixer> mixer, std::uint32_t flags)
      : mixer_(std::move(mixer)), flags_(flags) {}

  HRESULT GetFormat(WAVEFORMATEX* format) override;
  HRESULT Lock(std::uint32_t, std::uint32_t, void**, std::uint32_t*, void**, std::uint32_t*,
               std::uint32_t) override {
    return DSERR_INVALIDCALL;
  }
  HRESULT Unlock(void*, std::uint32_t, void*, std::uint32_t) override { return DSERR_INVALIDCALL; }
  HRESULT Play(std::uint32_t, std::uint32_t, std::uint32_t) override { return DSERR_INVALIDCALL; }
  HRESULT Stop() override { return DSERR_INVALIDCALL; }
  HRESULT SetCurrentPosition(std::uint32_t) override { return DSERR_INVALIDCALL; }
  HRESULT GetCurrentPosition(std::uint32_t*, std::uint32_t*) override { return DSERR_INVALIDCALL; }
  // The mix always plays: DSBSTATUS_PLAYING | DSBSTATUS_LOOPING.
  HRESULT GetStatus(std::uint32_t* status) override;
  HRESULT SetVolume(std::int32_t volume) override;
  HRESULT GetVolume(std::int32_t* volume) override;
  HRESULT SetPan(std::int32_t pan) override;
  HRESULT GetPan(std::int32_t* pan) override;
  HRESULT SetFrequency(std::uint32_t) override { return DSERR_CONTROLUNAVAIL; }
  HRESULT GetFrequency(std::uint32_t*) override { return DSERR_CONTROLUNAVAIL; }
  HRESULT SetFormat(const WAVEFORMATEX* format) override;
  HRESULT Restore() override { return DS_OK; }

 private:
  void MasterGainsUpdate();
  std::shared_ptr<Mixer> mixer_;
  std::uint32_t flags_;
};

}  // namespace platform
