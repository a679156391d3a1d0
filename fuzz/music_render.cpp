// Arbitrary bytes through MusicLoadFromMemory, and a module that loads is then rendered into its
// stream buffer the way its worker does it, for a few seconds of music: module data that the
// loader accepts is interpreted only while it plays (patterns, effects, loops, sample ends), so
// that is where a damaged module shows. The heap must be as it was afterwards.

#include <cstdint>
#include <cstdlib>

#include "music/music.h"
#include "music/music_player.h"
#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "runtime/object_table.h"
#include "sound/sound.h"

namespace {

// Halves of the stream buffer rendered per input: about 2.3 seconds of music.
constexpr int kHalves = 4;

bool Start() {
  platform::HeadlessHost::Options options;
  options.audio = platform::HeadlessHost::Audio::Manual;
  options.audioKeep = false;
  platform::HostInstall(new platform::HeadlessHost(options));
  engine::MainHeapCreate();
  engine::MusicInit();
  if (!engine::SoundInit()) std::abort();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = Start();
  (void)started;
  const std::size_t blocksBefore = engine::MainHeap()->LiveBlockCount();
  void* music = engine::MusicLoadFromMemory(engine::ObjectIdAuto, data, size);
  if (music) {
    auto number = reinterpret_cast<engine::ObjectId>(music);
    engine::MusicSetVolume(number, 20);
    auto* record = static_cast<engine::MusicRecord*>(music);
    const auto half = static_cast<std::uint32_t>(record->bufferBytes / 2);
    // No worker: the halves are filled here, alternately, as the worker would fill them.
    for (int i = 0; i < kHalves; ++i)
      if (!engine::MusicStreamFill(record, (i % 2) * half)) std::abort();
    engine::MusicRelease(number);
  }
  if (engine::MainHeap()->LiveBlockCount() != blocksBefore) std::abort();
  return 0;
}
