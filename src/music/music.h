#pragma once

// The module player: tracker modules rendered by libmodplug and streamed from a worker thread
// through one looping buffer per module. Start and end, the record, and every public header.

#include <libmodplug/modplug.h>

#include <atomic>
#include <cstdint>
#include <type_traits>

#include "music/music_load.h"
#include "music/music_player.h"
#include "platform/audio/sound_buffer.h"
#include "runtime/object_table.h"

namespace engine {

// One per module number, in the module table (zero-filled raw records, atomics included).
struct MusicRecord {
  // The loaded module; nonzero marks the record as live.
  ModPlugFile* module;
  // 1 while the module is meant to play; the worker runs while it equals 1.
  std::atomic<std::int32_t> playing;
  // The stream buffer (one reference): 16-bit stereo at 44100 Hz, played in a circle.
  platform::SoundBuffer* buffer;
  std::int32_t bufferBytes;
  // Set before the worker starts and cleared by the worker as its last access to the record.
  std::atomic<std::int32_t> workerRunning;
  // Halves the worker has refilled, so that a test or tool driving the output clock can tell
  // when the worker has caught up.
  std::atomic<std::uint32_t> halfFills;
};
static_assert(std::atomic<std::int32_t>::is_always_lock_free &&
              std::is_trivially_destructible_v<MusicRecord>);

// The table of modules (capacity and growth step 16, release callback MusicRelease); null
// before MusicInit and after MusicEnd.
extern ObjectTable* MusicTable;

// Stream buffer of every module: 51200 frames (about 1.16 s), refilled half by half.
inline constexpr std::int32_t kMusicBufferBytes = 204800;
inline constexpr std::int32_t kMusicChannels = 2;
inline constexpr std::int32_t kMusicRate = 44100;
inline constexpr unsigned kMusicMasterVolumeMax = 512;

// Creates the module table and sets every libmodplug setting (stereo 16-bit 44100 Hz, linear
// resampling, oversampling and noise reduction, endless looping). Main thread.
void MusicInit();
// Frees every module, stopping and awaiting its worker first. Nothing when MusicInit never ran.
// Main thread; before SoundEnd.
void MusicEnd();

}  // namespace engine
