// The graphics device lost in the middle of a running game, as when the player switches away
// from the full screen: the window is deactivated and the device reports itself lost, the game
// keeps running without presenting, and once the window is active again and the device can be
// reset, presentation resumes with every sprite intact (textures live in the pool that survives
// a reset).

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "game_run.h"
#include "platform/graphics/device.h"
#include "screen/media_window.h"
#include "screen/screen_state.h"
#include "sprite/sprite_store.h"

namespace reliability {
namespace {

namespace p = platform;

// Rows of the screen that show only the floor tiles while the enemy is parked off screen and the
// player stays at the top.
constexpr int kFloorTop = 260;
constexpr int kFloorBottom = 480;

class DeviceLossTest : public GameRunTest {
 protected:
  // Copies the floor rows of every presented frame, keyed by the scroll position at that time.
  void FramesWatch(p::HeadlessHost& host) {
    host.OnFrame([this](const p::Frame& frame) {
      const int scroll = game::GameStateGet().floorScroll;
      std::vector<std::uint8_t>& rows = floorByScroll_[scroll];
      const auto* pixels = static_cast<const std::uint8_t*>(frame.pixels);
      const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 4;
      rows.assign(static_cast<std::size_t>(kFloorBottom - kFloorTop) * rowBytes, 0);
      for (int y = kFloorTop; y < kFloorBottom; ++y)
        std::memcpy(rows.data() + static_cast<std::size_t>(y - kFloorTop) * rowBytes,
                    pixels + static_cast<std::ptrdiff_t>(y) * frame.pitch, rowBytes);
      ++presented_;
    });
  }
  static bool AllSpritesLive() {
    for (engine::ObjectId n : {0, 1, 2, 3, 4, 20})
      if (!engine::SpriteLookup(n)) return false;
    return true;
  }

  std::map<int, std::vector<std::uint8_t>> floorByScroll_;
  int presented_ = 0;
};

TEST_F(DeviceLossTest, PresentationRecoversAfterReactivationWithSpritesIntact) {
  p::HeadlessHost& host = HostMake();
  FramesWatch(host);
  bool ran = false;
  EXPECT_EQ(Main(StepsWithBody([&] {
              ran = true;
              game::GameStateGet().enemyX = 10000;  // parked: only the floor below the player
              game::GameStateGet().enemySpeed = 0;
              // A whole round of the floor's scroll: every position presented once.
              ASSERT_TRUE(Frames(330));
              const auto reference = floorByScroll_;
              ASSERT_EQ(reference.size(), 320u);
              p::Direct3DDevice9& device = *engine::ScreenStateGet().device;
              const std::uint64_t resets = device.GetCounters().reset;

              // The player switches away: the window loses the focus, the device is lost.
              device.CooperativeLevelSet(p::D3DERR_DEVICELOST);
              host.Deactivate(engine::MediaWindowHandle());
              const int presentedBefore = presented_;
              ASSERT_TRUE(Frames(200));
              EXPECT_EQ(presented_, presentedBefore);  // nothing is shown meanwhile
              EXPECT_EQ(engine::ScreenStateGet().deviceActive, 0);

              // Back: the device may be reset now, and the window is active again.
              device.CooperativeLevelSet(p::D3DERR_DEVICENOTRESET);
              host.Activate(engine::MediaWindowHandle());
              floorByScroll_.clear();
              ASSERT_TRUE(Frames(330));
              EXPECT_EQ(device.GetCounters().reset, resets + 1);
              EXPECT_EQ(engine::ScreenStateGet().deviceActive, 1);
              EXPECT_GE(presented_, presentedBefore + 329);
              EXPECT_TRUE(AllSpritesLive());
              // The floor tiles are drawn as before the loss, position by position.
              ASSERT_EQ(floorByScroll_.size(), 320u);
              for (const auto& [scroll, rows] : reference)
                EXPECT_TRUE(floorByScroll_[scroll] == rows) << "scroll " << scroll;
              // And they are really there: not only the sky colour.
              const std::vector<std::uint8_t>& any = reference.begin()->second;
              EXPECT_NE(std::memcmp(any.data(), any.data() + 4, any.size() - 4), 0);
            })),
            0);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(host.MessageBoxes().empty());
}

// A loss that the device reports while the window stays active: the flip waits briefly, gives
// up and turns presentation off; the device stays unusable for a while (its reset fails), then
// recovers, and the next activation brings the frames back.
TEST_F(DeviceLossTest, AFailedResetWaitsForTheNextActivation) {
  p::HeadlessHost& host = HostMake();
  FramesWatch(host);
  EXPECT_EQ(Main(StepsWithBody([&] {
              ASSERT_TRUE(Frames(10));
              p::Direct3DDevice9& device = *engine::ScreenStateGet().device;
              device.CooperativeLevelSet(p::D3DERR_DEVICENOTRESET);
              device.ResetFailSet(true);
              ASSERT_TRUE(Frames(50));
              const int presentedBefore = presented_;
              EXPECT_EQ(engine::ScreenStateGet().deviceActive, 0);
              device.ResetFailSet(false);
              ASSERT_TRUE(Frames(50));
              EXPECT_EQ(presented_, presentedBefore);  // off until activated
              host.Activate(engine::MediaWindowHandle());
              ASSERT_TRUE(Frames(50));
              EXPECT_EQ(presented_, presentedBefore + 50);
              EXPECT_TRUE(AllSpritesLive());
            })),
            0);
}

}  // namespace
}  // namespace reliability
