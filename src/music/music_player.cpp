#include "music/music_player.h"

#include "music/music.h"
#include "music/music_render.h"
#include "platform/audio/sound_types.h"
#include "sound/worker_thread.h"

namespace engine {

namespace {

constexpr std::uint32_t kMusicPollMilliseconds = 10;

MusicRecord* MusicLookup(ObjectId music) {
  if (!MusicTable) return nullptr;
  return static_cast<MusicRecord*>(ObjectTableLookup(MusicTable, music));
}

}  // namespace

int MusicStreamFill(MusicRecord* record, std::uint32_t offset) {
  const auto half = static_cast<std::uint32_t>(record->bufferBytes / 2);
  void* region = nullptr;
  std::uint32_t regionBytes = 0;
  if (record->buffer->Lock(offset, half, &region, &regionBytes, nullptr, nullptr, 0) !=
      platform::DS_OK)
    return 0;
  MusicRender(record->module, region, regionBytes);
  record->buffer->Unlock(region, regionBytes, nullptr, 0);
  return 1;
}

void MusicSetVolume(ObjectId music, std::int32_t volume) {
  MusicRecord* record = MusicLookup(music);
  if (!record) return;
  // Worked out in 64 bits: the 32-bit product would wrap for large volumes and could land
  // anywhere. A negative result would reach the renderer's unsigned parameter as a huge value,
  // that is, full level, and is given that level directly; 0 is raised to 1 by the renderer.
  std::int64_t level = std::int64_t{volume} * kMusicMasterVolumeMax / 100;
  if (level < 0 || level > kMusicMasterVolumeMax) level = kMusicMasterVolumeMax;
  std::lock_guard guard(MusicModPlugLock());
  ModPlug_SetMasterVolume(record->module, static_cast<unsigned>(level));
}

int MusicPlay(ObjectId music) {
  MusicRecord* record = MusicLookup(music);
  if (!record) return 0;
  MusicStop(music);
  record->playing.store(1);
  // A failed lock leaves the first half as it was.
  MusicStreamFill(record, 0);
  record->workerRunning.store(1);
  if (!WorkerStart(MusicStreamWorker, record)) {
    // Without a worker the buffer would loop over one fresh half and one stale one for ever;
    // the module stays stopped instead.
    record->workerRunning.store(0);
    record->playing.store(0);
    return 0;
  }
  record->buffer->SetCurrentPosition(0);
  record->buffer->Play(0, 0, platform::DSBPLAY_LOOPING);
  return 1;
}

void MusicStop(ObjectId music) {
  if (!MusicTable) return;
  if (music == ObjectIdAuto) {
    ObjectTableEnumStart(MusicTable);
    ObjectId each;
    while (ObjectTableEnumNext(MusicTable, &each)) MusicStop(each);
    return;
  }
  MusicRecord* record = MusicLookup(music);
  if (!record || record->playing.load() == 0) return;
  record->playing.store(0);
  record->buffer->Stop();
  while (record->workerRunning.load()) WorkerSleep(kMusicPollMilliseconds);
}

void MusicStreamWorker(void* argument) {
  auto* record = static_cast<MusicRecord*>(argument);
  const auto half = static_cast<std::uint32_t>(record->bufferBytes / 2);
  // Which half is due at the next change: 1 = the second, while the cursor is in the first.
  int next = 1;
  bool pending = false;
  std::uint32_t target = 0;
  // `workerRunning` was set by MusicPlay before this thread started.
  while (record->playing.load() == 1) {
    WorkerSleep(kMusicPollMilliseconds);
    std::uint32_t cursor = 0;
    record->buffer->GetCurrentPosition(&cursor, nullptr);
    if (next == 0 && cursor > half) {
      target = 0;
      pending = true;
    } else if (next == 1 && cursor < half) {
      target = half;
      pending = true;
    }
    // A half that cannot be locked stays due and is tried again after the next sleep.
    if (pending && MusicStreamFill(record, target)) {
      next = 1 - next;
      pending = false;
      record->halfFills.fetch_add(1);
    }
  }
  // The last access to the record: from here on it belongs to the main thread again.
  record->workerRunning.store(0);
}

}  // namespace engine
