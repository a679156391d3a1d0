#include "music/music_load.h"

#include <climits>

#include "music/music.h"
#include "music/music_render.h"
#include "runtime/main_heap.h"
#include "sound/media_file.h"
#include "sound/sound_device.h"

namespace engine {

void* MusicLoadFromMemory(ObjectId music, const void* data, std::size_t size) {
  if (!MusicTable || !data || size > INT_MAX) return nullptr;
  auto* record = static_cast<MusicRecord*>(ObjectTableAcquire(MusicTable, music));
  if (!record) return nullptr;
  ModPlugFile* module;
  {
    std::lock_guard guard(MusicModPlugLock());
    module = ModPlug_Load(data, static_cast<int>(size));
    if (module) ModPlug_SetMasterVolume(module, kMusicMasterVolumeMax);
  }
  platform::SoundBuffer* buffer =
      module ? SoundBufferCreate(kMusicChannels, kMusicRate, kMusicBufferBytes) : nullptr;
  if (!buffer) {
    if (module) {
      std::lock_guard guard(MusicModPlugLock());
      ModPlug_Unload(module);
    }
    // A slot record stays with its number, empty; an auto record would only be lost.
    if (music == ObjectIdAuto) ObjectTableRelease(MusicTable, reinterpret_cast<ObjectId>(record));
    return nullptr;
  }
  record->buffer = buffer;
  record->bufferBytes = kMusicBufferBytes;
  record->module = module;
  return record;
}

void* MusicLoad(ObjectId music, const char* path) {
  std::size_t size = 0;
  void* block = MediaFileRead(path, &size);
  if (!block) return nullptr;
  void* result = MusicLoadFromMemory(music, block, size);
  MainHeapFree(block);
  return result;
}

void MusicRelease(ObjectId music) {
  if (!MusicTable) return;
  if (music == ObjectIdAuto) {
    ObjectTableFreeAll(MusicTable);
    return;
  }
  auto* record = static_cast<MusicRecord*>(ObjectTableLookup(MusicTable, music));
  if (!record) return;
  MusicStop(music);
  {
    std::lock_guard guard(MusicModPlugLock());
    ModPlug_Unload(record->module);
  }
  record->module = nullptr;
  record->buffer->Release();
  record->buffer = nullptr;
  ObjectTableRelease(MusicTable, music);
}

}  // namespace engine
