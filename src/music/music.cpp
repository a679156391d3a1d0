#include "music/music.h"

#include "music/music_render.h"

namespace engine {

ObjectTable* MusicTable = nullptr;

namespace {
constexpr std::int32_t kMusicTableCapacity = 16;
}  // namespace

void MusicInit() {
  // A table that exists already keeps its modules: a second start must not orphan them.
  if (!MusicTable)
    MusicTable = ObjectTableCreate(sizeof(MusicRecord), kMusicTableCapacity, MusicRelease);
  ModPlug_Settings settings = MusicSettings();
  std::lock_guard guard(MusicModPlugLock());
  ModPlug_SetSettings(&settings);
}

void MusicEnd() {
  if (!MusicTable) return;
  ObjectTableFreeAll(MusicTable);
  // The table itself goes with MainHeap; forgetting it marks the library as ended.
  MusicTable = nullptr;
}

}  // namespace engine
