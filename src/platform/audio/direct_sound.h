#pragma once

// The sound device: creates playback buffers and mixes every playing one to the host's audio
// output (44100 Hz, 16-bit stereo, saturated). Calls may come from any thread.

#include <cstdint>

#include "platform/audio/sound_buffer.h"
#include "platform/audio/sound_types.h"
#include "platform/host/host.h"
#include "platform/ref_counted.h"

namespace platform {

class DirectSound : public RefCounted {
 public:
  // DSSCL_NORMAL to DSSCL_WRITEPRIMARY on an existing window of the host;
  // DSERR_INVALIDPARAM otherwise.
  virtual HRESULT SetCooperativeLevel(WindowHandle window, std::uint32_t level) = 0;
  // A new buffer with one reference in *buffer (null on failure). Every primary buffer asked
  // for speaks for the same output (one volume, pan and format). A secondary buffer starts stopped
  // at position 0, silent bytes, volume 0, pan 0, the format's frequency. Refused:
  // DSERR_INVALIDPARAM for a bad record, size or flag; DSERR_BADFORMAT for a format the mixer
  // cannot play (PCM only, 1 or 2 channels, 8 or 16 bits, DSBFREQUENCY_MIN to
  // DSBFREQUENCY_MAX Hz, nBlockAlign = channels x bytes per sample); DSERR_OUTOFMEMORY.
  virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, SoundBuffer** buffer) = 0;
  // A second buffer on the same sample memory (what either writes, both play) with its own
  // position (0), play state (stopped), volume, pan and frequency (copied from the original).
  // The original must be a secondary buffer of this device.
  virtual HRESULT DuplicateSoundBuffer(SoundBuffer* original, SoundBuffer** duplicate) = 0;
};

// The host's sound device (Host::SoundDeviceCreate): the software mixer on the host's audio
// output, or the system's own device where the host has one. Null when there is none. Main
// thread.
DirectSound* DirectSoundCreate(Host& host);

// Creates the mixer and opens the host's audio output with it (the output starts pulling at
// once). Null when the host has no audio output. Main thread. Releasing the device closes the
// output; buffers still held stay valid but are no longer heard.
DirectSound* MixerDirectSoundCreate(Host& host);

// A device whose output is driven by the caller (tests, benchmarks, tools): *mixer receives the
// source to call AudioRender on, valid while the device lives. Render from one thread at a time.
DirectSound* DirectSoundCreateWithoutOutput(AudioSource** mixer);

}  // namespace platform
