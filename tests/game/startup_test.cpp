#include "game/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "screen/screen.h"
#include "screen/screen_state.h"

namespace {

// Wraps every step so the test sees the order and can make one tested step fail.
struct Recorder {
  std::vector<std::string> calls;
  std::string failing;  // name of the step that returns 0

  game::StartupSteps Steps() {
    game::StartupSteps real = game::StartupStepsDefault();
    game::StartupSteps s;
    auto wrapVoid = [this](const char* name, std::function<void()> f) {
      return [this, name, f] {
        calls.push_back(name);
        f();
      };
    };
    auto wrapInt = [this](const char* name, std::function<int()> f) {
      return [this, name, f] {
        calls.push_back(name);
        int result = f();
        return failing == name ? 0 : (result ? result : 1);
      };
    };
    // The engine's own starts would fail on the headless host until their libraries are
    // built; the recorder only cares about order, so success is the default here.
    s.imageDecodeInit = wrapVoid("ImageDecodeInit", real.imageDecodeInit);
    s.windowLibInit = wrapInt("WindowLibInit", real.windowLibInit);
    s.bmpDecoderRegister = wrapVoid("BmpDecoderRegister", real.bmpDecoderRegister);
    s.musicInit = wrapVoid("MusicInit", real.musicInit);
    s.spriteSystemInit = wrapInt("SpriteSystemInit", [] { return 1; });
    s.keyboardInit = wrapInt("KeyboardInit", [] { return 1; });
    s.soundInit = wrapInt("SoundInit", [] { return 1; });
    s.screenOpen = [this](std::int32_t w, std::int32_t h, std::int32_t d, const char* title) {
      calls.push_back("ScreenOpen " + std::to_string(w) + "x" + std::to_string(h) + "x" +
                      std::to_string(d) + " " + title);
      return failing == "ScreenOpen" ? 0 : 1;
    };
    s.gameRun = wrapVoid("GameRun", [] {});
    s.musicEnd = wrapVoid("MusicEnd", real.musicEnd);
    s.soundEnd = wrapVoid("SoundEnd", real.soundEnd);
    s.keyboardRelease = wrapVoid("KeyboardRelease", real.keyboardRelease);
    s.screenClose = wrapVoid("ScreenClose", real.screenClose);
    s.spriteSystemEnd = wrapVoid("SpriteSystemEnd", real.spriteSystemEnd);
    s.windowLibEnd = wrapVoid("WindowLibEnd", real.windowLibEnd);
    return s;
  }
};

const std::vector<std::string> kStart = {"ImageDecodeInit", "WindowLibInit", "BmpDecoderRegister",
                                         "MusicInit"};
const std::vector<std::string> kShutdown = {"MusicEnd",    "SoundEnd",        "KeyboardRelease",
                                            "ScreenClose", "SpriteSystemEnd", "WindowLibEnd"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Road {
  std::string failing;
  std::vector<std::string> middle;  // calls between the library starts and shut-down
  const char* text;                 // message shown, or null
};

class StartupRoadTest : public ::testing::TestWithParam<Road> {};

TEST_P(StartupRoadTest, RunsTheRoadAndShutsEverythingDown) {
  const Road& road = GetParam();
  platform::HeadlessHost host;
  platform::HostInstall(&host);
  Recorder recorder;
  recorder.failing = road.failing;
  EXPECT_EQ(game::TidefrayMain(recorder.Steps()), 0);
  EXPECT_EQ(recorder.calls, Join(Join(kStart, road.middle), kShutdown));
  if (road.text) {
    ASSERT_EQ(host.MessageBoxes().size(), 1u);
    EXPECT_EQ(host.MessageBoxes()[0].caption, std::string("Fehler"));
    EXPECT_EQ(host.MessageBoxes()[0].text, std::string(road.text));
    EXPECT_EQ(host.MessageBoxes()[0].flags, platform::MB_OK);
  } else {
    EXPECT_TRUE(host.MessageBoxes().empty());
  }
  EXPECT_EQ(engine::MainHeap(), nullptr);  // destroyed on every road
  platform::HostInstall(nullptr);
}

const char kInit[] = "Sprite-Umgebung kann nicht initialisiert werden";
// "geöffnet" with the single Windows-1252 byte 0xF6.
const char kScreen[] =
    "Bildschirm konnte nicht ge\xF6"
    "ffnet werden";
const std::string kOpen = "ScreenOpen 640x480x32 Tidefray";

INSTANTIATE_TEST_SUITE_P(
    Roads, StartupRoadTest,
    ::testing::Values(
        Road{"", {"SpriteSystemInit", "KeyboardInit", "SoundInit", kOpen, "GameRun"}, nullptr},
        Road{"SpriteSystemInit", {"SpriteSystemInit"}, kInit},
        Road{"KeyboardInit", {"SpriteSystemInit", "KeyboardInit"}, kInit},
        Road{"SoundInit", {"SpriteSystemInit", "KeyboardInit", "SoundInit"}, kInit},
        Road{"ScreenOpen", {"SpriteSystemInit", "KeyboardInit", "SoundInit", kOpen}, kScreen}));

TEST(StartupTest, MessageTextsAreWindows1252Bytes) {
  EXPECT_EQ(std::string(game::kErrorScreenText).size(), 39u);
  EXPECT_EQ(static_cast<unsigned char>(game::kErrorScreenText[26]), 0xF6);
}

// The engine's own starts, failing the way a user's machine makes them fail.
struct EngineRoad {
  const char* blockedLibrary;  // run-time library the host lacks, or null
  bool deviceFails;            // the graphics device cannot be created
  const char* text;
};

class EngineRoadTest : public ::testing::TestWithParam<EngineRoad> {};

TEST_P(EngineRoadTest, ShowsTheMessageAndShutsDownCleanly) {
  const EngineRoad& road = GetParam();
  platform::HeadlessHost host;
  platform::HostInstall(&host);
  engine::ScreenStateForget();
  if (road.blockedLibrary) host.LibraryBlock(road.blockedLibrary, true);
  game::StartupSteps steps = game::StartupStepsDefault();
  bool gameRan = false;
  steps.gameRun = [&] { gameRan = true; };
  if (road.deviceFails) {
    steps.screenOpen = [](std::int32_t w, std::int32_t h, std::int32_t d, const char* title) {
      engine::ScreenStateGet().direct3D->CreateDeviceFailSet(true);
      return engine::ScreenOpen(w, h, d, title);
    };
  }
  EXPECT_EQ(game::TidefrayMain(steps), 0);
  EXPECT_FALSE(gameRan);
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].caption, std::string("Fehler"));
  EXPECT_EQ(host.MessageBoxes()[0].text, std::string(road.text));
  // Shut-down hid the window again and left no screen behind.
  EXPECT_EQ(engine::ScreenStateGet().open, 0);
  EXPECT_EQ(engine::ScreenStateGet().direct3D, nullptr);
  engine::ScreenStateForget();
  platform::HostInstall(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineRoadTest,
                         ::testing::Values(EngineRoad{"d3d9.dll", false, kInit},
                                           EngineRoad{"DINPUT.DLL", false, kInit},
                                           EngineRoad{"DSOUND.DLL", false, kInit},
                                           EngineRoad{nullptr, true, kScreen}));

}  // namespace
