#include "sound/sound_stream.h"

#include <algorithm>
#include <cstring>

#include "sound/sound_decoder.h"
#include "sound/sound_record.h"
#include "sound/worker_thread.h"

namespace engine {

int SoundStreamRefill(SoundRecord* record, std::uint32_t offset) {
  const std::uint32_t half = record->streamBytes / 2;
  void* region = nullptr;
  std::uint32_t regionBytes = 0;
  if (record->buffer->Lock(offset, half, &region, &regionBytes, nullptr, nullptr, 0) !=
      platform::DS_OK)
    return 0;
  SoundDecoderObject* object = record->decoder;
  auto want = static_cast<std::int32_t>(regionBytes);
  // A plug-in that answers with more than it was asked for, or with a negative count, must not
  // make the silence below run outside the region.
  std::int32_t got =
      std::clamp(object->ops->Read(object, region, want, 0, record->playFlags), 0, want);
  std::memset(static_cast<unsigned char*>(region) + got, 0, static_cast<std::size_t>(want - got));
  record->buffer->Unlock(region, regionBytes, nullptr, 0);
  return got > 0 ? 1 : 0;
}

void SoundStreamWorker(void* argument) {
  auto* record = static_cast<SoundRecord*>(argument);
  const std::uint32_t half = record->streamBytes / 2;
  // Which half is due at the next change: 1 = the second, while the cursor is in the first.
  int next = 1;
  // 0: data still coming; 1: the last refill delivered nothing; 2: that silent half is
  // playing, so everything delivered has been heard.
  int ended = 0;
  // `workerRunning` was set by SoundPlay before this thread started, so that a stop coming
  // right after the play already waits for this worker.
  while (record->active.load()) {
    WorkerSleep(kStreamPollMilliseconds);
    std::uint32_t cursor = 0;
    record->buffer->GetCurrentPosition(&cursor, nullptr);
    bool due = false;
    std::uint32_t target = 0;
    if (next == 0 && cursor > half) {
      target = 0;
      due = true;
    } else if (next == 1 && cursor < half) {
      target = half;
      due = true;
    }
    if (due) {
      if (ended != 0)
        ++ended;
      else if (!SoundStreamRefill(record, target))
        ended = 1;
      next = 1 - next;
      record->halfChanges.fetch_add(1);
    }
    if (ended == 2) {
      record->buffer->Stop();
      record->active.store(0);
      break;
    }
  }
  // The last access to the record: from here on it belongs to the main thread again.
  record->workerRunning.store(0);
}

}  // namespace engine
