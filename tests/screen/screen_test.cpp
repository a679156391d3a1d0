#include "screen/screen.h"

#include <gtest/gtest.h>

#include "input/keyboard.h"
#include "runtime/object_id.h"
#include "screen/media_window.h"
#include "screen/screen_state.h"
#include "support/engine_fixture.h"

namespace {

using engine::ScreenStateGet;
namespace p = platform;

class ScreenTest : public testing_support::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine::ScreenStateForget();
  }
  void TearDown() override {
    engine::SpriteSystemEnd();
    engine::ScreenStateForget();
    EngineTest::TearDown();
  }
  void Reopen(p::HeadlessHost::Options options) {
    engine::ScreenStateForget();
    HostReset(std::move(options));
  }
  p::Direct3DDevice9& Device() { return *ScreenStateGet().device; }
  void Open(std::int32_t depth = 32) {
    ASSERT_EQ(engine::SpriteSystemInit(), 1);
    ASSERT_EQ(engine::ScreenOpen(640, 480, depth, "Tidefray"), 1);
    Device().FrameKeepSet(true);
  }
  // The first pixel of the last presented frame, as 0x00RRGGBB.
  std::uint32_t PresentedPixel(int x, int y) {
    const auto& frame = Device().LastFrame();
    const std::uint8_t* px = frame.data() + (static_cast<std::size_t>(y) * 640 + x) * 4;
    return px[0] | (px[1] << 8) | (px[2] << 16);
  }
};

TEST_F(ScreenTest, OpenBuildsTheFullScreenAndShowsTheMediaWindow) {
  Open();
  const auto& s = ScreenStateGet();
  EXPECT_EQ(s.open, 1);
  EXPECT_EQ(s.deviceActive, 1);
  EXPECT_EQ(s.depth, 32);
  EXPECT_EQ(s.width, 640);
  EXPECT_EQ(s.height, 480);
  for (std::int32_t v : s.drawStateCache) EXPECT_EQ(v, -1);
  const p::D3DPRESENT_PARAMETERS& pp = s.presentParams;
  EXPECT_EQ(pp.BackBufferWidth, 640u);
  EXPECT_EQ(pp.BackBufferHeight, 480u);
  EXPECT_EQ(pp.BackBufferFormat, p::D3DFMT_X8R8G8B8);
  EXPECT_EQ(pp.BackBufferCount, 1u);
  EXPECT_EQ(pp.SwapEffect, p::D3DSWAPEFFECT_FLIP);
  EXPECT_EQ(pp.hDeviceWindow, engine::MediaWindowHandle());
  EXPECT_EQ(pp.Windowed, 0);
  EXPECT_EQ(pp.Flags, p::D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
  EXPECT_EQ(pp.PresentationInterval, p::D3DPRESENT_INTERVAL_ONE);
  EXPECT_EQ(Device().BehaviourFlags(), 0x22u);  // no hardware transform on the software device
  EXPECT_EQ(Device().TextureStageState(0, p::D3DTSS_COLOROP), p::D3DTOP_SELECTARG1);
  EXPECT_EQ(Device().TextureStageState(0, p::D3DTSS_ALPHAOP), p::D3DTOP_SELECTARG1);
  EXPECT_EQ(Device().SamplerState(0, p::D3DSAMP_MAGFILTER), p::D3DTEXF_POINT);
  EXPECT_EQ(Device().SamplerState(0, p::D3DSAMP_MINFILTER), p::D3DTEXF_POINT);
  EXPECT_EQ(Device().RenderState(p::D3DRS_MULTISAMPLEANTIALIAS), 0u);

  const p::WindowInfo w = host->WindowGetInfo(engine::MediaWindowHandle());
  EXPECT_EQ(w.className, "MultimediaBase Class");
  EXPECT_EQ(w.title, "Tidefray");
  EXPECT_TRUE(w.visible);
  EXPECT_TRUE(w.maximised);
  EXPECT_EQ(w.width, 640);
  EXPECT_EQ(host->CursorCount(), -1);
}

TEST_F(ScreenTest, BehaviourFlagsFollowTheTransformCapability) {
  ASSERT_EQ(engine::SpriteSystemInit(), 1);
  ScreenStateGet().direct3D->HardwareTransformSet(true);
  ASSERT_EQ(engine::ScreenOpen(640, 480, 32, "t"), 1);
  EXPECT_EQ(Device().BehaviourFlags(), 0x82u);
}

struct FormatCase {
  std::vector<std::uint32_t> displayFormats;
  std::int32_t depth;
  p::D3DFORMAT expected;
};

TEST_F(ScreenTest, BackBufferFormatByDepth) {
  const FormatCase cases[] = {
      {{24, 23, 22}, 16, p::D3DFMT_X1R5G5B5},  // 5-5-5 wins over 5-6-5
      {{23, 22}, 16, p::D3DFMT_R5G6B5},       {{22}, 16, p::D3DFMT_UNKNOWN},
      {{24, 23}, 32, p::D3DFMT_UNKNOWN},      {{24, 23, 22}, 24, p::D3DFMT_UNKNOWN},
  };
  for (const FormatCase& c : cases) {
    p::HeadlessHost::Options options;
    options.displayModes.clear();
    for (std::uint32_t f : c.displayFormats) options.displayModes.push_back({640, 480, 60, f});
    Reopen(options);
    ASSERT_EQ(engine::SpriteSystemInit(), 1);
    EXPECT_EQ(engine::BackBufferFormatChoose(c.depth), c.expected) << c.depth;
    const int opened = engine::ScreenOpen(640, 480, c.depth, "t");
    EXPECT_EQ(opened, c.expected != p::D3DFMT_UNKNOWN ? 1 : 0);
    if (opened) {
      EXPECT_EQ(ScreenStateGet().depth, engine::FormatBits(c.expected));
    }
    engine::SpriteSystemEnd();
  }
}

TEST_F(ScreenTest, OnlyTheLow16BitsOfTheSizeCount) {
  ASSERT_EQ(engine::SpriteSystemInit(), 1);
  engine::ScreenOpen(70000, 480, 32, "t");
  EXPECT_EQ(ScreenStateGet().width, 4464);
  engine::ScreenClose();
  engine::ScreenOpen(640, 40000, 32, "t");
  EXPECT_EQ(ScreenStateGet().height, -25536);
  EXPECT_EQ(ScreenStateGet().open, 0);  // a negative height is no screen
}

TEST_F(ScreenTest, SpriteSystemInitRoads) {
  // Second init after success fails and keeps the first.
  ASSERT_EQ(engine::SpriteSystemInit(), 1);
  EXPECT_EQ(engine::SpriteSystemInit(), 0);
  EXPECT_EQ(ScreenStateGet().initialised, 1);

  p::HeadlessHost::Options noDisplay;
  noDisplay.displayModes.clear();
  engine::SpriteSystemEnd();
  Reopen(noDisplay);
  EXPECT_EQ(engine::SpriteSystemInit(), 0);
  EXPECT_EQ(ScreenStateGet().direct3D, nullptr);

  // A display without any of the three formats: the graphics object is released again.
  p::HeadlessHost::Options otherFormats;
  otherFormats.displayModes = {{640, 480, 60, 21}};
  Reopen(otherFormats);
  EXPECT_EQ(engine::SpriteSystemInit(), 0);
  EXPECT_EQ(ScreenStateGet().direct3D, nullptr);
  EXPECT_EQ(ScreenStateGet().initialised, 0);
}

TEST_F(ScreenTest, CloseTwiceAndEndAfterCloseAreHarmless) {
  Open();
  engine::ScreenClose();
  EXPECT_EQ(ScreenStateGet().open, 0);
  EXPECT_EQ(ScreenStateGet().device, nullptr);
  EXPECT_EQ(ScreenStateGet().width, 0);
  EXPECT_FALSE(host->WindowIsVisible(engine::MediaWindowHandle()));
  EXPECT_EQ(host->CursorCount(), 0);
  engine::ScreenClose();
  EXPECT_EQ(host->CursorCount(), 0);
  EXPECT_NE(ScreenStateGet().screenWindow, 0u);  // stays set
  engine::SpriteSystemEnd();
  EXPECT_EQ(ScreenStateGet().direct3D, nullptr);
  engine::SpriteSystemEnd();
}

TEST_F(ScreenTest, CompositionIsOffWhileOpenAndRestoredAfterwardsAndOnFailure) {
  p::HeadlessHost::Options options;
  options.composition = true;
  Reopen(options);
  Open();
  EXPECT_EQ(host->CompositionIsEnabled(), 0);
  engine::ScreenClose();
  EXPECT_EQ(host->CompositionIsEnabled(), 1);

  ScreenStateGet().direct3D->CreateDeviceFailSet(true);
  EXPECT_EQ(engine::ScreenOpen(640, 480, 32, "t"), 0);
  EXPECT_EQ(host->CompositionIsEnabled(), 1);
}

TEST_F(ScreenTest, FirstFlipPresentsTheBlackBackBufferWithoutEndingAScene) {
  Open();
  ScreenStateGet().device->FrameKeepSet(true);
  EXPECT_EQ(engine::ScreenFlip(), 1);
  EXPECT_EQ(Device().GetCounters().endScene, 0u);
  EXPECT_EQ(Device().GetCounters().present, 1u);
  EXPECT_EQ(PresentedPixel(0, 0), 0u);
  EXPECT_EQ(PresentedPixel(639, 479), 0u);
}

TEST_F(ScreenTest, ClearColourReachesTheBackBuffer) {
  Open();
  engine::ScreenClear(engine::ColorRGB(40, 140, 255));
  engine::ScreenFlip();
  EXPECT_EQ(PresentedPixel(320, 240), 0x288CFFu);
  engine::ScreenClose();
  engine::ScreenClear(engine::ColorRGB(1, 2, 3));  // no device: nothing happens
}

TEST_F(ScreenTest, AFrameWithADrawEndsItsSceneOnceBeforePresenting) {
  Open();
  EXPECT_EQ(engine::SceneBegin(), 1);
  EXPECT_EQ(engine::SceneBegin(), 1);
  EXPECT_EQ(Device().GetCounters().beginScene, 1u);
  engine::ScreenFlip();
  EXPECT_EQ(Device().GetCounters().endScene, 1u);
  EXPECT_EQ(Device().GetCounters().present, 1u);
  EXPECT_EQ(ScreenStateGet().sceneOpen, 0);
  Device().BeginSceneFailSet(true);
  EXPECT_EQ(engine::SceneBegin(), 0);
}

TEST_F(ScreenTest, LostForLongGivesUpAfterAbout32MsThenWaitsForActivation) {
  Open();
  const std::uint32_t lostUntil = host->TickCount() + 100;
  Device().CooperativeLevelHook([&] {
    return host->TickCount() < lostUntil ? p::D3DERR_DEVICELOST : p::D3DERR_DEVICENOTRESET;
  });
  const std::uint32_t before = host->TickCount();
  EXPECT_EQ(engine::ScreenFlip(), 0);
  const std::uint32_t waited = host->TickCount() - before;
  EXPECT_GE(waited, 32u);
  EXPECT_LE(waited, 34u);
  EXPECT_EQ(ScreenStateGet().deviceActive, 0);
  // Inactive: flips return 1 at once and present nothing.
  host->TickAdvance(200);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(engine::ScreenFlip(), 1);
  EXPECT_EQ(Device().GetCounters().present, 0u);
  // Activation (by click) turns presentation back on; the device is reset and presents.
  host->Activate(engine::MediaWindowHandle(), p::WA_CLICKACTIVE);
  ScreenStateGet().drawStateCache[2] = 5;
  EXPECT_EQ(engine::ScreenFlip(), 1);
  EXPECT_EQ(Device().GetCounters().reset, 1u);
  EXPECT_EQ(Device().GetCounters().present, 1u);
  EXPECT_EQ(ScreenStateGet().drawStateCache[2], -1);
}

TEST_F(ScreenTest, LostThenNotResetWithinTheWaitResetsAndPresentsInTheSameCall) {
  Open();
  p::Direct3DSurface9* oldBackBuffer = ScreenStateGet().backBuffer;
  (void)oldBackBuffer;
  const std::uint32_t readyAt = host->TickCount() + 5;
  Device().CooperativeLevelHook([&] {
    return host->TickCount() < readyAt ? p::D3DERR_DEVICELOST : p::D3DERR_DEVICENOTRESET;
  });
  ScreenStateGet().drawStateCache[0] = 7;
  EXPECT_EQ(engine::ScreenFlip(), 1);
  EXPECT_EQ(Device().GetCounters().reset, 1u);
  EXPECT_EQ(Device().GetCounters().present, 1u);
  EXPECT_EQ(ScreenStateGet().drawStateCache[0], -1);
  EXPECT_NE(ScreenStateGet().backBuffer, nullptr);
  EXPECT_EQ(ScreenStateGet().deviceActive, 1);
}

TEST_F(ScreenTest, ResetFailureAndDriverErrorTurnPresentationOff) {
  Open();
  Device().CooperativeLevelSet(p::D3DERR_DEVICENOTRESET);
  Device().ResetFailSet(true);
  EXPECT_EQ(engine::ScreenFlip(), 0);
  EXPECT_EQ(ScreenStateGet().deviceActive, 0);

  ScreenStateGet().deviceActive = 1;
  Device().CooperativeLevelSet(p::D3DERR_DRIVERINTERNALERROR);
  EXPECT_EQ(engine::ScreenFlip(), 0);
  EXPECT_EQ(ScreenStateGet().deviceActive, 0);
  EXPECT_EQ(Device().GetCounters().present, 0u);
}

TEST_F(ScreenTest, FailedPresentTurnsPresentationOffButReturnsOne) {
  Open();
  host->PresentFailSet(true);
  EXPECT_EQ(engine::ScreenFlip(), 1);
  EXPECT_EQ(ScreenStateGet().deviceActive, 0);
}

TEST_F(ScreenTest, MediaWindowMessages) {
  ASSERT_EQ(engine::MediaWindowCreate(), 1);
  EXPECT_EQ(engine::MediaWindowCreate(), 1);  // registers nothing the second time
  const p::WindowHandle w = engine::MediaWindowHandle();
  EXPECT_FALSE(host->WindowIsVisible(w));
  EXPECT_EQ(host->WindowGetInfo(w).width, 1);
  struct Case {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t result;
  };
  const Case cases[] = {{p::WM_PAINT, 0, 1},    {p::WM_ERASEBKGND, 0, 1}, {p::WM_CLOSE, 0, 0},
                        {p::WM_KEYUP, 27, 0},   {p::WM_SYSKEYUP, 18, 0},  {p::WM_LBUTTONDOWN, 0, 0},
                        {p::WM_RBUTTONUP, 0, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(host->MessageSend(w, c.message, c.wParam, 0), c.result) << c.message;
  host->MessageSend(w, p::WM_ACTIVATE, p::WA_INACTIVE, 0);
  EXPECT_EQ(ScreenStateGet().deviceActive, 0);
  host->MessageSend(w, p::WM_ACTIVATE, p::WA_CLICKACTIVE, 0);
  EXPECT_EQ(ScreenStateGet().deviceActive, 1);
  host->MessageSend(w, p::WM_ACTIVATE, 0x10000, 0);  // high word only: still deactivation
  EXPECT_EQ(ScreenStateGet().deviceActive, 0);
}

TEST_F(ScreenTest, CloseRequestsLeaveTheWindowAndTheGameRunning) {
  Open();
  host->MessagePost(engine::MediaWindowHandle(), p::WM_CLOSE, 0, 0);
  EXPECT_EQ(engine::ScreenFlip(), 1);
  EXPECT_TRUE(host->WindowIsVisible(engine::MediaWindowHandle()));
  EXPECT_EQ(ScreenStateGet().open, 1);
}

}  // namespace
