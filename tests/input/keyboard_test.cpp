#include "input/keyboard.h"

#include <gtest/gtest.h>

#include "platform/input/key_codes.h"
#include "screen/media_window.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "support/engine_fixture.h"

namespace {

namespace p = platform;

class KeyboardTest : public testing_support::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine::ScreenStateForget();
    ASSERT_EQ(engine::SpriteSystemInit(), 1);
    ASSERT_NE(engine::KeyboardInit(), 0);
    ASSERT_EQ(engine::ScreenOpen(640, 480, 32, "t"), 1);
    engine::ScreenFlip();  // delivers the activation of the shown window
  }
  void TearDown() override {
    engine::KeyboardRelease();
    engine::SpriteSystemEnd();
    engine::ScreenStateForget();
    EngineTest::TearDown();
  }
  p::WindowHandle Window() { return engine::MediaWindowHandle(); }
};

TEST_F(KeyboardTest, NoKeyBeforeTheFirstPollThenTheSnapshot) {
  host->KeySet(p::DIK_ESCAPE, true);
  EXPECT_EQ(engine::KeyIsDown(p::DIK_ESCAPE), 0);
  EXPECT_EQ(engine::KeyIsDown(-1), 0);
  EXPECT_EQ(engine::KeyboardPoll(), 1);
  EXPECT_EQ(engine::KeyIsDown(p::DIK_ESCAPE), 128);
  EXPECT_EQ(engine::KeyIsDown(-1), 1);
  EXPECT_EQ(engine::KeyIsDown(p::DIK_SPACE), 0);
  // The snapshot holds until the next poll.
  host->KeySet(p::DIK_ESCAPE, false);
  EXPECT_EQ(engine::KeyIsDown(p::DIK_ESCAPE), 128);
  engine::KeyboardPoll();
  EXPECT_EQ(engine::KeyIsDown(-1), 0);
}

TEST_F(KeyboardTest, AnyKeyLooksAt255EntriesAndOutOfRangeKeysAreUp) {
  host->KeySet(255, true);
  engine::KeyboardPoll();
  EXPECT_EQ(engine::KeyIsDown(-1), 0);
  EXPECT_EQ(engine::KeyIsDown(255), 128);
  host->KeySet(254, true);
  engine::KeyboardPoll();
  EXPECT_EQ(engine::KeyIsDown(-1), 1);
  for (std::int32_t key : {256, -2, 100000, INT32_MIN}) EXPECT_EQ(engine::KeyIsDown(key), 0) << key;
}

TEST_F(KeyboardTest, BindsToTheScreenWindowAtTheFirstPoll) {
  engine::KeyboardPoll();
  EXPECT_EQ(engine::KeyboardStateGet(), engine::KeyboardReady);
  const p::DIDATAFORMAT* format = engine::KeyboardDataFormatGet();
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->dwFlags, p::DIDF_RELAXIS);
  EXPECT_EQ(format->dwDataSize, 256u);
  EXPECT_EQ(format->dwNumObjs, 256u);
  EXPECT_EQ(format->rgodf[200].dwOfs, 200u);
  EXPECT_EQ(format->rgodf[200].dwType, p::DIDFT_OPTIONAL | p::DIDFT_BUTTON | (200u << 8));
}

TEST_F(KeyboardTest, FocusLossReadsKeysUpUntilThePollSucceedsAgain) {
  host->KeySet(p::DIK_LEFT, true);
  engine::KeyboardPoll();
  EXPECT_EQ(engine::KeyIsDown(p::DIK_LEFT), 128);
  host->Deactivate(Window());
  EXPECT_EQ(engine::KeyboardPoll(), 0);
  EXPECT_EQ(engine::KeyIsDown(p::DIK_LEFT), 0);
  EXPECT_EQ(engine::KeyboardStateGet(), engine::KeyboardNeedsAcquire);
  // Still in the background: every poll tries to acquire and fails.
  EXPECT_EQ(engine::KeyboardPoll(), 0);
  EXPECT_EQ(engine::KeyIsDown(-1), 0);
  host->Activate(Window());
  EXPECT_EQ(engine::KeyboardPoll(), 1);
  EXPECT_EQ(engine::KeyIsDown(p::DIK_LEFT), 128);
}

TEST_F(KeyboardTest, SecondInitMakesNoSecondDeviceAndReleaseBalancesUsers) {
  EXPECT_EQ(engine::DirectInputUsers(), 1);
  EXPECT_NE(engine::KeyboardInit(), 0);
  EXPECT_EQ(engine::DirectInputUsers(), 2);
  engine::KeyboardRelease();
  EXPECT_EQ(engine::DirectInputUsers(), 1);
  EXPECT_EQ(engine::KeyboardStateGet(), engine::KeyboardNone);
  engine::DirectInputRelease();
  EXPECT_EQ(engine::DirectInputUsers(), 0);
  engine::KeyboardRelease();  // init-called flag is clear now: nothing happens
  EXPECT_EQ(engine::DirectInputUsers(), 0);
}

TEST(KeyboardStartTest, MissingInputLibraryFailsInitButStillCountsTheUser) {
  p::HeadlessHost host;
  p::HostInstall(&host);
  engine::MainHeapCreate();
  engine::KeyboardRelease();  // without init: nothing
  EXPECT_EQ(engine::DirectInputUsers(), 0);
  host.LibraryBlock("DINPUT.DLL", true);
  EXPECT_EQ(engine::KeyboardInit(), 0);
  EXPECT_EQ(engine::DirectInputUsers(), 1);
  engine::KeyboardRelease();
  EXPECT_EQ(engine::DirectInputUsers(), 0);
  engine::MainHeapDestroy();
  p::HostInstall(nullptr);
}

}  // namespace
