#pragma once

// Playing modules: a worker thread per playing module refills the half of its looping buffer
// that is not playing.

#include <cstdint>

#include "runtime/object_id.h"

namespace engine {

// Sets the module's master volume to volume x 512 / 100 (truncated): 0 gives the quietest
// level the renderer has (1 of 512), 100 and above give 512, and so does a negative volume.
// Nothing for a number without a module. Main thread; takes effect at the worker's next read.
void MusicSetVolume(ObjectId music, std::int32_t volume);

// Stops the module if it plays, renders its next half second or so into the buffer's first
// half, starts a worker and plays the buffer in a circle from its start. Rendering continues
// where it stood (no rewind). 1 when the worker was started, else 0 (also for a number without
// a module). Main thread.
int MusicPlay(ObjectId music);

// Stops the module's buffer and waits for its worker to end (-1: every module). Nothing for a
// module that does not play. Main thread.
void MusicStop(ObjectId music);

struct MusicRecord;

// Renders the module's next half of a buffer into the half at `offset` (0 or half). 0 when the
// buffer could not be locked (the half keeps what it held), else 1. MusicPlay on the main thread
// before the worker starts, then the worker only.
int MusicStreamFill(MusicRecord* record, std::uint32_t offset);

// Body of a module's worker thread (`record` is the MusicRecord): every 10 ms, refills the
// half the play cursor has left, while `playing` equals 1; clears `workerRunning` last.
void MusicStreamWorker(void* record);

}  // namespace engine
