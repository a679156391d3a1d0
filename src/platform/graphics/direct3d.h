#pragma once

// The graphics system object: adapter 0 is the host's display. It answers what the display can
// show and creates the software device. Including this header gives the whole device interface.
// Main thread only.

#include <cstdint>

#include "platform/graphics/device.h"
#include "platform/graphics/graphics.h"
#include "platform/graphics/ref_counted.h"
#include "platform/graphics/surface.h"
#include "platform/graphics/texture.h"
#include "platform/host/host.h"

namespace platform {

class Direct3D9 final : public RefCounted {
 public:
  std::uint32_t GetAdapterCount() const { return 1; }
  // Number of the host's display modes in `format` (0 for another adapter).
  std::uint32_t GetAdapterModeCount(std::uint32_t adapter, D3DFORMAT format) const;
  // D3D_OK when the host has a mode in displayFormat, which is one of the back-buffer formats
  // X8R8G8B8, R5G6B5 and X1R5G5B5, and backBufferFormat is the same; D3DERR_NOTAVAILABLE
  // otherwise; D3DERR_INVALIDCALL for another adapter or device type than D3DDEVTYPE_HAL.
  HRESULT CheckDeviceType(std::uint32_t adapter, std::uint32_t deviceType, D3DFORMAT displayFormat,
                          D3DFORMAT backBufferFormat, std::int32_t windowed) const;
  // Capabilities of the software device. DevCaps reports no D3DDEVCAPS_HWTRANSFORMANDLIGHT
  // unless HardwareTransformSet(true): vertices are processed in software.
  HRESULT GetDeviceCaps(std::uint32_t adapter, std::uint32_t deviceType, D3DCAPS9* caps) const;
  // Creates the device with a back buffer as `params` asks (any size from 1 to 16384, formats
  // X8R8G8B8, R5G6B5, X1R5G5B5 that CheckDeviceType accepts, one back buffer, no multisampling;
  // a windowed zero size takes the window's size). Exactly one vertex-processing flag;
  // hardware or mixed processing need the hardware-transform capability. On success *out holds
  // the caller's reference and `params` carries the values in use.
  HRESULT CreateDevice(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                       std::uint32_t behaviourFlags, D3DPRESENT_PARAMETERS* params,
                       Direct3DDevice9** out);

  // --- Test controls.
  void HardwareTransformSet(bool reported) { hardwareTransform_ = reported; }
  void DeviceCapsFailSet(bool fail) { capsFail_ = fail; }
  void CreateDeviceFailSet(bool fail) { createDeviceFail_ = fail; }
  Host& GetHost() const { return host_; }

 private:
  friend Direct3D9* Direct3DCreate9(Host& host, std::uint32_t sdkVersion);
  explicit Direct3D9(Host& host) : host_(host) {}
  ~Direct3D9() override = default;

  Host& host_;
  bool hardwareTransform_ = false;
  bool capsFail_ = false;
  bool createDeviceFail_ = false;
};

// A new graphics system object on the host's display (the caller owns one reference), or null
// when the host has no display or sdkVersion is not D3D_SDK_VERSION. The host must outlive it
// and every device it creates.
Direct3D9* Direct3DCreate9(Host& host, std::uint32_t sdkVersion);

}  // namespace platform
