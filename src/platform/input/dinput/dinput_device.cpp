// Platform headers first: the system's headers define macros with the names of the platform's
// constants (DI_OK, DIERR_..., DIDFT_...); below this point those names are the system's.
#include "platform/input/dinput/dinput_device.h"

#define WIN32_LEAN_AND_MEAN
#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>

#include <dinput.h>

#include <cstring>
#include <new>
#include <vector>

namespace platform {

namespace {

// The interface's GUID has the system's layout; copying keeps the two types apart.
::GUID GuidToSystem(const GUID& guid) {
  static_assert(sizeof(::GUID) == sizeof(GUID));
  ::GUID system;
  std::memcpy(&system, &guid, sizeof(system));
  return system;
}

// No format has more objects than a keyboard has key codes; more is a malformed record.
constexpr std::uint32_t kMaxObjects = 256;

class DinputDevice final : public DirectInputDevice7 {
 public:
  explicit DinputDevice(IDirectInputDevice7A* device) : device_(device) {}

  HRESULT SetDataFormat(const DIDATAFORMAT* format) override {
    if (!format || !format->rgodf || format->dwNumObjs > kMaxObjects) return DIERR_INVALIDPARAM;
    // The system reads the records during the call only, so they are built here and dropped.
    std::vector<::GUID> guids(format->dwNumObjs);
    std::vector<::DIOBJECTDATAFORMAT> objects(format->dwNumObjs);
    for (std::uint32_t k = 0; k < format->dwNumObjs; ++k) {
      const DIOBJECTDATAFORMAT& object = format->rgodf[k];
      if (object.pguid) {
        guids[k] = GuidToSystem(*object.pguid);
        objects[k].pguid = &guids[k];
      }
      objects[k].dwOfs = object.dwOfs;
      objects[k].dwType = object.dwType;
      objects[k].dwFlags = object.dwFlags;
    }
    ::DIDATAFORMAT system{};
    system.dwSize = sizeof(system);
    system.dwObjSize = sizeof(::DIOBJECTDATAFORMAT);
    system.dwFlags = format->dwFlags;
    system.dwDataSize = format->dwDataSize;
    system.dwNumObjs = format->dwNumObjs;
    system.rgodf = objects.data();
    return device_->SetDataFormat(&system);
  }
  HRESULT SetCooperativeLevel(WindowHandle window, std::uint32_t flags) override {
    return device_->SetCooperativeLevel(reinterpret_cast<HWND>(window), flags);
  }
  HRESULT Acquire() override { return device_->Acquire(); }
  HRESULT Unacquire() override { return device_->Unacquire(); }
  HRESULT GetDeviceState(std::uint32_t bytes, void* data) override {
    return device_->GetDeviceState(bytes, data);
  }

 private:
  ~DinputDevice() override { device_->Release(); }

  IDirectInputDevice7A* device_;
};

class DinputObject final : public DirectInput7 {
 public:
  explicit DinputObject(IDirectInput7A* input) : input_(input) {}

  HRESULT CreateDeviceEx(const GUID& device, const GUID& iid, DirectInputDevice7** out,
                         void* outer) override {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    const ::GUID deviceGuid = GuidToSystem(device);
    const ::GUID iidGuid = GuidToSystem(iid);
    void* made = nullptr;
    const ::HRESULT hr =
        input_->CreateDeviceEx(deviceGuid, iidGuid, &made, static_cast<LPUNKNOWN>(outer));
    if (FAILED(hr) || !made) return FAILED(hr) ? hr : E_FAIL;
    auto* system = static_cast<IDirectInputDevice7A*>(made);
    *out = new (std::nothrow) DinputDevice(system);
    if (*out) return DI_OK;
    system->Release();
    return E_OUTOFMEMORY;
  }

 private:
  ~DinputObject() override { input_->Release(); }

  IDirectInput7A* input_;
};

using DirectInputCreateExEntry = ::HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);

}  // namespace

HRESULT DinputCreate(void* library, void* instance, std::uint32_t version, const GUID& iid,
                     DirectInput7** out) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (!library) return DIERR_NOTINITIALIZED;
  auto create = reinterpret_cast<DirectInputCreateExEntry>(reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(library), "DirectInputCreateEx")));
  if (!create) return DIERR_NOTINITIALIZED;
  const ::GUID system = GuidToSystem(iid);
  void* made = nullptr;
  const ::HRESULT hr = create(static_cast<HINSTANCE>(instance), version, system, &made, nullptr);
  if (FAILED(hr) || !made) return FAILED(hr) ? hr : E_FAIL;
  auto* input = static_cast<IDirectInput7A*>(made);
  *out = new (std::nothrow) DinputObject(input);
  if (*out) return DI_OK;
  input->Release();
  return E_OUTOFMEMORY;
}

}  // namespace platform
