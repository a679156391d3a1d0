#include "screen/screen.h"

#include "screen/media_window.h"
#include "screen/screen_state.h"
#include "sprite/sprite_store.h"

namespace engine {

namespace {

ScreenState gScreen{};

constexpr std::uint32_t kCompositionDisable = 0;  // DWM_EC_DISABLECOMPOSITION
constexpr std::uint32_t kCompositionEnable = 1;   // DWM_EC_ENABLECOMPOSITION

// The composition entry points route to the host, which is where a desktop keeps that switch.
void CompositionEnableEntry(std::uint32_t mode) {
  platform::HostGet().CompositionEnable(mode != 0);
}
std::int32_t CompositionIsEnabledEntry(std::int32_t* enabled) {
  *enabled = platform::HostGet().CompositionIsEnabled();
  return 0;
}

void CompositionLookup() {
  if (gScreen.compositionLookedUp) return;
  gScreen.compositionLookedUp = 1;
  if (!platform::HostGet().LibraryAvailable("dwmapi.dll")) return;
  gScreen.compositionEnable = CompositionEnableEntry;
  gScreen.compositionIsEnabled = CompositionIsEnabledEntry;
}

void CompositionRestore() {
  if (gScreen.compositionWasOn && gScreen.compositionEnable)
    gScreen.compositionEnable(kCompositionEnable);
}

void DrawStateCacheReset() {
  for (std::int32_t& v : gScreen.drawStateCache) v = -1;
}

// The low 16 bits of a 32-bit argument, sign-extended.
std::int32_t Low16(std::int32_t value) {
  return static_cast<std::int16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
}

int ScreenOpenFail() {
  SpriteRelease(ObjectIdAuto);
  CompositionRestore();
  return 0;
}

void BackBufferFetch() {
  if (gScreen.backBuffer) gScreen.backBuffer->Release();
  gScreen.backBuffer = nullptr;
  gScreen.device->GetBackBuffer(0, 0, platform::D3DBACKBUFFER_TYPE_MONO, &gScreen.backBuffer);
}

}  // namespace

ScreenState& ScreenStateGet() {
  return gScreen;
}

void ScreenStateForget() {
  gScreen = ScreenState{};
  SpriteTable = nullptr;
  DefaultMaskColor = 0;
  MediaWindowForget();
}

platform::WindowHandle ScreenWindow() {
  return gScreen.screenWindow;
}

platform::D3DFORMAT BackBufferFormatChoose(std::int32_t depth) {
  auto usable = [](platform::D3DFORMAT format) {
    return gScreen.direct3D->CheckDeviceType(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL,
                                             format, format, 0) == platform::D3D_OK;
  };
  if (depth == 32)
    return usable(platform::D3DFMT_X8R8G8B8) ? platform::D3DFMT_X8R8G8B8 : platform::D3DFMT_UNKNOWN;
  if (depth == 16) {
    const bool r565 = usable(platform::D3DFMT_R5G6B5);
    if (usable(platform::D3DFMT_X1R5G5B5)) return platform::D3DFMT_X1R5G5B5;
    return r565 ? platform::D3DFMT_R5G6B5 : platform::D3DFMT_UNKNOWN;
  }
  return platform::D3DFMT_UNKNOWN;
}

void PresentParametersBuild(platform::D3DPRESENT_PARAMETERS* params, std::int32_t width,
                            std::int32_t height, platform::D3DFORMAT format) {
  *params = platform::D3DPRESENT_PARAMETERS{};
  // Negative sizes (from sign-extended arguments) become huge unsigned values, which the
  // device refuses.
  params->BackBufferWidth = static_cast<std::uint32_t>(width);
  params->BackBufferHeight = static_cast<std::uint32_t>(height);
  params->BackBufferFormat = format;
  params->BackBufferCount = 1;
  params->SwapEffect = platform::D3DSWAPEFFECT_FLIP;
  params->hDeviceWindow = gScreen.screenWindow;
  params->Windowed = 0;
  params->Flags = platform::D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  params->FullScreen_RefreshRateInHz = 0;
  params->PresentationInterval = platform::D3DPRESENT_INTERVAL_ONE;
}

std::int32_t FormatBits(platform::D3DFORMAT format) {
  switch (format) {
    case platform::D3DFMT_X8R8G8B8:
      return 32;
    case platform::D3DFMT_R5G6B5:
    case platform::D3DFMT_X1R5G5B5:
      return 16;
    default:
      return 0;
  }
}

void DeviceStatesInit() {
  platform::Direct3DDevice9* d = gScreen.device;
  d->SetTextureStageState(0, platform::D3DTSS_COLOROP, platform::D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, platform::D3DTSS_ALPHAOP, platform::D3DTOP_SELECTARG1);
  d->SetSoftwareVertexProcessing(0);
  d->SetSamplerState(0, platform::D3DSAMP_MAGFILTER, platform::D3DTEXF_POINT);
  d->SetSamplerState(0, platform::D3DSAMP_MINFILTER, platform::D3DTEXF_POINT);
  d->SetRenderState(platform::D3DRS_MULTISAMPLEANTIALIAS, 0);
}

int SpriteSystemInit() {
  SpriteTable = ObjectTableCreate(sizeof(SpriteRecord), 64, SpriteRelease);
  // Without its table no sprite could ever be made: a start that reported success then would
  // only leave the player looking at an empty screen instead of the start-up message.
  if (!SpriteTable) return 0;
  if (!MediaWindowCreate()) return 0;
  if (gScreen.initialised) return 0;
  platform::Host& host = platform::HostGet();
  if (!host.LibraryAvailable("d3d9.dll")) return 0;
  gScreen.direct3D = platform::Direct3DCreate9(host, platform::D3D_SDK_VERSION);
  if (!gScreen.direct3D) return 0;
  // Signed 32-bit sum, as the counts are added.
  std::int32_t modes = 0;
  for (platform::D3DFORMAT f :
       {platform::D3DFMT_X1R5G5B5, platform::D3DFMT_R5G6B5, platform::D3DFMT_X8R8G8B8})
    modes = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(modes) +
        gScreen.direct3D->GetAdapterModeCount(platform::D3DADAPTER_DEFAULT, f));
  if (modes > 0) {
    gScreen.initialised = 1;
    return 1;
  }
  gScreen.direct3D->Release();
  gScreen.direct3D = nullptr;
  return 0;
}

int ScreenOpen(std::int32_t width, std::int32_t height, std::int32_t depth, const char* title) {
  platform::Host& host = platform::HostGet();
  CompositionLookup();
  gScreen.compositionWasOn = 0;
  if (gScreen.compositionEnable && gScreen.compositionIsEnabled) {
    gScreen.compositionIsEnabled(&gScreen.compositionWasOn);
    if (gScreen.compositionWasOn) gScreen.compositionEnable(kCompositionDisable);
  }
  width = Low16(width);
  height = Low16(height);
  depth = Low16(depth);
  gScreen.screenWindow = MediaWindowHandle();
  host.WindowSetText(gScreen.screenWindow, title ? title : "");
  host.WindowMove(gScreen.screenWindow, 0, 0, width, height, true);
  if (!gScreen.screenWindow || !gScreen.direct3D) return ScreenOpenFail();

  gScreen.depth = depth;
  gScreen.width = width;
  gScreen.height = height;
  DrawStateCacheReset();
  host.CursorShow(false);
  PresentParametersBuild(&gScreen.presentParams, width, height, BackBufferFormatChoose(depth));

  platform::D3DCAPS9 caps;
  if (gScreen.direct3D->GetDeviceCaps(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL,
                                      &caps) != platform::D3D_OK)
    return ScreenOpenFail();
  const std::uint32_t behaviour =
      (caps.DevCaps & platform::D3DDEVCAPS_HWTRANSFORMANDLIGHT)
          ? platform::D3DCREATE_MIXED_VERTEXPROCESSING | platform::D3DCREATE_FPU_PRESERVE
          : platform::D3DCREATE_SOFTWARE_VERTEXPROCESSING | platform::D3DCREATE_FPU_PRESERVE;
  if (gScreen.direct3D->CreateDevice(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL,
                                     gScreen.screenWindow, behaviour, &gScreen.presentParams,
                                     &gScreen.device) != platform::D3D_OK ||
      !gScreen.device) {
    gScreen.device = nullptr;
    return ScreenOpenFail();
  }
  gScreen.depth = FormatBits(gScreen.presentParams.BackBufferFormat);
  BackBufferFetch();
  gScreen.device->Clear(0, nullptr, platform::D3DCLEAR_TARGET, 0, 0.0f, 0);
  DeviceStatesInit();
  host.TimerPeriodBegin(1);
  host.WindowShow(gScreen.screenWindow, platform::SW_SHOWMAXIMIZED);
  gScreen.open = 1;
  gScreen.deviceActive = 1;
  return 1;
}

void ScreenClose() {
  if (!gScreen.open) return;
  platform::Host& host = platform::HostGet();
  SpriteRelease(ObjectIdAuto);
  if (gScreen.device) {
    SceneEnd();
    if (gScreen.backBuffer) gScreen.backBuffer->Release();
    gScreen.device->Release();
    gScreen.backBuffer = nullptr;
    gScreen.device = nullptr;
  }
  gScreen.width = gScreen.height = gScreen.depth = 0;
  if (gScreen.screenWindow) host.CursorShow(true);
  host.TimerPeriodEnd(1);
  host.WindowShow(gScreen.screenWindow, platform::SW_HIDE);
  CompositionRestore();
  gScreen.open = 0;
}

void SpriteSystemEnd() {
  if (gScreen.initialised != 1) return;
  ScreenClose();
  gScreen.direct3D->Release();
  gScreen.direct3D = nullptr;
  gScreen.initialised = 0;
}

std::int32_t SceneBegin() {
  if (gScreen.sceneOpen == 1) return 1;
  if (gScreen.device && gScreen.device->BeginScene() == platform::D3D_OK) gScreen.sceneOpen = 1;
  return gScreen.sceneOpen;
}

void SceneEnd() {
  if (!gScreen.sceneOpen) return;
  gScreen.sceneOpen = 0;
  gScreen.device->EndScene();
}

std::int32_t ScreenFlip() {
  platform::Host& host = platform::HostGet();
  platform::Message message;
  while (host.MessagePeek(&message)) host.MessageDispatch(message);
  if (!gScreen.deviceActive) return 1;
  if (!gScreen.device) return 0;

  platform::HRESULT hr = gScreen.device->TestCooperativeLevel();
  if (hr == platform::D3DERR_DRIVERINTERNALERROR) {
    gScreen.deviceActive = 0;
    return 0;
  }
  if (hr == platform::D3DERR_DEVICELOST) {
    // Wait up to about 32 ms for the loss to end; the tick difference is unsigned, so a tick
    // count that wraps around does not end the wait early or make it endless.
    const std::uint32_t start = host.TickCount();
    for (;;) {
      host.Sleep(1);
      hr = gScreen.device->TestCooperativeLevel();
      if (hr == platform::D3DERR_DRIVERINTERNALERROR) {
        gScreen.deviceActive = 0;
        return 0;
      }
      if (hr == platform::D3DERR_DEVICENOTRESET || hr == platform::D3D_OK) break;
      if (static_cast<std::uint32_t>(host.TickCount() - start) >= 32) break;
    }
    if (hr == platform::D3DERR_DEVICELOST) {
      gScreen.deviceActive = 0;
      return 0;
    }
  }
  if (hr == platform::D3DERR_DEVICENOTRESET) {
    if (gScreen.device->Reset(&gScreen.presentParams) != platform::D3D_OK) {
      gScreen.deviceActive = 0;
      return 0;
    }
    BackBufferFetch();
    DrawStateCacheReset();
  }
  SceneEnd();
  gScreen.deviceActive =
      gScreen.device->Present(nullptr, nullptr, 0, nullptr) == platform::D3D_OK ? 1 : 0;
  return 1;
}

void ScreenClear(std::uint32_t color) {
  if (!gScreen.device) return;
  // ColorRGB is 0x00BBGGRR; the device takes 0xAARRGGBB with alpha 0.
  const std::uint32_t red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
  gScreen.device->Clear(0, nullptr, platform::D3DCLEAR_TARGET, (red << 16) | (green << 8) | blue,
                        0.0f, 0);
}

}  // namespace engine
