#include "sound/sound.h"

#include "platform/host/host.h"
#include "platform/ref_counted.h"
#include "screen/media_window.h"

namespace engine {

namespace {

constexpr std::int32_t kSoundTableCapacity = 64;

// The primary buffer only proves that the device can play; it is kept until SoundEnd.
platform::Ref<platform::SoundBuffer> gPrimary;

}  // namespace

int SoundInit() {
  // A table that exists already keeps its sounds: a second start must not orphan them.
  if (!SoundTable)
    SoundTable = ObjectTableCreate(sizeof(SoundRecord), kSoundTableCapacity, SoundRelease);
  if (!SoundTable) return 0;
  SoundVolumeTableFill();
  if (!MediaWindowCreate()) return 0;
  if (SoundDevice()) return 1;

  platform::Host& host = platform::HostGet();
  if (!host.LibraryAvailable("DSOUND.DLL")) return 0;
  // The device is kept only once every step has worked, so that "the device exists" means
  // that the library started.
  platform::Ref<platform::DirectSound> device(platform::DirectSoundCreate(host));
  if (!device) return 0;
  if (device->SetCooperativeLevel(MediaWindowHandle(), platform::DSSCL_PRIORITY) != platform::DS_OK)
    return 0;
  platform::DSBUFFERDESC desc;
  desc.dwSize = kSoundBufferDescBytes;
  desc.dwFlags = platform::DSBCAPS_PRIMARYBUFFER;
  desc.dwBufferBytes = 0;
  desc.dwReserved = 0;
  desc.lpwfxFormat = nullptr;
  platform::SoundBuffer* primary = nullptr;
  if (device->CreateSoundBuffer(&desc, &primary) != platform::DS_OK) return 0;
  gPrimary = platform::Ref<platform::SoundBuffer>(primary);
  SoundDeviceSet(device.Get());
  return 1;
}

void SoundEnd() {
  if (!SoundTable) return;
  ObjectTableFreeAll(SoundTable);
  // The table itself goes with MainHeap; forgetting it marks the library as ended.
  SoundTable = nullptr;
  gPrimary.Reset();
  SoundDeviceSet(nullptr);
  SoundDecoderListClear();
}

}  // namespace engine
