#include "sound/sound_load.h"

#include <algorithm>
#include <cstring>

#include "runtime/main_heap.h"
#include "sound/media_file.h"
#include "sound/sound_decoder.h"
#include "sound/sound_device.h"
#include "sound/sound_record.h"
#include "sound/wave_reader.h"

namespace engine {

namespace {

// Puts a streamed sound under `sound`. The old sound there is released first, even if the
// buffer then cannot be made. The decoder object is the sound's on success and freed otherwise.
void* StreamedSoundCreate(ObjectId sound, SoundDecoderObject* object) {
  auto* record = static_cast<SoundRecord*>(ObjectTableAcquire(SoundTable, sound));
  if (!record) {
    SoundDecoderFree(object);
    return nullptr;
  }
  record->streamBytes = kSoundStreamBytes;
  record->buffer = SoundBufferCreate(object->ops->ChannelCount(object),
                                     object->ops->SampleRate(object), kSoundStreamBytes);
  if (!record->buffer) {
    record->streamBytes = 0;
    SoundDecoderFree(object);
    // A slot record stays with its number, empty; an auto record would only be lost.
    if (sound == ObjectIdAuto) ObjectTableRelease(SoundTable, reinterpret_cast<ObjectId>(record));
    return nullptr;
  }
  record->decoder = object;
  return record;
}

// Copies `bytes` of PCM into `buffer` (which it takes over) and only then puts it under
// `sound`: a load that fails before this point leaves the old sound where it was.
void* WholeSoundCreate(ObjectId sound, platform::SoundBuffer* buffer, const void* pcm,
                       std::uint32_t bytes) {
  if (!buffer) return nullptr;
  void* region = nullptr;
  std::uint32_t regionBytes = 0;
  if (buffer->Lock(0, bytes, &region, &regionBytes, nullptr, nullptr, 0) != platform::DS_OK) {
    buffer->Release();
    return nullptr;
  }
  std::memcpy(region, pcm, std::min(bytes, regionBytes));
  buffer->Unlock(region, regionBytes, nullptr, 0);

  auto* record = static_cast<SoundRecord*>(ObjectTableAcquire(SoundTable, sound));
  if (!record) {
    buffer->Release();
    return nullptr;
  }
  record->buffer = buffer;
  buffer->GetPan(&record->pan);
  buffer->GetFrequency(&record->frequency);
  buffer->GetVolume(&record->volume);
  return sound == ObjectIdAuto ? static_cast<void*>(record) : static_cast<void*>(buffer);
}

// Decodes a whole sound through its decoder object (which this frees) into one buffer.
void* DecodedSoundCreate(ObjectId sound, SoundDecoderObject* object) {
  std::int32_t channels = object->ops->ChannelCount(object);
  std::int32_t rate = object->ops->SampleRate(object);
  std::int64_t bytes = std::int64_t{object->ops->FrameCount(object)} * channels * 2;
  if (bytes > kSoundDecodeMaxBytes) bytes = kSoundDecodeMaxBytes;
  // The buffer comes first: a format the device refuses is found before anything is decoded.
  platform::SoundBuffer* buffer = nullptr;
  void* block = nullptr;
  if (channels > 0 && bytes > 0) {
    buffer = SoundBufferCreate(channels, rate, static_cast<std::int32_t>(bytes));
    if (buffer) block = MainHeapAllocPlain(static_cast<std::size_t>(bytes));
  }
  if (!block) {
    if (buffer) buffer->Release();
    SoundDecoderFree(object);
    return nullptr;
  }
  auto want = static_cast<std::int32_t>(bytes);
  std::int32_t got = object->ops->Read(object, block, want, 0, 0);
  got = std::clamp(got, std::int32_t{0}, want);
  // A decoder that delivers less than it announced leaves the rest of the block as the heap
  // handed it out; silence is what such a sound should end in, not leftover memory.
  std::memset(static_cast<unsigned char*>(block) + got, 0, static_cast<std::size_t>(want - got));
  SoundDecoderFree(object);

  void* result = WholeSoundCreate(sound, buffer, block, static_cast<std::uint32_t>(want));
  MainHeapFree(block);
  return result;
}

}  // namespace

void* SoundLoadFromMemory(ObjectId sound, const void* data, std::size_t size, std::uint32_t flags) {
  if (!data || !SoundTable) return nullptr;
  if (size >= 4 && std::memcmp(data, "RIFF", 4) == 0) {
    WaveLayout wave;
    if (!WaveLayoutRead(data, size, &wave)) return nullptr;
    return WholeSoundCreate(sound, SoundBufferCreateWithFormat(wave.format, wave.pcmBytes),
                            static_cast<const unsigned char*>(data) + wave.pcmOffset,
                            wave.pcmBytes);
  }
  SoundDecoderObject* object = SoundDecoderOpen(nullptr, data, size, flags);
  if (!object) return nullptr;
  if (flags & SoundFlagStream) return StreamedSoundCreate(sound, object);
  return DecodedSoundCreate(sound, object);
}

void* SoundLoad(ObjectId sound, const char* path, std::uint32_t flags) {
  if (!path || !SoundTable) return nullptr;
  if (flags & SoundFlagStream) {
    // The decoders read the file themselves, through a stream of their own, and are given no
    // load flags for a file source.
    SoundDecoderObject* object = SoundDecoderOpen(path, nullptr, 0, 0);
    if (!object) return nullptr;
    return StreamedSoundCreate(sound, object);
  }
  std::size_t size = 0;
  void* block = MediaFileRead(path, &size);
  if (!block) return nullptr;
  void* result = SoundLoadFromMemory(sound, block, size, 0);
  MainHeapFree(block);
  return result;
}

}  // namespace engine
