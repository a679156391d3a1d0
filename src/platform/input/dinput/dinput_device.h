#pragma once

// The system's DirectInput 7 behind the keyboard-device interface (DirectInput7,
// DirectInputDevice7). The engine's data format (one optional button per key code) is handed
// over as the system's own records, built at run time, so no predefined format of the system
// is needed. Result codes are the system's: 0 for success, negative for failure.

#include <cstdint>

#include "platform/input/keyboard_device.h"

namespace platform {

// The input object, made by the "DirectInputCreateEx" entry of the loaded "DINPUT.DLL" module
// `library` for the program's module `instance`. *out stays null when the module or its entry
// point is missing or the system refuses. Main thread.
HRESULT DinputCreate(void* library, void* instance, std::uint32_t version, const GUID& iid,
                     DirectInput7** out);

}  // namespace platform
