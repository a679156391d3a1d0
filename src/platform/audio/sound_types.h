#pragma once

// Records, flags and result codes of the sound-buffer interface (DirectSound and SoundBuffer).
// Units throughout: bytes for sizes and positions, Hz for frequencies, hundredths of a decibel
// for volume and pan.

#include <cstddef>
#include <cstdint>

#include "platform/ref_counted.h"

namespace platform {

// --- Results. DS_OK is 0; every failure is negative, so `result != DS_OK` and `result < 0`
// both test for failure.
constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x8A000001u);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x8A000002u);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x8A000003u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x8A000004u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8A000005u);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8A000006u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x8A000007u);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x8A000008u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x8A000009u);
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x8A00000Au);

// --- Cooperative levels (DirectSound::SetCooperativeLevel).
constexpr std::uint32_t DSSCL_NORMAL = 1;
constexpr std::uint32_t DSSCL_PRIORITY = 2;
constexpr std::uint32_t DSSCL_EXCLUSIVE = 3;
constexpr std::uint32_t DSSCL_WRITEPRIMARY = 4;

// --- Buffer capabilities (DSBUFFERDESC::dwFlags). A secondary buffer refuses Set/Get of a
// volume, pan or frequency whose CTRL flag it was not created with (DSERR_CONTROLUNAVAIL).
// Every buffer is audible whatever window has the focus; GLOBALFOCUS and STICKYFOCUS are
// accepted and change nothing. Bits not listed here are refused at creation.
constexpr std::uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr std::uint32_t DSBCAPS_STATIC = 0x00000002;
constexpr std::uint32_t DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr std::uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr std::uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr std::uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr std::uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr std::uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr std::uint32_t DSBCAPS_STICKYFOCUS = 0x00004000;
constexpr std::uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr std::uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;

// --- Lock, play and status flags.
constexpr std::uint32_t DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr std::uint32_t DSBLOCK_ENTIREBUFFER = 0x00000002;
constexpr std::uint32_t DSBPLAY_LOOPING = 0x00000001;
constexpr std::uint32_t DSBSTATUS_PLAYING = 0x00000001;
constexpr std::uint32_t DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr std::uint32_t DSBSTATUS_LOOPING = 0x00000004;

// --- Ranges.
constexpr std::int32_t DSBVOLUME_MIN = -10000;  // silence
constexpr std::int32_t DSBVOLUME_MAX = 0;       // full level
constexpr std::int32_t DSBPAN_LEFT = -10000;    // right channel silent
constexpr std::int32_t DSBPAN_CENTER = 0;
constexpr std::int32_t DSBPAN_RIGHT = 10000;        // left channel silent
constexpr std::uint32_t DSBFREQUENCY_ORIGINAL = 0;  // SetFrequency: back to the format's rate
constexpr std::uint32_t DSBFREQUENCY_MIN = 100;
constexpr std::uint32_t DSBFREQUENCY_MAX = 200000;
constexpr std::uint32_t DSBSIZE_MIN = 4;
constexpr std::uint32_t DSBSIZE_MAX = 0x0FFFFFFF;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// A PCM format. The first 16 bytes have the layout of a WAVE file's "fmt " chunk body.
struct WAVEFORMATEX {
  std::uint16_t wFormatTag = 0;
  std::uint16_t nChannels = 0;
  std::uint32_t nSamplesPerSec = 0;
  std::uint32_t nAvgBytesPerSec = 0;
  std::uint16_t nBlockAlign = 0;
  std::uint16_t wBitsPerSample = 0;
  std::uint16_t cbSize = 0;  // extra format bytes; 0 for PCM and ignored
};
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4);
static_assert(offsetof(WAVEFORMATEX, nBlockAlign) == 12);
static_assert(offsetof(WAVEFORMATEX, wBitsPerSample) == 14);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);

// What CreateSoundBuffer is asked for. dwSize must be at least 20 (callers written for the
// original 32-bit record pass 36). Primary buffer: DSBCAPS_PRIMARYBUFFER, dwBufferBytes 0,
// no format. Secondary buffer: dwBufferBytes from DSBSIZE_MIN to DSBSIZE_MAX and a format.
struct DSBUFFERDESC {
  std::uint32_t dwSize = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwBufferBytes = 0;
  std::uint32_t dwReserved = 0;
  const WAVEFORMATEX* lpwfxFormat = nullptr;
};

}  // namespace platform
