#pragma once

// One playback buffer of the software mixer: a circle of PCM bytes with a play cursor, a
// volume, a pan and a frequency. Created by DirectSound::CreateSoundBuffer or
// DuplicateSoundBuffer with one reference; the last Release stops it and frees it.
//
// Every call may come from any thread (the main thread, a streaming worker, the audio output's
// thread) at any time; the mixer takes the locks it needs. Results are DS_OK or a DSERR_ code.
// The primary buffer answers the volume, pan, status and format calls and refuses the rest
// with DSERR_INVALIDCALL.

#include <cstdint>

#include "platform/audio/sound_types.h"
#include "platform/ref_counted.h"

namespace platform {

class SoundBuffer : public RefCounted {
 public:
  // The buffer's format; for the primary buffer the one given to SetFormat (initially 16-bit
  // stereo at 44100 Hz).
  virtual HRESULT GetFormat(WAVEFORMATEX* format) = 0;

  // Opens `bytes` bytes at `offset` for writing, as up to two regions: the first runs to the
  // end of the buffer at most, the second continues from the start when the range wraps (only
  // when `audio2` and `bytes2` are given; otherwise the range is cut at the end). The regions
  // hold the buffer's current bytes. What is written there reaches the buffer at Unlock, so a
  // playing buffer may be locked and written at any time. DSBLOCK_FROMWRITECURSOR takes the
  // write cursor as offset, DSBLOCK_ENTIREBUFFER the whole buffer. Fails with
  // DSERR_INVALIDPARAM for a range outside the buffer or a zero size.
  virtual HRESULT Lock(std::uint32_t offset, std::uint32_t bytes, void** audio1,
                       std::uint32_t* bytes1, void** audio2, std::uint32_t* bytes2,
                       std::uint32_t flags) = 0;
  // Commits the first `bytes1` and `bytes2` bytes of the regions a Lock returned and closes
  // them. DSERR_INVALIDPARAM when `audio1` is not a region of an open Lock of this buffer.
  virtual HRESULT Unlock(void* audio1, std::uint32_t bytes1, void* audio2,
                         std::uint32_t bytes2) = 0;

  // Plays from the current position: once to the end (then it stops, position 0), or in a
  // circle with DSBPLAY_LOOPING. Playing an already playing buffer only changes the looping.
  // `reserved` and `priority` must be 0.
  virtual HRESULT Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags) = 0;
  // Stops; the position stays where it is.
  virtual HRESULT Stop() = 0;
  // Moves the play cursor to a byte position below the buffer size (rounded down to a whole
  // sample frame).
  virtual HRESULT SetCurrentPosition(std::uint32_t position) = 0;
  // The play cursor: bytes from the start that the output has consumed, advancing exactly with
  // the rendered output. The write cursor: the first byte it is safe to write, a little ahead.
  // Either pointer may be null.
  virtual HRESULT GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) = 0;
  // DSBSTATUS_PLAYING, plus DSBSTATUS_LOOPING while playing in a circle.
  virtual HRESULT GetStatus(std::uint32_t* status) = 0;

  // Attenuation, DSBVOLUME_MIN (silence) to DSBVOLUME_MAX: gain = 10^(volume / 2000).
  virtual HRESULT SetVolume(std::int32_t volume) = 0;
  virtual HRESULT GetVolume(std::int32_t* volume) = 0;
  // DSBPAN_LEFT to DSBPAN_RIGHT: a positive pan attenuates the left channel by pan hundredths
  // of a decibel, a negative one the right channel; the ends silence that channel.
  virtual HRESULT SetPan(std::int32_t pan) = 0;
  virtual HRESULT GetPan(std::int32_t* pan) = 0;
  // Playback rate in Hz, DSBFREQUENCY_MIN to DSBFREQUENCY_MAX, or DSBFREQUENCY_ORIGINAL for
  // the format's rate. Resampled to the output rate by linear interpolation.
  virtual HRESULT SetFrequency(std::uint32_t frequency) = 0;
  virtual HRESULT GetFrequency(std::uint32_t* frequency) = 0;

  // Primary buffer only (DSERR_INVALIDCALL otherwise), after DSSCL_PRIORITY or higher
  // (DSERR_PRIOLEVELNEEDED otherwise). The output keeps 16-bit stereo at 44100 Hz; the mixer
  // converts every buffer to it whatever this says.
  virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
  // Nothing is ever lost in a software mixer: DS_OK.
  virtual HRESULT Restore() = 0;
};

}  // namespace platform
