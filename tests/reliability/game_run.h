#pragma once

// Runs the real program (start-up, the game, shut-down) on a headless host, in the folder that
// holds the game's media, with the frame loop replaced by a body the test controls.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "game/game.h"
#include "game/startup.h"
#include "platform/host/headless/headless_host.h"
#include "screen/screen_state.h"

namespace reliability {

class GameRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(TIDEFRAY_SOURCE_DIR);
  }
  void TearDown() override {
    platform::HostInstall(nullptr);
    host_.reset();
    std::filesystem::current_path(previous_);
  }

  static platform::HeadlessHost::Options DefaultOptions() {
    platform::HeadlessHost::Options options;
    options.audioPerFrame = true;
    options.audioKeep = false;
    return options;
  }

  // A fresh host for the next run.
  platform::HeadlessHost& HostMake(platform::HeadlessHost::Options options = DefaultOptions()) {
    platform::HostInstall(nullptr);
    host_ = std::make_unique<platform::HeadlessHost>(std::move(options));
    platform::HostInstall(host_.get());
    return *host_;
  }

  // The engine's own steps with the frame loop replaced: set-up, then `body`.
  static game::StartupSteps StepsWithBody(std::function<void()> body) {
    game::StartupSteps steps = game::StartupStepsDefault();
    steps.gameRun = [body = std::move(body)] {
      game::GameSetup();
      body();
    };
    return steps;
  }

  // Runs the program on the current host; the screen library forgets the previous run first.
  int Main(const game::StartupSteps& steps) {
    engine::ScreenStateForget();
    const int code = game::TidefrayMain(steps);
    engine::ScreenStateForget();
    return code;
  }

  // Runs up to `count` passes of the frame loop; false if one saw Escape.
  static bool Frames(int count) {
    for (int i = 0; i < count; ++i)
      if (!game::GameFrame()) return false;
    return true;
  }

  std::unique_ptr<platform::HeadlessHost> host_;

 private:
  std::filesystem::path previous_;
};

}  // namespace reliability
