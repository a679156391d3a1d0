#include "sound/sound_volume.h"

#include <cmath>

#include "platform/audio/sound_types.h"
#include "sound/sound_device.h"
#include "sound/sound_record.h"

namespace engine {

std::int32_t SoundVolumeTable[kSoundVolumeCount];

void SoundVolumeTableFill() {
  SoundVolumeTable[0] = 0;
  SoundVolumeTable[100] = 10000;
  // The product is taken with 20 first and then with 100, in double precision, so that exact
  // powers of ten land on exact values (volume 10 gives 8000, not 7999).
  for (int v = 1; v < 100; ++v)
    SoundVolumeTable[v] = static_cast<std::int32_t>(std::log10(1000.0 * v) * 20.0 * 100.0);
}

std::int32_t SoundVolumeAttenuation(std::int64_t volume) {
  if (volume > 100) volume = 100;
  if (volume < 0) volume = 0;
  return SoundVolumeTable[volume] - 10000;
}

void SoundSetVolume(ObjectId sound, std::int32_t volume, std::intptr_t channel) {
  if (!SoundTable) return;
  if (sound == ObjectIdAuto) {
    ObjectTableEnumStart(SoundTable);
    ObjectId each;
    while (ObjectTableEnumNext(SoundTable, &each)) SoundSetVolume(each, volume, -1);
    return;
  }
  auto* record = static_cast<SoundRecord*>(ObjectTableLookup(SoundTable, sound));
  if (!record) return;
  std::int32_t attenuation = SoundVolumeAttenuation(volume);
  if (channel == 0 || channel == -1) record->buffer->SetVolume(attenuation);
  if (channel == -1) {
    for (ListNode* node = record->instances; node; node = node->next)
      static_cast<SoundInstance*>(ListNodePayload(node))->buffer->SetVolume(attenuation);
    return;
  }
  if (channel != 0 && ListNodeFind(record->instances, reinterpret_cast<void*>(channel)))
    reinterpret_cast<SoundInstance*>(channel)->buffer->SetVolume(attenuation);
}

}  // namespace engine
