#pragma once

// Numbers and records of the graphics device interface: formats, result codes, states, flags
// and the records passed to the device. The values are the ones the engine's screen and sprite
// code are written against; the software device (direct3d.h, device.h) understands them.

#include <cstdint>

#include "platform/graphics/rect.h"
#include "platform/host/host.h"

namespace platform {

using HRESULT = std::int32_t;
using D3DCOLOR = std::uint32_t;  // 0xAARRGGBB
using D3DFORMAT = std::uint32_t;

constexpr bool Succeeded(HRESULT hr) {
  return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
  return hr < 0;
}

// --- Result codes.
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
constexpr HRESULT D3DERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = static_cast<HRESULT>(0x88760827u);
constexpr HRESULT D3DERR_NOTFOUND = static_cast<HRESULT>(0x88760866u);
constexpr HRESULT D3DERR_MOREDATA = static_cast<HRESULT>(0x88760867u);
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = static_cast<HRESULT>(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);

constexpr std::uint32_t D3D_SDK_VERSION = 32;
constexpr std::uint32_t D3DADAPTER_DEFAULT = 0;

// --- Formats. Texel layouts, as little-endian words: A8R8G8B8 / X8R8G8B8 0xAARRGGBB (bytes
// blue, green, red, alpha in memory); R5G6B5 red 11-15, green 5-10, blue 0-4; X1R5G5B5 /
// A1R5G5B5 alpha 15, red 10-14, green 5-9, blue 0-4.
constexpr D3DFORMAT D3DFMT_UNKNOWN = 0;
constexpr D3DFORMAT D3DFMT_A8R8G8B8 = 21;
constexpr D3DFORMAT D3DFMT_X8R8G8B8 = 22;
constexpr D3DFORMAT D3DFMT_R5G6B5 = 23;
constexpr D3DFORMAT D3DFMT_X1R5G5B5 = 24;
constexpr D3DFORMAT D3DFMT_A1R5G5B5 = 25;

// Bytes per pixel of a format the device supports; 0 for any other.
constexpr int FormatBytes(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
      return 2;
    default:
      return 0;
  }
}

// --- Device types, creation flags and capabilities.
constexpr std::uint32_t D3DDEVTYPE_HAL = 1;
constexpr std::uint32_t D3DDEVTYPE_REF = 2;
constexpr std::uint32_t D3DDEVTYPE_SW = 3;

constexpr std::uint32_t D3DCREATE_FPU_PRESERVE = 0x2;
constexpr std::uint32_t D3DCREATE_MULTITHREADED = 0x4;
constexpr std::uint32_t D3DCREATE_PUREDEVICE = 0x10;
constexpr std::uint32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr std::uint32_t D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr std::uint32_t D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;

constexpr std::uint32_t D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x10000;
constexpr std::uint32_t D3DPTEXTURECAPS_POW2 = 0x2;  // never reported: any size works
constexpr std::uint32_t D3DPTEXTURECAPS_ALPHA = 0x4;

// --- Presentation.
constexpr std::uint32_t D3DSWAPEFFECT_DISCARD = 1;
constexpr std::uint32_t D3DSWAPEFFECT_FLIP = 2;
constexpr std::uint32_t D3DSWAPEFFECT_COPY = 3;
constexpr std::uint32_t D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 1;
constexpr std::uint32_t D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr std::uint32_t D3DPRESENT_INTERVAL_ONE = 1;
constexpr std::uint32_t D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;
constexpr std::uint32_t D3DMULTISAMPLE_NONE = 0;
constexpr std::uint32_t D3DBACKBUFFER_TYPE_MONO = 0;

// --- Clearing.
constexpr std::uint32_t D3DCLEAR_TARGET = 1;
constexpr std::uint32_t D3DCLEAR_ZBUFFER = 2;
constexpr std::uint32_t D3DCLEAR_STENCIL = 4;

// --- Resources.
constexpr std::uint32_t D3DPOOL_DEFAULT = 0;
constexpr std::uint32_t D3DPOOL_MANAGED = 1;
constexpr std::uint32_t D3DPOOL_SYSTEMMEM = 2;
constexpr std::uint32_t D3DPOOL_SCRATCH = 3;

constexpr std::uint32_t D3DUSAGE_RENDERTARGET = 0x1;
constexpr std::uint32_t D3DUSAGE_DYNAMIC = 0x200;

constexpr std::uint32_t D3DRTYPE_SURFACE = 1;
constexpr std::uint32_t D3DRTYPE_TEXTURE = 3;

constexpr std::uint32_t D3DLOCK_READONLY = 0x10;
constexpr std::uint32_t D3DLOCK_NOSYSLOCK = 0x800;
constexpr std::uint32_t D3DLOCK_NOOVERWRITE = 0x1000;
constexpr std::uint32_t D3DLOCK_DISCARD = 0x2000;
constexpr std::uint32_t D3DLOCK_DONOTWAIT = 0x4000;
constexpr std::uint32_t D3DLOCK_NO_DIRTY_UPDATE = 0x8000;

// --- Render states and their values. Defaults after creation and after Reset are marked.
constexpr std::uint32_t D3DRS_ZENABLE = 7;                 // default 0 (no depth buffer)
constexpr std::uint32_t D3DRS_SRCBLEND = 19;               // default D3DBLEND_ONE
constexpr std::uint32_t D3DRS_DESTBLEND = 20;              // default D3DBLEND_ZERO
constexpr std::uint32_t D3DRS_CULLMODE = 22;               // default D3DCULL_CCW
constexpr std::uint32_t D3DRS_ALPHABLENDENABLE = 27;       // default 0
constexpr std::uint32_t D3DRS_LIGHTING = 137;              // default 1; no effect on XYZRHW
constexpr std::uint32_t D3DRS_MULTISAMPLEANTIALIAS = 161;  // default 1; no effect here

constexpr std::uint32_t D3DBLEND_ZERO = 1;
constexpr std::uint32_t D3DBLEND_ONE = 2;
constexpr std::uint32_t D3DBLEND_SRCCOLOR = 3;
constexpr std::uint32_t D3DBLEND_INVSRCCOLOR = 4;
constexpr std::uint32_t D3DBLEND_SRCALPHA = 5;
constexpr std::uint32_t D3DBLEND_INVSRCALPHA = 6;
constexpr std::uint32_t D3DBLEND_DESTALPHA = 7;
constexpr std::uint32_t D3DBLEND_INVDESTALPHA = 8;
constexpr std::uint32_t D3DBLEND_DESTCOLOR = 9;
constexpr std::uint32_t D3DBLEND_INVDESTCOLOR = 10;

constexpr std::uint32_t D3DCULL_NONE = 1;
constexpr std::uint32_t D3DCULL_CW = 2;
constexpr std::uint32_t D3DCULL_CCW = 3;

// --- Texture stage states (stage 0 defaults: COLOROP MODULATE, ALPHAOP SELECTARG1, ARG1 TEXTURE,
// ARG2 CURRENT; other stages DISABLE). Without vertex colours, diffuse and current are white.
constexpr std::uint32_t D3DTSS_COLOROP = 1;
constexpr std::uint32_t D3DTSS_COLORARG1 = 2;
constexpr std::uint32_t D3DTSS_COLORARG2 = 3;
constexpr std::uint32_t D3DTSS_ALPHAOP = 4;
constexpr std::uint32_t D3DTSS_ALPHAARG1 = 5;
constexpr std::uint32_t D3DTSS_ALPHAARG2 = 6;

constexpr std::uint32_t D3DTOP_DISABLE = 1;
constexpr std::uint32_t D3DTOP_SELECTARG1 = 2;
constexpr std::uint32_t D3DTOP_SELECTARG2 = 3;
constexpr std::uint32_t D3DTOP_MODULATE = 4;

constexpr std::uint32_t D3DTA_DIFFUSE = 0;
constexpr std::uint32_t D3DTA_CURRENT = 1;
constexpr std::uint32_t D3DTA_TEXTURE = 2;

// --- Sampler states. Sampling is always nearest-texel; the filters are stored only.
constexpr std::uint32_t D3DSAMP_ADDRESSU = 1;  // default D3DTADDRESS_WRAP
constexpr std::uint32_t D3DSAMP_ADDRESSV = 2;
constexpr std::uint32_t D3DSAMP_MAGFILTER = 5;
constexpr std::uint32_t D3DSAMP_MINFILTER = 6;
constexpr std::uint32_t D3DSAMP_MIPFILTER = 7;

constexpr std::uint32_t D3DTADDRESS_WRAP = 1;
constexpr std::uint32_t D3DTADDRESS_CLAMP = 3;

constexpr std::uint32_t D3DTEXF_NONE = 0;
constexpr std::uint32_t D3DTEXF_POINT = 1;
constexpr std::uint32_t D3DTEXF_LINEAR = 2;

// --- Primitives and vertex formats.
constexpr std::uint32_t D3DPT_TRIANGLELIST = 4;
constexpr std::uint32_t D3DPT_TRIANGLESTRIP = 5;
constexpr std::uint32_t D3DPT_TRIANGLEFAN = 6;

constexpr std::uint32_t D3DFVF_XYZRHW = 0x004;
constexpr std::uint32_t D3DFVF_TEX1 = 0x100;

// --- Device contexts.
constexpr std::uint32_t SRCCOPY = 0x00CC0020u;

// --- Records.
struct D3DPRESENT_PARAMETERS {
  std::uint32_t BackBufferWidth = 0;
  std::uint32_t BackBufferHeight = 0;
  D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
  std::uint32_t BackBufferCount = 0;
  std::uint32_t MultiSampleType = 0;
  std::uint32_t MultiSampleQuality = 0;
  std::uint32_t SwapEffect = 0;
  WindowHandle hDeviceWindow = 0;
  std::int32_t Windowed = 0;
  std::int32_t EnableAutoDepthStencil = 0;
  D3DFORMAT AutoDepthStencilFormat = D3DFMT_UNKNOWN;
  std::uint32_t Flags = 0;
  std::uint32_t FullScreen_RefreshRateInHz = 0;
  std::uint32_t PresentationInterval = 0;
};

struct D3DCAPS9 {
  std::uint32_t DeviceType = 0;
  std::uint32_t AdapterOrdinal = 0;
  std::uint32_t Caps = 0;
  std::uint32_t Caps2 = 0;
  std::uint32_t PresentationIntervals = 0;
  std::uint32_t DevCaps = 0;
  std::uint32_t TextureCaps = 0;
  std::uint32_t MaxTextureWidth = 0;
  std::uint32_t MaxTextureHeight = 0;
  std::uint32_t MaxSimultaneousTextures = 0;
};

struct D3DLOCKED_RECT {
  std::int32_t Pitch = 0;  // bytes from one row to the next
  void* pBits = nullptr;   // first texel of the locked rectangle
};

struct D3DSURFACE_DESC {
  D3DFORMAT Format = D3DFMT_UNKNOWN;
  std::uint32_t Type = 0;
  std::uint32_t Usage = 0;
  std::uint32_t Pool = 0;
  std::uint32_t MultiSampleType = 0;
  std::uint32_t MultiSampleQuality = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
};

// One pre-transformed, textured vertex (D3DFVF_XYZRHW | D3DFVF_TEX1, 24 bytes).
struct VertexXyzrhwTex1 {
  float x, y, z, rhw;
  float u, v;
};
static_assert(sizeof(VertexXyzrhwTex1) == 24);

}  // namespace platform
