#include "input/keyboard.h"

#include "runtime/main_heap.h"
#include "screen/screen.h"

namespace engine {

namespace {

struct DirectInputShared {
  platform::DirectInput7* object = nullptr;
  bool libraryLoaded = false;
  std::int32_t users = 0;
};

struct Keyboard {
  std::int32_t initCalled = 0;
  KeyboardStateValue state = KeyboardNone;
  platform::DirectInputDevice7* device = nullptr;
  platform::DIDATAFORMAT format{};
  std::uint8_t snapshot[platform::kKeyCount] = {};
};

DirectInputShared gInput;
Keyboard gKeyboard;

constexpr std::uint32_t kCooperativeLevel =
    platform::DISCL_NONEXCLUSIVE | platform::DISCL_FOREGROUND | platform::DISCL_NOWINKEY;  // 22

// One optional button per key code, at the offset of its code. The object table lives on
// MainHeap until it is destroyed.
bool KeyboardDataFormatBuild() {
  auto* objects = static_cast<platform::DIOBJECTDATAFORMAT*>(
      MainHeapAllocZero(sizeof(platform::DIOBJECTDATAFORMAT) * platform::kKeyCount));
  if (!objects) return false;
  for (std::uint32_t k = 0; k < platform::kKeyCount; ++k) {
    objects[k].pguid = &platform::GUID_Key;
    objects[k].dwOfs = k;
    objects[k].dwType =
        platform::DIDFT_OPTIONAL | platform::DIDFT_BUTTON | platform::DIDFT_MAKEINSTANCE(k);
    objects[k].dwFlags = 0;
  }
  gKeyboard.format.dwSize = sizeof(platform::DIDATAFORMAT);
  gKeyboard.format.dwObjSize = sizeof(platform::DIOBJECTDATAFORMAT);
  gKeyboard.format.dwFlags = platform::DIDF_RELAXIS;
  gKeyboard.format.dwDataSize = platform::kKeyCount;
  gKeyboard.format.dwNumObjs = platform::kKeyCount;
  gKeyboard.format.rgodf = objects;
  return true;
}

}  // namespace

platform::DirectInput7* DirectInputAcquire() {
  if (!gInput.object) {
    platform::Host& host = platform::HostGet();
    gInput.libraryLoaded = host.LibraryAvailable("DINPUT.DLL");
    if (gInput.libraryLoaded)
      platform::DirectInputCreateEx(host, platform::DIRECTINPUT_VERSION_7,
                                    platform::IID_IDirectInput7A, &gInput.object, nullptr);
  }
  ++gInput.users;
  return gInput.object;
}

void DirectInputRelease() {
  --gInput.users;
  if (gInput.object && gInput.users == 0) {
    gInput.object->Release();
    gInput.object = nullptr;
    gInput.libraryLoaded = false;
  }
}

int KeyboardInit() {
  platform::DirectInput7* input = DirectInputAcquire();
  gKeyboard.initCalled = 1;
  if (!input) return 0;
  if (gKeyboard.state != KeyboardNone) return 1;
  if (!KeyboardDataFormatBuild()) return 0;
  if (!gKeyboard.device &&
      input->CreateDeviceEx(platform::GUID_SysKeyboard, platform::IID_IDirectInputDevice7A,
                            &gKeyboard.device, nullptr) != platform::DI_OK)
    return 0;
  if (gKeyboard.device->SetDataFormat(&gKeyboard.format) != platform::DI_OK) return 0;
  gKeyboard.state = KeyboardNeedsAcquire;
  return 1;
}

int KeyboardPoll() {
  if (!gKeyboard.device) return 0;
  if (gKeyboard.state == KeyboardNeedsAcquire) {
    gKeyboard.device->SetCooperativeLevel(ScreenWindow(), kCooperativeLevel);
    gKeyboard.device->Acquire();
    gKeyboard.state = KeyboardReady;
  }
  if (gKeyboard.device->GetDeviceState(platform::kKeyCount, gKeyboard.snapshot) !=
      platform::DI_OK) {
    gKeyboard.state = KeyboardNeedsAcquire;
    return 0;
  }
  return 1;
}

int KeyIsDown(std::int32_t key) {
  if (gKeyboard.state != KeyboardReady) return 0;
  if (key == -1) {
    for (std::uint32_t k = 0; k < platform::kKeyCount - 1; ++k)
      if (gKeyboard.snapshot[k] & 0x80) return 1;
    return 0;
  }
  if (key < 0 || key >= static_cast<std::int32_t>(platform::kKeyCount)) return 0;
  return gKeyboard.snapshot[key] & 0x80;
}

void KeyboardRelease() {
  if (!gKeyboard.initCalled) return;
  if (gKeyboard.device) {
    gKeyboard.device->Unacquire();
    gKeyboard.device->Release();
  }
  DirectInputRelease();
  // The data format's object table goes with MainHeap; the next start builds a new one.
  gKeyboard = Keyboard{};
}

KeyboardStateValue KeyboardStateGet() {
  return gKeyboard.state;
}
std::int32_t DirectInputUsers() {
  return gInput.users;
}
const platform::DIDATAFORMAT* KeyboardDataFormatGet() {
  return gKeyboard.format.rgodf ? &gKeyboard.format : nullptr;
}

}  // namespace engine
