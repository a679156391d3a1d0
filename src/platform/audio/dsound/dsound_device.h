#pragma once

// The system's DirectSound behind the sound-device interface (DirectSound, SoundBuffer): every
// call goes to the real device and buffers with the same arguments and units, so the engine's
// sound and module libraries play through the system's mixer. Result codes are the system's;
// DS_OK is 0 and every failure is negative, as the interface promises.

#include "platform/audio/direct_sound.h"

namespace platform {

// The default sound device, made by the "DirectSoundCreate" entry of the loaded "DSOUND.DLL"
// module `library`. Null when the module or its entry point is missing or the device cannot
// be made. Main thread.
DirectSound* DsoundDeviceCreate(void* library);

}  // namespace platform
