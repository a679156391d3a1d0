// Arbitrary bytes through MusicLoadFromMemory; a module that loads has its volume set and is
// freed again, and the heap must be as it was.

#include <cstdint>
#include <cstdlib>

#include "music/music.h"
#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "sound/sound.h"

namespace {

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
    engine::MusicRelease(number);
  }
  if (engine::MainHeap()->LiveBlockCount() != blocksBefore) std::abort();
  return 0;
}
