#include "sound/sound_decoder.h"

#include <algorithm>

namespace engine {

namespace {

struct DecoderList {
  const SoundDecoder* entries[kSoundDecoderCapacity];
  int count;
};
DecoderList gDecoders;

}  // namespace

int SoundDecoderRegister(const SoundDecoder* decoder) {
  if (!decoder || !decoder->Open || !decoder->Read || !decoder->Rewind || !decoder->ChannelCount ||
      !decoder->FrameCount || !decoder->SampleRate || !decoder->Free)
    return 0;
  const SoundDecoder** end = gDecoders.entries + gDecoders.count;
  if (std::find(gDecoders.entries, end, decoder) != end) return 1;
  if (gDecoders.count == kSoundDecoderCapacity) return 0;
  gDecoders.entries[gDecoders.count++] = decoder;
  return 1;
}

int SoundDecoderCount() {
  return gDecoders.count;
}

void SoundDecoderListClear() {
  gDecoders = DecoderList{};
}

SoundDecoderObject* SoundDecoderOpen(const char* path, const void* data, std::size_t size,
                                     std::uint32_t flags) {
  if (path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    for (int i = 0; i < gDecoders.count; ++i) {
      std::fseek(file, 0, SEEK_SET);
      if (SoundDecoderObject* object = gDecoders.entries[i]->Open(file, nullptr, 0, flags)) {
        object->ops = gDecoders.entries[i];
        object->file = file;
        return object;
      }
    }
    std::fclose(file);
    return nullptr;
  }
  if (!data) return nullptr;
  for (int i = 0; i < gDecoders.count; ++i) {
    if (SoundDecoderObject* object = gDecoders.entries[i]->Open(nullptr, data, size, flags)) {
      object->ops = gDecoders.entries[i];
      object->file = nullptr;
      return object;
    }
  }
  return nullptr;
}

void SoundDecoderFree(SoundDecoderObject* object) {
  if (object) object->ops->Free(object);
}

}  // namespace engine
