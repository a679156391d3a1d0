// Arbitrary bytes through SoundLoadFromMemory: the RIFF/WAVE walk, and a decoder plug-in that
// believes whatever header the bytes carry, so that hostile channel counts, rates and lengths
// reach the whole and streamed load paths. A loaded sound is played for a moment and freed;
// the heap must be as it was.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "sound/sound.h"

namespace {

// "TDEC", then channels, rate and frame count (32-bit little-endian), then the PCM.
struct FuzzDecoderObject {
  engine::SoundDecoderObject head;
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
};

constexpr std::size_t kFuzzHeaderBytes = 16;

std::int32_t Field(const FuzzDecoderObject* self, int index) {
  std::int32_t v;
  std::memcpy(&v, self->data + 4 + 4 * index, 4);
  return v;
}

engine::SoundDecoderObject* FuzzOpen(std::FILE*, const void* data, std::size_t size,
                                     std::uint32_t) {
  if (!data || size < kFuzzHeaderBytes || std::memcmp(data, "TDEC", 4) != 0) return nullptr;
  auto* self =
      new FuzzDecoderObject{{}, static_cast<const std::uint8_t*>(data), size, kFuzzHeaderBytes};
  return &self->head;
}
std::int32_t FuzzRead(engine::SoundDecoderObject* object, void* buffer, std::int32_t bytes,
                      std::int32_t, std::uint32_t) {
  auto* self = reinterpret_cast<FuzzDecoderObject*>(object);
  std::size_t n = self->size - self->position;
  if (bytes < 0) std::abort();  // the library never asks for a negative count
  if (n > static_cast<std::size_t>(bytes)) n = static_cast<std::size_t>(bytes);
  std::memcpy(buffer, self->data + self->position, n);
  self->position += n;
  return static_cast<std::int32_t>(n);
}
void FuzzRewind(engine::SoundDecoderObject* object) {
  reinterpret_cast<FuzzDecoderObject*>(object)->position = kFuzzHeaderBytes;
}
std::int32_t FuzzChannels(engine::SoundDecoderObject* o) {
  return Field(reinterpret_cast<FuzzDecoderObject*>(o), 0);
}
std::int32_t FuzzRate(engine::SoundDecoderObject* o) {
  return Field(reinterpret_cast<FuzzDecoderObject*>(o), 1);
}
std::int32_t FuzzFrames(engine::SoundDecoderObject* o) {
  // Lengths are kept to a few hundred thousand frames: every input announcing the library's
  // 64 MB limit would cost a second of copying and leave little time for the rest. The unit
  // tests take that limit.
  std::int32_t frames = Field(reinterpret_cast<FuzzDecoderObject*>(o), 2);
  return frames > (1 << 18) ? frames % (1 << 18) : frames;
}
void FuzzFree(engine::SoundDecoderObject* object) {
  delete reinterpret_cast<FuzzDecoderObject*>(object);
}
constexpr engine::SoundDecoder kFuzzDecoder = {FuzzOpen,   FuzzRead, FuzzRewind, FuzzChannels,
                                               FuzzFrames, FuzzRate, FuzzFree};

platform::HeadlessHost* gHost = nullptr;

bool Start() {
  platform::HeadlessHost::Options options;
  options.audio = platform::HeadlessHost::Audio::Manual;
  options.audioKeep = false;
  gHost = new platform::HeadlessHost(options);
  platform::HostInstall(gHost);
  engine::MainHeapCreate();
  if (!engine::SoundInit()) std::abort();
  engine::SoundDecoderRegister(&kFuzzDecoder);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = Start();
  (void)started;
  const std::size_t blocksBefore = engine::MainHeap()->LiveBlockCount();
  // Whole, then streamed (a streamed sound is not played: its worker would outlive the input).
  for (std::uint32_t flags : {0u, engine::SoundFlagStream}) {
    void* sound = engine::SoundLoadFromMemory(engine::ObjectIdAuto, data, size, flags);
    if (!sound) continue;
    auto number = reinterpret_cast<engine::ObjectId>(sound);
    if (!(flags & engine::SoundFlagStream)) {
      engine::SoundPlay(number);
      engine::SoundPlay(number, engine::SoundFlagOverlap, 50);
      gHost->AudioAdvance(256);
    }
    engine::SoundRelease(number);
  }
  if (engine::MainHeap()->LiveBlockCount() != blocksBefore) std::abort();
  return 0;
}
