#include "platform/graphics/direct3d.h"

#include <new>

namespace platform {

namespace {

bool BackBufferFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

}  // namespace

Direct3D9* Direct3DCreate9(Host& host, std::uint32_t sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION || host.DisplayModes().empty()) return nullptr;
  return new (std::nothrow) Direct3D9(host);
}

std::uint32_t Direct3D9::GetAdapterModeCount(std::uint32_t adapter, D3DFORMAT format) const {
  if (adapter != D3DADAPTER_DEFAULT) return 0;
  std::uint32_t count = 0;
  for (const DisplayMode& mode : host_.DisplayModes()) {
    if (mode.format == format) ++count;
  }
  return count;
}

HRESULT Direct3D9::CheckDeviceType(std::uint32_t adapter, std::uint32_t deviceType,
                                   D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                                   std::int32_t) const {
  if (adapter != D3DADAPTER_DEFAULT || deviceType != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
  if (!BackBufferFormat(displayFormat) || backBufferFormat != displayFormat ||
      GetAdapterModeCount(adapter, displayFormat) == 0) {
    return D3DERR_NOTAVAILABLE;
  }
  return D3D_OK;
}

HRESULT Direct3D9::GetDeviceCaps(std::uint32_t adapter, std::uint32_t deviceType,
                                 D3DCAPS9* caps) const {
  if (!caps || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (deviceType != D3DDEVTYPE_HAL || capsFail_) return D3DERR_NOTAVAILABLE;
  *caps = D3DCAPS9{};
  caps->DeviceType = D3DDEVTYPE_HAL;
  caps->AdapterOrdinal = adapter;
  caps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
  caps->DevCaps = hardwareTransform_ ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0;
  caps->TextureCaps = D3DPTEXTURECAPS_ALPHA;  // and no POW2: any texture size works
  caps->MaxTextureWidth = Direct3DSurface9::kMaxSize;
  caps->MaxTextureHeight = Direct3DSurface9::kMaxSize;
  caps->MaxSimultaneousTextures = 1;
  return D3D_OK;
}

HRESULT Direct3D9::CreateDevice(std::uint32_t adapter, std::uint32_t deviceType,
                                WindowHandle focusWindow, std::uint32_t behaviourFlags,
                                D3DPRESENT_PARAMETERS* params, Direct3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!params || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  std::uint32_t processing =
      behaviourFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                        D3DCREATE_MIXED_VERTEXPROCESSING);
  if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
    return D3DERR_INVALIDCALL;
  }
  if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && !hardwareTransform_) {
    return D3DERR_INVALIDCALL;
  }
  if (createDeviceFail_) return D3DERR_NOTAVAILABLE;
  Ref<Direct3DDevice9> device(new (std::nothrow)
                                  Direct3DDevice9(host_, focusWindow, behaviourFlags));
  if (!device) return E_OUTOFMEMORY;
  HRESULT hr = device->BackBufferBuild(params);
  if (Failed(hr)) return hr;
  *out = device.Detach();
  return D3D_OK;
}

}  // namespace platform
