#include "sound/sound_play.h"

#include "platform/audio/sound_types.h"
#include "sound/sound_decoder.h"
#include "sound/sound_device.h"
#include "sound/sound_record.h"
#include "sound/sound_stream.h"
#include "sound/sound_volume.h"
#include "sound/worker_thread.h"

namespace engine {

namespace {

void ChannelStop(platform::SoundBuffer* buffer) {
  buffer->Stop();
  buffer->SetCurrentPosition(0);
}

std::uint32_t PlayFlags(std::uint32_t flags) {
  return (flags & SoundFlagLoop) ? platform::DSBPLAY_LOOPING : 0;
}

std::intptr_t StreamPlay(ObjectId sound, SoundRecord* record, std::uint32_t flags,
                         std::int32_t volume) {
  SoundStop(sound);
  while (record->workerRunning.load()) WorkerSleep(kStreamPollMilliseconds);
  SoundDecoderObject* object = record->decoder;
  object->ops->Rewind(object);
  record->playFlags = flags;
  record->active.store(1);
  SoundStreamRefill(record, 0);
  record->workerRunning.store(1);
  if (!WorkerStart(SoundStreamWorker, record)) {
    // Without a worker only the first half would ever be written and nothing would stop the
    // looping buffer: better not to start it at all.
    record->workerRunning.store(0);
    record->active.store(0);
    return 0;
  }
  if (volume != -1) SoundSetVolume(sound, volume);
  record->buffer->SetCurrentPosition(0);
  if (record->buffer->Play(0, 0, platform::DSBPLAY_LOOPING) != platform::DS_OK) {
    record->active.store(0);  // the worker ends at its next look
    return 0;
  }
  return 1;
}

std::intptr_t OverlapPlay(ObjectId sound, SoundRecord* record, std::uint32_t flags,
                          std::int32_t volume) {
  // Plays that were stopped are discarded; one that ended by itself but was never stopped
  // stays, since nothing tells it apart from one still sounding.
  for (ListNode* node = record->instances; node;) {
    ListNode* older = node->next;
    auto* instance = static_cast<SoundInstance*>(ListNodePayload(node));
    if (!instance->active) {
      instance->buffer->Release();
      ListNodeRemove(&record->instances, instance);
    }
    node = older;
  }
  // The duplicate comes first, so that no instance is ever listed without a buffer.
  platform::DirectSound* device = SoundDevice();
  platform::SoundBuffer* duplicate = nullptr;
  if (!device || device->DuplicateSoundBuffer(record->buffer, &duplicate) != platform::DS_OK ||
      !duplicate)
    return 0;
  auto* instance = static_cast<SoundInstance*>(
      ListNodeAdd(&record->instances, ListNodeBytes(sizeof(SoundInstance))));
  if (!instance) {
    duplicate->Release();
    return 0;
  }
  instance->buffer = duplicate;
  instance->active = 1;
  duplicate->SetFrequency(record->frequency);
  duplicate->SetPan(record->pan);
  auto handle = reinterpret_cast<std::intptr_t>(instance);
  if (volume != -1)
    SoundSetVolume(sound, volume, handle);
  else
    duplicate->SetVolume(record->volume);
  duplicate->Play(0, 0, PlayFlags(flags));
  return handle;
}

}  // namespace

std::intptr_t SoundPlay(ObjectId sound, std::uint32_t flags, std::int32_t volume) {
  if (!SoundTable) return 0;
  auto* record = static_cast<SoundRecord*>(ObjectTableLookup(SoundTable, sound));
  if (!record) return 0;
  if (record->decoder) return StreamPlay(sound, record, flags, volume);
  if (flags & SoundFlagOverlap) return OverlapPlay(sound, record, flags, volume);
  ChannelStop(record->buffer);
  if (volume != -1) SoundSetVolume(sound, volume);
  if (record->buffer->Play(0, 0, PlayFlags(flags)) != platform::DS_OK) return 0;
  record->active.store(1);
  return 1;
}

void SoundStop(ObjectId sound, std::intptr_t channel) {
  if (!SoundTable) return;
  if (sound == ObjectIdAuto) {
    ObjectTableEnumStart(SoundTable);
    ObjectId each;
    while (ObjectTableEnumNext(SoundTable, &each)) SoundStop(each, -1);
    return;
  }
  auto* record = static_cast<SoundRecord*>(ObjectTableLookup(SoundTable, sound));
  if (!record) return;
  if (channel == 0 || channel == -1) {
    ChannelStop(record->buffer);
    if (channel == -1) {
      for (ListNode* node = record->instances; node; node = node->next) {
        auto* instance = static_cast<SoundInstance*>(ListNodePayload(node));
        ChannelStop(instance->buffer);
        instance->active = 0;
      }
    }
    record->active.store(0);
    return;
  }
  if (ListNodeFind(record->instances, reinterpret_cast<void*>(channel))) {
    auto* instance = reinterpret_cast<SoundInstance*>(channel);
    ChannelStop(instance->buffer);
    instance->active = 0;
  }
}

void SoundRelease(ObjectId sound) {
  if (!SoundTable) return;
  if (sound == ObjectIdAuto) {
    ObjectTableFreeAll(SoundTable);
    return;
  }
  auto* record = static_cast<SoundRecord*>(ObjectTableLookup(SoundTable, sound));
  if (!record) return;
  if (record->decoder) {
    record->active.store(0);
    while (record->workerRunning.load()) WorkerYield();
    SoundDecoderFree(record->decoder);
    record->decoder = nullptr;
  }
  while (record->instances) {
    auto* instance = static_cast<SoundInstance*>(ListNodePayload(record->instances));
    instance->buffer->Release();
    ListNodeRemove(&record->instances, instance);
  }
  record->buffer->Release();
  record->buffer = nullptr;
  ObjectTableRelease(SoundTable, sound);
}

}  // namespace engine
