#pragma once

// Streamed sounds: a looping buffer of two halves that a worker thread refills from the sound's
// decoder while the play cursor is in the other half.

#include <cstdint>

namespace engine {

struct SoundRecord;

// Fills the half of the stream buffer at `offset` (0 or half) from the decoder, silence after
// the decoder's last byte. 1 when the decoder delivered at least one byte; 0 when it delivered
// nothing or the buffer could not be locked. Main thread before the worker starts, then the
// worker only.
int SoundStreamRefill(SoundRecord* record, std::uint32_t offset);

// Body of a stream's worker thread (`record` is the SoundRecord). Runs while the record's
// `active` is set, polling the play cursor every 10 ms; stops the buffer and clears `active`
// once the stream has ended and its last half was heard; clears `workerRunning` last.
void SoundStreamWorker(void* record);

// How often a worker looks at its play cursor.
inline constexpr std::uint32_t kStreamPollMilliseconds = 10;

}  // namespace engine
