// The graphics system object: what it reports about the host's display and which devices it
// agrees to create.

#include <gtest/gtest.h>

#include "graphics/graphics_fixture.h"

namespace graphics_test {
namespace {

HeadlessHost::Options ModesOptions(std::vector<DisplayMode> modes) {
  HeadlessHost::Options options;
  options.displayModes = std::move(modes);
  return options;
}

D3DPRESENT_PARAMETERS ScreenParams(std::uint32_t w, std::uint32_t h, D3DFORMAT format) {
  D3DPRESENT_PARAMETERS p;
  p.BackBufferWidth = w;
  p.BackBufferHeight = h;
  p.BackBufferFormat = format;
  p.BackBufferCount = 1;
  p.SwapEffect = D3DSWAPEFFECT_FLIP;
  p.hDeviceWindow = 0x100;
  p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  p.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  return p;
}

TEST(Direct3D, NeedsADisplayAndTheRightVersion) {
  HeadlessHost none(ModesOptions({}));
  EXPECT_EQ(Direct3DCreate9(none, D3D_SDK_VERSION), nullptr);
  HeadlessHost host;
  EXPECT_EQ(Direct3DCreate9(host, 31), nullptr);
  Direct3D9* d3d = Direct3DCreate9(host, D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  EXPECT_EQ(d3d->AddRef(), 2u);
  EXPECT_EQ(d3d->Release(), 1u);
  EXPECT_EQ(d3d->Release(), 0u);
}

TEST(Direct3D, ModesAndFormatChecksFollowTheHostsModes) {
  HeadlessHost host(ModesOptions({{640, 480, 60, D3DFMT_X8R8G8B8},
                                  {800, 600, 60, D3DFMT_X8R8G8B8},
                                  {640, 480, 60, D3DFMT_R5G6B5}}));
  Ref<Direct3D9> d3d(Direct3DCreate9(host, D3D_SDK_VERSION));
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X1R5G5B5), 0u);
  EXPECT_EQ(d3d->GetAdapterModeCount(1, D3DFMT_X8R8G8B8), 0u);

  struct Case {
    D3DFORMAT display, backBuffer;
    HRESULT expected;
  };
  const Case cases[] = {{D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3D_OK},
                        {D3DFMT_R5G6B5, D3DFMT_R5G6B5, D3D_OK},
                        {D3DFMT_X1R5G5B5, D3DFMT_X1R5G5B5, D3DERR_NOTAVAILABLE},
                        {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DERR_NOTAVAILABLE},
                        {D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, D3DERR_NOTAVAILABLE}};
  for (const Case& c : cases) {
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, c.display, c.backBuffer, 0), c.expected)
        << c.display;
  }
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0),
            D3DERR_INVALIDCALL);
}

TEST(Direct3D, CapabilitiesDecideTheVertexProcessingItAccepts) {
  HeadlessHost host;
  Ref<Direct3D9> d3d(Direct3DCreate9(host, D3D_SDK_VERSION));
  D3DCAPS9 caps;
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
  EXPECT_EQ(caps.TextureCaps & D3DPTEXTURECAPS_POW2, 0u);

  auto create = [&](std::uint32_t flags) {
    D3DPRESENT_PARAMETERS p = ScreenParams(640, 480, D3DFMT_X8R8G8B8);
    Ref<Direct3DDevice9> device;
    return d3d->CreateDevice(0, D3DDEVTYPE_HAL, 0x100, flags, &p, device.Put());
  };
  EXPECT_EQ(create(0x22), D3D_OK);
  EXPECT_EQ(create(0x82), D3DERR_INVALIDCALL);  // mixed needs hardware transform
  EXPECT_EQ(create(D3DCREATE_FPU_PRESERVE), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(0xA2), D3DERR_INVALIDCALL);  // two kinds at once

  d3d->HardwareTransformSet(true);
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_EQ(create(0x82), D3D_OK);

  d3d->DeviceCapsFailSet(true);
  EXPECT_TRUE(Failed(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps)));
  d3d->CreateDeviceFailSet(true);
  EXPECT_TRUE(Failed(create(0x22)));
}

TEST(Direct3D, CreateDeviceChecksThePresentParameters) {
  HeadlessHost host(ModesOptions({{640, 480, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_R5G6B5}}));
  Ref<Direct3D9> d3d(Direct3DCreate9(host, D3D_SDK_VERSION));
  struct Case {
    D3DPRESENT_PARAMETERS params;
    bool ok;
  };
  auto with = [](D3DPRESENT_PARAMETERS p, auto change) {
    change(p);
    return p;
  };
  const D3DPRESENT_PARAMETERS base = ScreenParams(640, 480, D3DFMT_X8R8G8B8);
  const Case cases[] = {
      {base, true},
      {ScreenParams(100, 3000, D3DFMT_R5G6B5), true},  // any size
      {ScreenParams(1, 1, D3DFMT_X8R8G8B8), true},
      // A height of 40000 taken as a signed 16-bit value arrives as -25536.
      {ScreenParams(4464, static_cast<std::uint32_t>(-25536), D3DFMT_X8R8G8B8), false},
      {ScreenParams(0, 480, D3DFMT_X8R8G8B8), false},
      {ScreenParams(16385, 480, D3DFMT_X8R8G8B8), false},
      {ScreenParams(640, 480, D3DFMT_UNKNOWN), false},
      {ScreenParams(640, 480, D3DFMT_X1R5G5B5), false},  // no such display mode
      {ScreenParams(640, 480, D3DFMT_A8R8G8B8), false},
      {with(base, [](auto& p) { p.BackBufferCount = 2; }), false},
      {with(base, [](auto& p) { p.MultiSampleType = 2; }), false},
      {with(base, [](auto& p) { p.SwapEffect = 0; }), false},
  };
  for (const Case& c : cases) {
    D3DPRESENT_PARAMETERS p = c.params;
    Ref<Direct3DDevice9> device;
    HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, 0x100, 0x22, &p, device.Put());
    EXPECT_EQ(Succeeded(hr), c.ok)
        << p.BackBufferWidth << "x" << p.BackBufferHeight << " format " << p.BackBufferFormat;
    EXPECT_EQ(static_cast<bool>(device), c.ok);
    if (!device) continue;
    Ref<Direct3DSurface9> buffer;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, buffer.Put());
    EXPECT_EQ(buffer->Width(), static_cast<int>(c.params.BackBufferWidth));
    EXPECT_EQ(buffer->Height(), static_cast<int>(c.params.BackBufferHeight));
    EXPECT_EQ(buffer->Format(), c.params.BackBufferFormat);
  }

  // A windowed device may take its size from the window and its format from the display.
  WindowClass windowClass{"graphics test", 0, nullptr, false};
  host.WindowClassRegister(windowClass);
  WindowHandle window = host.WindowCreate("graphics test", "", 0, 0, 0, 0, 320, 200);
  D3DPRESENT_PARAMETERS windowed = ScreenParams(0, 0, D3DFMT_UNKNOWN);
  windowed.Windowed = 1;
  windowed.BackBufferCount = 0;
  windowed.hDeviceWindow = window;
  Ref<Direct3DDevice9> device;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0x22, &windowed, device.Put()), D3D_OK);
  EXPECT_EQ(windowed.BackBufferWidth, 320u);
  EXPECT_EQ(windowed.BackBufferHeight, 200u);
  EXPECT_EQ(windowed.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(windowed.BackBufferCount, 1u);
}

}  // namespace
}  // namespace graphics_test
