#pragma once

// The keyboard device in the shape of the input API the engine uses: a data format, a
// cooperative level on a window, acquisition, and a 256-byte state read indexed by key code
// (bit 7 set while down). Foreground only: when the cooperative window is not in the foreground,
// or lost the focus since the device was acquired, reading the state fails until it is acquired
// again. Main thread only.

#include <cstdint>

#include "platform/host/host.h"
#include "platform/input/key_codes.h"
#include "platform/ref_counted.h"

namespace platform {

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
bool operator==(const GUID& a, const GUID& b);

extern const GUID GUID_Key;
extern const GUID GUID_SysKeyboard;
extern const GUID IID_IDirectInput7A;
extern const GUID IID_IDirectInputDevice7A;

constexpr HRESULT DI_OK = 0;
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005u);

constexpr std::uint32_t DIRECTINPUT_VERSION_7 = 0x0700;
constexpr std::uint32_t DIDF_RELAXIS = 2;
constexpr std::uint32_t DIDFT_BUTTON = 0x0000000Cu;
constexpr std::uint32_t DIDFT_OPTIONAL = 0x80000000u;
constexpr std::uint32_t DIDFT_MAKEINSTANCE(std::uint32_t n) {
  return (n & 0xFFFFu) << 8;
}
constexpr std::uint32_t DISCL_EXCLUSIVE = 0x1, DISCL_NONEXCLUSIVE = 0x2, DISCL_FOREGROUND = 0x4,
                        DISCL_BACKGROUND = 0x8, DISCL_NOWINKEY = 0x10;

struct DIOBJECTDATAFORMAT {
  const GUID* pguid;
  std::uint32_t dwOfs;
  std::uint32_t dwType;
  std::uint32_t dwFlags;
};

struct DIDATAFORMAT {
  std::uint32_t dwSize;
  std::uint32_t dwObjSize;
  std::uint32_t dwFlags;
  std::uint32_t dwDataSize;
  std::uint32_t dwNumObjs;
  DIOBJECTDATAFORMAT* rgodf;
};

// A keyboard device: the data format, the window it cooperates with, acquisition and the state
// read. Made by DirectInput7::CreateDeviceEx.
class DirectInputDevice7 : public RefCounted {
 public:
  // Accepts the 256-byte keyboard format: one optional button per key code.
  virtual HRESULT SetDataFormat(const DIDATAFORMAT* format) = 0;
  virtual HRESULT SetCooperativeLevel(WindowHandle window, std::uint32_t flags) = 0;
  virtual HRESULT Acquire() = 0;
  virtual HRESULT Unacquire() = 0;
  // Copies the key states; fails when not acquired or the window lost the foreground.
  virtual HRESULT GetDeviceState(std::uint32_t bytes, void* data) = 0;
};

class DirectInput7 : public RefCounted {
 public:
  // The system keyboard (GUID_SysKeyboard, IID_IDirectInputDevice7A); *out stays null on
  // failure.
  virtual HRESULT CreateDeviceEx(const GUID& device, const GUID& iid, DirectInputDevice7** out,
                                 void* outer) = 0;
};

// Creates the input object through the host (Host::InputCreate); *out stays null on failure.
HRESULT DirectInputCreateEx(Host& host, std::uint32_t version, const GUID& iid, DirectInput7** out,
                            void* outer);

// The input object whose keyboard reads the host's key state (Host::KeyboardRead) and follows
// its foreground window and focus losses.
HRESULT HostInputCreate(Host& host, std::uint32_t version, const GUID& iid, DirectInput7** out);

}  // namespace platform
