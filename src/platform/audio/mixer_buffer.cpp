#include "platform/audio/mixer_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

namespace {

// The write cursor runs this far ahead of the play cursor: audio the output will have taken by
// the time a writer that starts now is done.
constexpr std::uint32_t kWriteLeadMilliseconds = 10;

}  // namespace

HRESULT PcmFormatCheck(const WAVEFORMATEX* format) {
  if (!format) return DSERR_INVALIDPARAM;
  const WAVEFORMATEX& f = *format;
  if (f.wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
  if (f.nChannels != 1 && f.nChannels != 2) return DSERR_BADFORMAT;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return DSERR_BADFORMAT;
  if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return DSERR_BADFORMAT;
  if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX)
    return DSERR_BADFORMAT;
  // nAvgBytesPerSec follows from the rest and is not needed to play; files that get it wrong
  // still play.
  return DS_OK;
}

// --- Secondary buffers

SecondaryBuffer::SecondaryBuffer(std::shared_ptr<Mixer> mixer, std::shared_ptr<SampleStore> store,
                                 std::uint32_t flags, std::uint32_t frequency)
    : mixer_(std::move(mixer)), flags_(flags), formatFrequency_(frequency) {
  voice_.store = std::move(store);
  voice_.frequency = frequency;
  VoiceStepUpdate(voice_);
  VoiceGainsUpdate(voice_);
}

SecondaryBuffer::~SecondaryBuffer() {
  // Releasing a playing buffer takes it out of the mix before its voice goes away.
  std::lock_guard guard(mixer_->lock);
  if (voice_.playing) mixer_->PlayingRemove(&voice_);
}

SecondaryBuffer* SecondaryBuffer::Duplicate() {
  auto* copy = new (std::nothrow) SecondaryBuffer(mixer_, voice_.store, flags_, formatFrequency_);
  if (!copy) return nullptr;
  std::lock_guard guard(mixer_->lock);
  copy->voice_.volume = voice_.volume;
  copy->voice_.pan = voice_.pan;
  copy->voice_.frequency = voice_.frequency;
  VoiceStepUpdate(copy->voice_);
  VoiceGainsUpdate(copy->voice_);
  return copy;
}

HRESULT SecondaryBuffer::GetFormat(WAVEFORMATEX* format) {
  if (!format) return DSERR_INVALIDPARAM;
  const SampleStore& store = *voice_.store;
  *format = WAVEFORMATEX{};
  format->wFormatTag = WAVE_FORMAT_PCM;
  format->nChannels = store.channels;
  format->nSamplesPerSec = formatFrequency_;
  format->nBlockAlign = store.blockAlign;
  format->nAvgBytesPerSec = formatFrequency_ * store.blockAlign;
  format->wBitsPerSample = store.bitsPerSample;
  return DS_OK;
}

HRESULT SecondaryBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** audio1,
                              std::uint32_t* bytes1, void** audio2, std::uint32_t* bytes2,
                              std::uint32_t flags) {
  if (!audio1 || !bytes1) return DSERR_INVALIDPARAM;
  *audio1 = nullptr;
  *bytes1 = 0;
  if (audio2) *audio2 = nullptr;
  if (bytes2) *bytes2 = 0;
  if (flags & ~(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER)) return DSERR_INVALIDPARAM;
  SampleStore& store = *voice_.store;
  if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
  if (flags & DSBLOCK_ENTIREBUFFER) {
    offset = 0;
    bytes = store.bytes;
  }
  if (bytes == 0 || bytes > store.bytes || offset >= store.bytes) return DSERR_INVALIDPARAM;

  OpenLock region;
  region.offset = offset;
  region.bytes1 = std::min(bytes, store.bytes - offset);
  // The wrapped part exists only for a caller that asked for a second region.
  region.bytes2 = (audio2 && bytes2) ? bytes - region.bytes1 : 0;
  std::uint32_t total = region.bytes1 + region.bytes2;
  region.staging.reset(new (std::nothrow) std::uint8_t[total]);
  if (!region.staging) return DSERR_OUTOFMEMORY;

  std::lock_guard guard(store.lock);
  try {
    openLocks_.reserve(openLocks_.size() + 1);
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  // The regions show what the buffer holds, as callers that write only part of them expect.
  std::memcpy(region.staging.get(), store.Bytes() + offset, region.bytes1);
  std::memcpy(region.staging.get() + region.bytes1, store.Bytes(), region.bytes2);
  *audio1 = region.staging.get();
  *bytes1 = region.bytes1;
  if (region.bytes2) {
    *audio2 = region.staging.get() + region.bytes1;
    *bytes2 = region.bytes2;
  }
  openLocks_.push_back(std::move(region));
  return DS_OK;
}

HRESULT SecondaryBuffer::Unlock(void* audio1, std::uint32_t bytes1, void* audio2,
                                std::uint32_t bytes2) {
  if (!audio1) return DSERR_INVALIDPARAM;
  SampleStore& store = *voice_.store;
  std::lock_guard guard(store.lock);
  auto it = std::find_if(openLocks_.begin(), openLocks_.end(),
                         [&](const OpenLock& r) { return r.staging.get() == audio1; });
  if (it == openLocks_.end()) return DSERR_INVALIDPARAM;
  std::uint8_t* second = it->bytes2 ? it->staging.get() + it->bytes1 : nullptr;
  if (audio2 && audio2 != second) return DSERR_INVALIDPARAM;
  std::memcpy(store.Bytes() + it->offset, it->staging.get(), std::min(bytes1, it->bytes1));
  if (audio2) std::memcpy(store.Bytes(), second, std::min(bytes2, it->bytes2));
  openLocks_.erase(it);
  return DS_OK;
}

HRESULT SecondaryBuffer::Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags) {
  if (reserved != 0 || priority != 0 || (flags & ~DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  voice_.looping = (flags & DSBPLAY_LOOPING) != 0;
  if (!voice_.playing) {
    voice_.playing = true;
    mixer_->PlayingAdd(&voice_);
  }
  return DS_OK;
}

HRESULT SecondaryBuffer::Stop() {
  std::lock_guard guard(mixer_->lock);
  if (voice_.playing) mixer_->PlayingRemove(&voice_);
  voice_.playing = false;
  voice_.looping = false;
  return DS_OK;
}

HRESULT SecondaryBuffer::SetCurrentPosition(std::uint32_t position) {
  const SampleStore& store = *voice_.store;
  std::uint32_t frame = position / store.blockAlign;
  if (position >= store.bytes || frame >= store.frames) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  voice_.position = std::uint64_t{frame} << 32;
  return DS_OK;
}

HRESULT SecondaryBuffer::GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) {
  const SampleStore& store = *voice_.store;
  std::uint32_t frame, lead = 0;
  {
    std::lock_guard guard(mixer_->lock);
    frame = static_cast<std::uint32_t>(voice_.position >> 32);
    if (voice_.playing)
      lead = std::max<std::uint32_t>(1, voice_.frequency * kWriteLeadMilliseconds / 1000);
  }
  std::uint64_t playBytes = std::uint64_t{frame} * store.blockAlign;
  if (play) *play = static_cast<std::uint32_t>(playBytes);
  if (write) {
    std::uint64_t playable = std::uint64_t{store.frames} * store.blockAlign;
    *write =
        static_cast<std::uint32_t>((playBytes + std::uint64_t{lead} * store.blockAlign) % playable);
  }
  return DS_OK;
}

HRESULT SecondaryBuffer::GetStatus(std::uint32_t* status) {
  if (!status) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  *status = (voice_.playing ? DSBSTATUS_PLAYING : 0) | (voice_.looping ? DSBSTATUS_LOOPING : 0);
  return DS_OK;
}

HRESULT SecondaryBuffer::SetVolume(std::int32_t volume) {
  if (!Has(DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  voice_.volume = volume;
  VoiceGainsUpdate(voice_);
  return DS_OK;
}

HRESULT SecondaryBuffer::GetVolume(std::int32_t* volume) {
  if (!Has(DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (!volume) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  *volume = voice_.volume;
  return DS_OK;
}

HRESULT SecondaryBuffer::SetPan(std::int32_t pan) {
  if (!Has(DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  voice_.pan = pan;
  VoiceGainsUpdate(voice_);
  return DS_OK;
}

HRESULT SecondaryBuffer::GetPan(std::int32_t* pan) {
  if (!Has(DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (!pan) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  *pan = voice_.pan;
  return DS_OK;
}

HRESULT SecondaryBuffer::SetFrequency(std::uint32_t frequency) {
  if (!Has(DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (frequency == DSBFREQUENCY_ORIGINAL) frequency = formatFrequency_;
  if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  voice_.frequency = frequency;
  VoiceStepUpdate(voice_);
  return DS_OK;
}

HRESULT SecondaryBuffer::GetFrequency(std::uint32_t* frequency) {
  if (!Has(DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (!frequency) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  *frequency = voice_.frequency;
  return DS_OK;
}

// --- Primary buffer

void PrimaryBuffer::MasterGainsUpdate() {
  Voice gains;
  gains.volume = mixer_->masterVolume;
  gains.pan = mixer_->masterPan;
  VoiceGainsUpdate(gains);
  mixer_->masterLeft = gains.gainLeft;
  mixer_->masterRight = gains.gainRight;
}

HRESULT PrimaryBuffer::GetFormat(WAVEFORMATEX* format) {
  if (!format) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  *format = mixer_->primaryFormat;
  return DS_OK;
}

HRESULT PrimaryBuffer::GetStatus(std::uint32_t* status) {
  if (!status) return DSERR_INVALIDPARAM;
  *status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
  return DS_OK;
}

HRESULT PrimaryBuffer::SetVolume(std::int32_t volume) {
  if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  mixer_->masterVolume = volume;
  MasterGainsUpdate();
  return DS_OK;
}

HRESULT PrimaryBuffer::GetVolume(std::int32_t* volume) {
  if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (!volume) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  *volume = mixer_->masterVolume;
  return DS_OK;
}

HRESULT PrimaryBuffer::SetPan(std::int32_t pan) {
  if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  mixer_->masterPan = pan;
  MasterGainsUpdate();
  return DS_OK;
}

HRESULT PrimaryBuffer::GetPan(std::int32_t* pan) {
  if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (!pan) return DSERR_INVALIDPARAM;
  std::lock_guard guard(mixer_->lock);
  *pan = mixer_->masterPan;
  return DS_OK;
}

HRESULT PrimaryBuffer::SetFormat(const WAVEFORMATEX* format) {
  if (mixer_->cooperativeLevel.load() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  HRESULT check = PcmFormatCheck(format);
  if (check != DS_OK) return check;
  std::lock_guard guard(mixer_->lock);
  mixer_->primaryFormat = *format;
  mixer_->primaryFormat.nAvgBytesPerSec = format->nSamplesPerSec * format->nBlockAlign;
  mixer_->primaryFormat.cbSize = 0;
  return DS_OK;
}

}  // namespace platform
