// The device's life: presenting through the host, scenes, clearing, simulated loss and reset,
// and what survives a reset.

#include <gtest/gtest.h>

#include "graphics/graphics_fixture.h"

namespace graphics_test {
namespace {

TEST(Device, PresentHandsTheBackBufferToTheHost) {
  Device dev;
  std::vector<Frame> frames;
  std::uint32_t firstPixel = 0;
  dev.host.OnFrame([&](const Frame& frame) {
    frames.push_back(frame);
    std::memcpy(&firstPixel, frame.pixels, 4);
  });
  ASSERT_EQ(dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00288CFF, 0.0f, 0), D3D_OK);
  // Presenting inside a scene is refused; the fixture has begun one.
  EXPECT_EQ(dev.device->Present(nullptr, nullptr, 0, nullptr), D3DERR_INVALIDCALL);
  dev.device->EndScene();
  ASSERT_EQ(dev.device->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].pixels, dev.backBuffer->Pixels());
  EXPECT_EQ(frames[0].width, 640);
  EXPECT_EQ(frames[0].height, 480);
  EXPECT_EQ(frames[0].pitch, dev.backBuffer->Pitch());
  EXPECT_EQ(frames[0].format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(firstPixel, 0x00288CFFu);  // red 40, green 140, blue 255

  dev.host.PresentFailSet(true);
  EXPECT_EQ(dev.device->Present(nullptr, nullptr, 0, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(dev.device->GetCounters().present, 3u);
  EXPECT_EQ(dev.device->GetCounters().framesShown, 1u);
}

TEST(Device, ClearFillsWholeOrRectanglesInTheBackBufferFormat) {
  Device dev(D3DFMT_R5G6B5, 20, 10);
  dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00288CFF, 0.0f, 0);
  EXPECT_EQ(dev.Raw(19, 9), 0x2C7Fu);  // 40 >> 3, 140 >> 2, 255 >> 3
  RECT rects[2] = {{-5, -5, 2, 2}, {18, 8, 100, 100}};
  dev.device->Clear(2, rects, D3DCLEAR_TARGET, 0x00FFFFFF, 0.0f, 0);
  EXPECT_EQ(dev.Raw(1, 1), 0xFFFFu);
  EXPECT_EQ(dev.Raw(2, 2), 0x2C7Fu);
  EXPECT_EQ(dev.Raw(19, 9), 0xFFFFu);
  EXPECT_EQ(dev.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(dev.device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0), D3DERR_INVALIDCALL);
}

TEST(Device, ScenesDoNotNestAndDrawingNeedsOne) {
  Device dev;  // a scene is open
  auto texture =
      TextureMake(*dev.device, 2, 2, D3DFMT_A8R8G8B8, [](int, int) { return 0xFF00FF00u; });
  EXPECT_EQ(dev.device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev.device->EndScene(), D3D_OK);
  EXPECT_EQ(dev.device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(SpriteDraw(*dev.device, texture.Get(), 2, 2, 0, 0, 2, 2, 0, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev.Pixel(0, 0), 0u);
  dev.device->BeginSceneFailSet(true);
  EXPECT_TRUE(Failed(dev.device->BeginScene()));
  EXPECT_FALSE(dev.device->InScene());
  dev.device->BeginSceneFailSet(false);
  EXPECT_EQ(dev.device->BeginScene(), D3D_OK);
  EXPECT_EQ(SpriteDraw(*dev.device, texture.Get(), 2, 2, 0, 0, 2, 2, 0, 0), D3D_OK);
  EXPECT_EQ(dev.Pixel(1, 1), 0x00FF00u);

  // Vertex formats other than pre-transformed positions with at most one coordinate pair, and
  // strides shorter than a vertex, are refused.
  VertexXyzrhwTex1 quad[4] = {};
  dev.device->SetFVF(0x002 | D3DFVF_TEX1);
  EXPECT_EQ(dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 24), D3DERR_INVALIDCALL);
  dev.device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1 | 0x40);
  EXPECT_EQ(dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 24), D3DERR_INVALIDCALL);
  dev.device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
  EXPECT_EQ(dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 20), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, quad, 24), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev.device->DrawPrimitiveUP(2, 1, quad, 24), D3DERR_INVALIDCALL);  // lines
}

TEST(Device, LossStatesAnswerAsTheDeviceWould) {
  struct Case {
    HRESULT level;
    bool resetFail;
    HRESULT present, reset, afterReset;
  };
  const Case cases[] = {
      {D3D_OK, false, D3D_OK, D3D_OK, D3D_OK},
      {D3DERR_DEVICELOST, false, D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICELOST},
      {D3DERR_DEVICENOTRESET, false, D3DERR_DEVICELOST, D3D_OK, D3D_OK},
      {D3DERR_DEVICENOTRESET, true, D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET},
      {D3DERR_DRIVERINTERNALERROR, false, D3DERR_DRIVERINTERNALERROR, D3DERR_DRIVERINTERNALERROR,
       D3DERR_DRIVERINTERNALERROR},
  };
  for (const Case& c : cases) {
    Device dev;
    dev.device->EndScene();
    dev.device->CooperativeLevelSet(c.level);
    dev.device->ResetFailSet(c.resetFail);
    EXPECT_EQ(dev.device->TestCooperativeLevel(), c.level);
    EXPECT_EQ(dev.device->Present(nullptr, nullptr, 0, nullptr), c.present) << std::hex << c.level;
    D3DPRESENT_PARAMETERS params = dev.device->PresentParameters();
    EXPECT_EQ(dev.device->Reset(&params), c.reset) << std::hex << c.level;
    EXPECT_EQ(dev.device->TestCooperativeLevel(), c.afterReset) << std::hex << c.level;
    EXPECT_EQ(dev.host.FramesPresented(), c.present == D3D_OK ? 1u : 0u);
  }
}

TEST(Device, HookScriptsTheLossOverTimeAndLostDrawingIsIgnored) {
  Device dev;
  dev.Fill(0);
  auto texture =
      TextureMake(*dev.device, 2, 2, D3DFMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
  std::uint32_t start = dev.host.TickCount();
  dev.device->CooperativeLevelHook([&] {
    return dev.host.TickCount() - start < 100 ? D3DERR_DEVICELOST : D3DERR_DEVICENOTRESET;
  });
  EXPECT_EQ(dev.device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  // Drawing and clearing on a lost device succeed and change nothing.
  EXPECT_EQ(SpriteDraw(*dev.device, texture.Get(), 2, 2, 0, 0, 2, 2, 0, 0), D3D_OK);
  EXPECT_EQ(dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FFFFFF, 0.0f, 0), D3D_OK);
  EXPECT_EQ(dev.Pixel(0, 0), 0u);
  dev.host.Sleep(100);
  EXPECT_EQ(dev.device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  dev.device->CooperativeLevelHook(nullptr);
  D3DPRESENT_PARAMETERS params = dev.device->PresentParameters();
  ASSERT_EQ(dev.device->Reset(&params), D3D_OK);
  EXPECT_EQ(dev.device->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(dev.device->GetCounters().reset, 1u);
}

TEST(Device, TexturesSurviveResetWhichRestoresDefaultStates) {
  Device dev;
  auto code = [](int x, int y) { return 0xFF000000u | static_cast<std::uint32_t>(x * 256 + y); };
  auto texture = TextureMake(*dev.device, 33, 17, D3DFMT_A8R8G8B8, code);
  Ref<Direct3DSurface9> oldBuffer = dev.backBuffer;
  dev.device->CooperativeLevelSet(D3DERR_DEVICENOTRESET);
  D3DPRESENT_PARAMETERS params = dev.device->PresentParameters();
  ASSERT_EQ(dev.device->Reset(&params), D3D_OK);

  // Device states are back at their defaults; the texture is unbound but intact.
  EXPECT_FALSE(dev.device->InScene());
  EXPECT_EQ(dev.device->Texture(0), nullptr);
  EXPECT_EQ(dev.device->RenderState(D3DRS_ALPHABLENDENABLE), 0u);
  EXPECT_EQ(dev.device->TextureStageState(0, D3DTSS_COLOROP), D3DTOP_MODULATE);
  EXPECT_EQ(dev.device->FVF(), 0u);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  std::uint32_t texel;
  std::memcpy(&texel, static_cast<std::uint8_t*>(locked.pBits) + 5 * locked.Pitch + 32 * 4, 4);
  texture->UnlockRect(0);
  EXPECT_EQ(texel, code(32, 5));

  // Drawing with only the sprite states resent (blend and vertex format) still shows the
  // texture's own colour: the default colour stage modulates the texture with white.
  Ref<Direct3DSurface9> buffer;
  ASSERT_EQ(dev.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, buffer.Put()), D3D_OK);
  dev.backBuffer = buffer;
  dev.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  dev.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dev.device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
  dev.device->BeginScene();
  SpriteDraw(*dev.device, texture.Get(), 33, 17, 0, 0, 33, 17, 10, 10);
  EXPECT_EQ(dev.Pixel(42, 15), code(32, 5) & 0xFFFFFF);
  EXPECT_EQ(dev.device->GetCounters().fastDraw, 1u);
  // The reference held from before the reset is still a valid surface of its own.
  EXPECT_EQ(oldBuffer->Width(), 640);
}

TEST(Device, BoundTextureAndFetchedBackBufferHoldReferences) {
  Device dev;
  EXPECT_EQ(dev.backBuffer->RefCount(), 2u);  // the device's and the fixture's
  Direct3DTexture9* raw = nullptr;
  ASSERT_EQ(dev.device->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &raw, nullptr),
            D3D_OK);
  dev.device->SetTexture(0, raw);
  EXPECT_EQ(raw->Release(), 1u);  // the device still holds it
  D3DLOCKED_RECT locked;
  ASSERT_EQ(raw->LockRect(0, &locked, nullptr, 0), D3D_OK);
  static_cast<std::uint32_t*>(locked.pBits)[1] = 0xFF0000FFu;
  raw->UnlockRect(0);
  VertexXyzrhwTex1 quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0},
                              {1.5f, -0.5f, 0, 1, 1, 0},
                              {-0.5f, 0.5f, 0, 1, 0, 1},
                              {1.5f, 0.5f, 0, 1, 1, 1}};
  ASSERT_EQ(dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 24), D3D_OK);
  EXPECT_EQ(dev.Pixel(1, 0), 0x0000FFu);
  dev.device->SetTexture(0, nullptr);  // the last reference goes; the sanitizers watch
  Ref<Direct3DSurface9> second;
  EXPECT_EQ(dev.device->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, second.Put()),
            D3DERR_INVALIDCALL);
  EXPECT_FALSE(second);
}

TEST(Device, KeepsACopyOfTheLastFrameOnRequest) {
  Device dev(D3DFMT_X1R5G5B5, 3, 2);
  dev.device->EndScene();
  dev.device->FrameKeepSet(true);
  dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF0000, 0.0f, 0);
  ASSERT_EQ(dev.device->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
  const std::vector<std::uint8_t>& frame = dev.device->LastFrame();
  ASSERT_EQ(frame.size(), 3u * 2u * 2u);  // rows without padding
  std::uint16_t last;
  std::memcpy(&last, frame.data() + 10, 2);
  EXPECT_EQ(last, 0x7C00u);
}

}  // namespace
}  // namespace graphics_test
