#pragma once

// The record kept for each numbered sound and for each overlapping play of it.

#include <atomic>
#include <cstdint>
#include <type_traits>

#include "platform/audio/sound_buffer.h"
#include "runtime/list_node.h"

namespace engine {

struct SoundDecoderObject;

// Load flags.
inline constexpr std::uint32_t SoundFlagStream = 1;
// Play flags.
inline constexpr std::uint32_t SoundFlagLoop = 1;
inline constexpr std::uint32_t SoundFlagOverlap = 2;

// Size of a streamed sound's buffer, played as two halves that its worker refills in turn.
inline constexpr std::uint32_t kSoundStreamBytes = 65536;

// One per sound number, in the sound table. The table hands out zero-filled raw records, so
// every field, the atomic flags included, starts as zero.
struct SoundRecord {
  // The main channel's buffer (one reference). Nonzero marks the record as live.
  platform::SoundBuffer* buffer;
  // Newest node of the SoundInstance list; null when there is none.
  ListNode* instances;
  // Read back from `buffer` right after a whole load; overlapping plays start with them.
  std::int32_t pan;
  std::uint32_t frequency;
  std::int32_t volume;
  // The decoder feeding a streamed sound; null for a sound held whole in its buffer.
  SoundDecoderObject* decoder;
  std::uint32_t streamBytes;
  // Set by SoundPlay; cleared by SoundStop, SoundRelease and by the worker at a stream's end.
  // A stream's worker runs while it is set.
  std::atomic<std::uint8_t> active;
  // Set before a stream's worker starts, cleared by the worker as its last access to the
  // record: once the main thread reads it clear, the record, its buffer and its decoder are
  // the main thread's again.
  std::atomic<std::uint8_t> workerRunning;
  // Flags of the latest play of a streamed sound, handed to the decoder's Read.
  std::uint32_t playFlags;
  // Half changes the worker has handled (refilled, or counted towards the end), so that a test
  // or tool driving the output clock can tell when the worker has caught up.
  std::atomic<std::uint32_t> halfChanges;
};

// One overlapping play: a list-node payload whose address is the play's channel handle.
struct SoundInstance {
  // A duplicate of the sound's buffer (one reference): same samples, own position and volume.
  platform::SoundBuffer* buffer;
  // 1 when made; cleared when stopped. Only instances with `active` clear are discarded by the
  // next overlapping play.
  std::uint8_t active;
};

static_assert(std::atomic<std::uint8_t>::is_always_lock_free &&
                  std::atomic<std::uint32_t>::is_always_lock_free,
              "the flags live in zero-filled records and must need no constructor");
static_assert(std::is_trivially_destructible_v<SoundRecord>);

}  // namespace engine
