// The whole program with MainHeap failing its n-th allocation, for every allocation that a
// start-up, a short game and a shut-down make: the program always ends with exit code 0, a
// failure in one of the tested starts (sprite system, keyboard, sound) makes that start fail and
// takes its documented road with its message, any other failure (the untested starts, loading,
// playing) only leaves objects absent while the game runs on, and nothing is left
// behind in MainHeap beyond what a clean run leaves (the address-sanitizer build's leak check
// covers everything else).

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "game_run.h"
#include "platform/input/key_codes.h"
#include "runtime/main_heap.h"

namespace reliability {
namespace {

constexpr int kFrames = 30;

// What one run of the program did, step by step.
struct RunLog {
  struct Step {
    std::string name;
    std::uint64_t allocationsBefore;
    std::uint64_t allocationsAfter;
    int result;  // for the steps whose result is tested; 1 for the others
  };
  std::vector<Step> steps;
  bool gameRan = false;
  int framesRun = 0;
  std::size_t blocksAtEnd = 0;  // MainHeap blocks still allocated when shut-down is done

  int Result(const std::string& name) const {
    for (const Step& s : steps)
      if (s.name == name) return s.result;
    return -1;  // not called
  }
  // The step during which allocation `n` (counted from the heap's creation) happened.
  std::string StepOf(std::uint64_t n) const {
    for (const Step& s : steps)
      if (n > s.allocationsBefore && n <= s.allocationsAfter) return s.name;
    return "";
  }
};

// The engine's steps, each logged; the first arms the heap failure right after MainHeap exists
// (nothing allocates between its creation and the first step).
game::StartupSteps LoggedSteps(RunLog* log, std::uint64_t failAt) {
  const game::StartupSteps real = game::StartupStepsDefault();
  game::StartupSteps s;
  auto count = [] { return engine::MainHeap() ? engine::MainHeap()->AllocationCount() : 0; };
  auto wrapVoid = [log, count](const char* name, std::function<void()> step) {
    return [log, count, name, step] {
      const std::uint64_t before = count();
      step();
      log->steps.push_back({name, before, count(), 1});
    };
  };
  auto wrapInt = [log, count](const char* name, std::function<int()> step) {
    return [log, count, name, step] {
      const std::uint64_t before = count();
      const int result = step();
      log->steps.push_back({name, before, count(), result});
      return result;
    };
  };
  s.imageDecodeInit = wrapVoid("ImageDecodeInit", [failAt, step = real.imageDecodeInit] {
    engine::MainHeap()->FailAllocation(failAt);
    step();
  });
  s.windowLibInit = wrapInt("WindowLibInit", real.windowLibInit);
  s.bmpDecoderRegister = wrapVoid("BmpDecoderRegister", real.bmpDecoderRegister);
  s.musicInit = wrapVoid("MusicInit", real.musicInit);
  s.spriteSystemInit = wrapInt("SpriteSystemInit", real.spriteSystemInit);
  s.keyboardInit = wrapInt("KeyboardInit", real.keyboardInit);
  s.soundInit = wrapInt("SoundInit", real.soundInit);
  s.screenOpen = [log, count, step = real.screenOpen](std::int32_t w, std::int32_t h,
                                                      std::int32_t d, const char* title) {
    const std::uint64_t before = count();
    const int result = step(w, h, d, title);
    log->steps.push_back({"ScreenOpen", before, count(), result});
    return result;
  };
  s.gameRun = wrapVoid("GameRun", [log] {
    log->gameRan = true;
    game::GameSetup();
    // The shot (with its sound) and the enemy's restarts happen within these frames.
    for (; log->framesRun < kFrames && game::GameFrame(); ++log->framesRun) {
    }
  });
  s.musicEnd = wrapVoid("MusicEnd", real.musicEnd);
  s.soundEnd = wrapVoid("SoundEnd", real.soundEnd);
  s.keyboardRelease = wrapVoid("KeyboardRelease", real.keyboardRelease);
  s.screenClose = wrapVoid("ScreenClose", real.screenClose);
  s.spriteSystemEnd = wrapVoid("SpriteSystemEnd", real.spriteSystemEnd);
  s.windowLibEnd = wrapVoid("WindowLibEnd", [log, step = real.windowLibEnd] {
    step();
    log->blocksAtEnd = engine::MainHeap()->LiveBlockCount();
  });
  return s;
}

class StartupFaultTest : public GameRunTest {
 protected:
  RunLog Run(std::uint64_t failAt) {
    platform::HeadlessHost& host = HostMake();
    host.KeySet(platform::DIK_SPACE, true);
    RunLog log;
    EXPECT_EQ(Main(LoggedSteps(&log, failAt)), 0);
    EXPECT_EQ(engine::MainHeap(), nullptr);
    return log;
  }
};

TEST_F(StartupFaultTest, EveryAllocationFailureTakesADocumentedRoad) {
  const RunLog clean = Run(0);
  ASSERT_TRUE(clean.gameRan);
  ASSERT_EQ(clean.framesRun, kFrames);
  ASSERT_TRUE(host_->MessageBoxes().empty());
  const std::uint64_t total = clean.steps.back().allocationsAfter;
  ASSERT_GT(total, 10u);

  // Per step: how many failures took the first message's road, the second's, or ran the game.
  std::map<std::string, std::array<int, 3>> roads;
  for (std::uint64_t n = 1; n <= total; ++n) {
    const std::string step = clean.StepOf(n);
    SCOPED_TRACE(testing::Message() << "allocation " << n << " of " << total << ", in " << step);
    const RunLog log = Run(n);
    const auto& boxes = host_->MessageBoxes();

    const bool startFailed = log.Result("SpriteSystemInit") == 0 ||
                             log.Result("KeyboardInit") == 0 || log.Result("SoundInit") == 0;
    // A tested start that could not get its memory says so, instead of reporting a success the
    // program would then run on without sprites, keyboard or sound.
    if (step == "SpriteSystemInit" || step == "KeyboardInit" || step == "SoundInit") {
      EXPECT_TRUE(startFailed);
    }
    ++roads[step][startFailed ? 0 : log.Result("ScreenOpen") == 0 ? 1 : 2];
    if (startFailed) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, game::kErrorInitText);
      EXPECT_FALSE(log.gameRan);
      EXPECT_EQ(log.Result("ScreenOpen"), -1);
    } else if (log.Result("ScreenOpen") == 0) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, game::kErrorScreenText);
      EXPECT_FALSE(log.gameRan);
    } else {
      EXPECT_TRUE(boxes.empty());
      EXPECT_TRUE(log.gameRan);
      EXPECT_EQ(log.framesRun, kFrames);
    }
    // Shut-down ran to its last step on every road.
    ASSERT_FALSE(log.steps.empty());
    EXPECT_EQ(log.steps.back().name, "WindowLibEnd");
    EXPECT_LE(log.blocksAtEnd, clean.blocksAtEnd);
  }
  std::printf("  step               start message  screen message  game ran\n");
  for (const auto& [step, counts] : roads)
    std::printf("  %-18s %13d %15d %9d\n", step.c_str(), counts[0], counts[1], counts[2]);
}

}  // namespace
}  // namespace reliability
