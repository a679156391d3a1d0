#include "game/game.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "game/startup.h"
#include "platform/host/headless/headless_host.h"
#include "platform/input/key_codes.h"
#include "runtime/object_table.h"
#include "runtime/random.h"
#include "screen/screen_state.h"
#include "sound/sound_device.h"
#include "sound/sound_record.h"
#include "sprite/sprite.h"

namespace {

namespace p = platform;
using game::GameStateGet;

// Runs the real start-up with the game replaced by `body`, in the folder that holds the media.
class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(TIDEFRAY_SOURCE_DIR);
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  void Run(const std::function<void()>& body) {
    p::HeadlessHost::Options options;
    options.audioPerFrame = true;
    options.audioKeep = false;
    host_ = std::make_unique<p::HeadlessHost>(options);
    p::HostInstall(host_.get());
    engine::ScreenStateForget();
    game::StartupSteps steps = game::StartupStepsDefault();
    bool ran = false;
    steps.gameRun = [&] {
      ran = true;
      game::GameSetup();
      body();
    };
    game::TidefrayMain(steps);
    EXPECT_TRUE(ran) << "start-up failed";
    engine::ScreenStateForget();
    p::HostInstall(nullptr);
  }
  void Key(int code, bool down) { host_->KeySet(code, down); }
  // Runs passes with the keys as they are; returns false if a pass saw Escape.
  bool Frames(int count) {
    for (int i = 0; i < count; ++i)
      if (!game::GameFrame()) return false;
    return true;
  }
  // Keeps the enemy far away so that it does not interfere.
  void EnemyPark() {
    GameStateGet().enemyX = 10000;
    GameStateGet().enemySpeed = 0;
  }

  std::unique_ptr<p::HeadlessHost> host_;
  std::filesystem::path previous_;
};

TEST_F(GameTest, SetUpGivesTheInitialStateAndTheSprites) {
  Run([&] {
    const game::GameState& g = GameStateGet();
    EXPECT_EQ(g.playerFrame, 1);
    EXPECT_EQ(g.playerFrameStep, 1);
    EXPECT_EQ(g.playerX, 36);
    EXPECT_EQ(g.playerY, 224);
    EXPECT_EQ(g.enemyX, 670);
    EXPECT_EQ(g.enemyY, 224);
    EXPECT_EQ(g.enemySpeed, 3);
    EXPECT_EQ(g.animStep, 20);
    // Sprites 1..4 are clipped copies of the sheet; collisions see the clipped sizes.
    EXPECT_NE(engine::SpriteCollide(1, 0, 0, 4, 31, 31), 0);
    EXPECT_EQ(engine::SpriteCollide(1, 0, 0, 4, 32, 0), 0);
    EXPECT_NE(engine::SpriteCollide(3, 0, 0, 4, 6, 6), 0);
    EXPECT_EQ(engine::SpriteCollide(3, 0, 0, 4, 7, 0), 0);
  });
}

struct BoundCase {
  int key;
  std::int32_t game::GameState::*field;
  std::int32_t limit;
};

TEST_F(GameTest, MovementStopsOneStepBeyondTheBounds) {
  const BoundCase cases[] = {{p::DIK_LEFT, &game::GameState::playerX, -2},
                             {p::DIK_RIGHT, &game::GameState::playerX, 610},
                             {p::DIK_UP, &game::GameState::playerY, -2},
                             {p::DIK_DOWN, &game::GameState::playerY, 450}};
  Run([&] {
    for (const BoundCase& c : cases) {
      EnemyPark();
      Key(c.key, true);
      Frames(400);
      Key(c.key, false);
      EXPECT_EQ(GameStateGet().*c.field, c.limit) << c.key;
    }
  });
}

TEST_F(GameTest, BulletFlightPositionsAndFiringRule) {
  Run([&] {
    EnemyPark();
    game::GameState& g = GameStateGet();
    g.playerX = 100;
    Key(p::DIK_SPACE, true);
    Frames(1);
    EXPECT_EQ(g.bulletActive, 1);
    // Drawn at 132 in the firing pass, then 136, 140, ...
    EXPECT_EQ(g.bulletX, 136);
    EXPECT_EQ(g.bulletY, 224 + 13);
    g.playerX = 300;  // space still held: no new shot while one is in flight
    std::vector<std::int32_t> drawnAt;
    while (g.bulletActive) {
      drawnAt.push_back(g.bulletX);
      Frames(1);
    }
    EXPECT_EQ(drawnAt.front(), 136);
    EXPECT_EQ(drawnAt.back(), 640);  // the last draw is at 640
    EXPECT_EQ(g.bulletX, 644);       // then idle at 644
    // The pass after it became idle fires again, from the player's current position.
    Frames(1);
    EXPECT_EQ(g.bulletActive, 1);
    EXPECT_EQ(g.bulletX, 300 + 32 + 4);
    Key(p::DIK_SPACE, false);
  });
}

TEST_F(GameTest, IdleBulletStillSendsTheEnemyBack) {
  Run([&] {
    game::GameState& g = GameStateGet();
    g.bulletActive = 0;
    g.bulletX = 644;
    g.bulletY = 100;
    g.enemyX = 640;  // moves to 637: its rectangle reaches the parked bullet's
    g.enemyY = 100;
    g.enemySpeed = 3;
    Frames(1);
    EXPECT_EQ(g.enemyX, 670);
    EXPECT_EQ(g.bulletX, 670);
    EXPECT_EQ(g.bulletActive, 0);
    EXPECT_GE(g.enemyY, 0);
    EXPECT_LE(g.enemyY, 400);
    EXPECT_GE(g.enemySpeed, 2);
    EXPECT_LE(g.enemySpeed, 6);
  });
}

TEST_F(GameTest, HitBulletIsDrawnOnceMoreOffScreenThenIdle) {
  Run([&] {
    game::GameState& g = GameStateGet();
    g.playerY = 400;
    g.bulletActive = 1;
    g.bulletX = 300;
    g.bulletY = 100;
    g.enemyX = 310;
    g.enemyY = 100;
    g.enemySpeed = 2;
    Frames(1);
    EXPECT_EQ(g.bulletX, 670);
    EXPECT_EQ(g.bulletActive, 1);
    g.enemyY = 400;  // the restarted enemy must not meet the bullet again
    Frames(1);
    EXPECT_EQ(g.bulletX, 674);
    EXPECT_EQ(g.bulletActive, 0);
  });
}

TEST_F(GameTest, EnemyRestartsInTheSamePassWithTwoRandomDraws) {
  Run([&] {
    game::GameState& g = GameStateGet();
    g.enemyX = -30;
    g.enemySpeed = 6;
    g.enemyY = 50;
    engine::RandomSeed(1);
    Frames(1);
    EXPECT_EQ(g.enemyX, 670);
    EXPECT_EQ(g.enemyY, 289);  // the first two draws after RandomSeed(1)
    engine::RandomSeed(1);
    engine::RandomBelow(400);
    EXPECT_EQ(static_cast<std::uint32_t>(g.enemySpeed), engine::RandomBetween(6, 2));
  });
}

TEST_F(GameTest, PlayerFramesAlternateEveryTenPasses) {
  Run([&] {
    EnemyPark();
    std::vector<std::int32_t> drawn;
    for (int pass = 1; pass <= 31; ++pass) {
      drawn.push_back(GameStateGet().playerFrame);  // the frame this pass draws
      Frames(1);
    }
    for (int pass = 1; pass <= 11; ++pass) EXPECT_EQ(drawn[pass - 1], 1) << pass;
    for (int pass = 12; pass <= 21; ++pass) EXPECT_EQ(drawn[pass - 1], 2) << pass;
    for (int pass = 22; pass <= 31; ++pass) EXPECT_EQ(drawn[pass - 1], 1) << pass;
  });
}

TEST_F(GameTest, FloorScrollsOnePixelPerPassAndWraps) {
  Run([&] {
    EnemyPark();
    game::GameState& g = GameStateGet();
    g.floorScroll = 318;
    Frames(1);
    EXPECT_EQ(g.floorScroll, 319);
    Frames(1);
    EXPECT_EQ(g.floorScroll, 0);
  });
}

TEST_F(GameTest, EscapePassCompletesItsRandomDraws) {
  Run([&] {
    game::GameState& g = GameStateGet();
    g.enemyX = -30;
    g.enemySpeed = 6;
    Key(p::DIK_ESCAPE, true);
    EXPECT_FALSE(game::GameFrame());
    EXPECT_EQ(g.enemyX, 670);
    EXPECT_EQ(g.animCounter, 20);
  });
}

// Where the main channel of a sound is: playing or not, and its play cursor in bytes.
struct ChannelState {
  bool playing;
  std::uint32_t cursor;
};
ChannelState Channel(engine::ObjectId sound) {
  auto* record =
      static_cast<engine::SoundRecord*>(engine::ObjectTableLookup(engine::SoundTable, sound));
  if (!record) return {false, 0};
  std::uint32_t status = 0, play = 0, write = 0;
  record->buffer->GetStatus(&status);
  record->buffer->GetCurrentPosition(&play, &write);
  return {(status & p::DSBSTATUS_PLAYING) != 0, play};
}

TEST_F(GameTest, FiringPlaysTheShotAndEveryOverlappingPassRestartsTheCollision) {
  Run([&] {
    game::GameState& g = GameStateGet();
    EnemyPark();
    EXPECT_FALSE(Channel(0).playing);
    Key(p::DIK_SPACE, true);
    Frames(1);
    Key(p::DIK_SPACE, false);
    EXPECT_TRUE(Channel(0).playing);
    EXPECT_EQ(Channel(0).cursor, 0u);  // started in this pass; no audio has been played yet
    Frames(1);
    EXPECT_GT(Channel(0).cursor, 0u);  // the next presentation played a frame of it

    // Player and enemy overlap for 30 passes: each pass restarts sound 1 from its start.
    g.bulletActive = 0;
    g.bulletX = -1000;  // out of the way
    g.enemySpeed = 0;
    g.enemyX = g.playerX + 10;
    g.enemyY = g.playerY;
    for (int pass = 0; pass < 30; ++pass) {
      Frames(1);
      ASSERT_TRUE(Channel(1).playing) << pass;
      EXPECT_EQ(Channel(1).cursor, 0u) << pass;
    }
    g.enemyX = 10000;  // they part: the last start plays on
    Frames(1);
    EXPECT_GT(Channel(1).cursor, 0u);
  });
}

}  // namespace
