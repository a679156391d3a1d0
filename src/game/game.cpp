#include "game/game.h"

#include "image/png_decoder.h"
#include "input/keyboard.h"
#include "music/music_load.h"
#include "music/music_player.h"
#include "platform/input/key_codes.h"
#include "runtime/object_id.h"
#include "runtime/random.h"
#include "screen/screen.h"
#include "sound/sound_load.h"
#include "sound/sound_play.h"
#include "sprite/sprite.h"

namespace game {

namespace {

GameState gGame{};

// Object numbers.
constexpr engine::ObjectId kSheet = 0, kPlayerFrameA = 1, kBullet = 3, kEnemy = 4, kFloor = 20;
constexpr engine::ObjectId kShotSound = 0, kCollisionSound = 1, kMusic = 0;

constexpr std::uint32_t kMagenta = engine::ColorRGB(255, 0, 255);
constexpr std::uint32_t kSky = engine::ColorRGB(40, 140, 255);

struct SheetRegion {
  engine::ObjectId sprite;
  std::int32_t x, y, width, height;
};
// Player frames, bullet and enemy on the sprite sheet.
constexpr SheetRegion kRegions[] = {
    {1, 0, 0, 32, 32}, {2, 32, 0, 32, 32}, {3, 64, 12, 7, 7}, {4, 0, 32, 32, 32}};

void EnemyRestart() {
  gGame.enemyX = 670;
  gGame.enemyY = static_cast<std::int32_t>(engine::RandomBelow(400));
  gGame.enemySpeed = static_cast<std::int32_t>(engine::RandomBetween(6, 2));
}

}  // namespace

GameState& GameStateGet() {
  return gGame;
}

void GameSetup() {
  gGame = GameState{};
  gGame.playerFrame = kPlayerFrameA;
  gGame.playerFrameStep = 1;
  gGame.playerX = 36;
  gGame.playerY = 224;
  gGame.enemyX = 670;
  gGame.enemyY = 224;
  gGame.enemySpeed = 3;
  gGame.animStep = 20;

  engine::SoundLoad(kShotSound, kShotSoundPath);
  engine::SoundLoad(kCollisionSound, kCollisionSoundPath);
  engine::MusicLoad(kMusic, kMusicPath);

  engine::PngDecoderRegister();
  engine::SpriteLoad(kSheet, kSpriteSheetPath, 0);
  for (const SheetRegion& r : kRegions) {
    engine::SpriteCopy(kSheet, r.sprite, 0);
    engine::SpriteClip(r.sprite, r.x, r.y, r.width, r.height);
    engine::SpriteSetMaskColor(r.sprite, kMagenta);
  }
  engine::SpriteLoad(kFloor, kFloorPath, 0);
  engine::SpriteSetMaskColor(kFloor, kMagenta);

  engine::MusicSetVolume(kMusic, 20);
  engine::MusicPlay(kMusic);
}

bool GameFrame() {
  GameState& g = gGame;
  engine::ScreenFlip();
  engine::ScreenClear(kSky);

  for (std::int32_t i = 0; i < 3; ++i) engine::SpriteDraw(kFloor, i * 320 - g.floorScroll, 240);
  if (++g.floorScroll > 319) g.floorScroll = 0;

  engine::KeyboardPoll();
  // The bound is tested before the move, so the edges reach -2 and 610 / 450.
  if (engine::KeyIsDown(platform::DIK_LEFT) && g.playerX >= 0) g.playerX -= 2;
  if (engine::KeyIsDown(platform::DIK_RIGHT) && g.playerX <= 608) g.playerX += 2;
  if (engine::KeyIsDown(platform::DIK_UP) && g.playerY >= 0) g.playerY -= 2;
  if (engine::KeyIsDown(platform::DIK_DOWN) && g.playerY <= 448) g.playerY += 2;

  if (g.bulletActive == 0 && engine::KeyIsDown(platform::DIK_SPACE)) {
    g.bulletActive = 1;
    g.bulletX = g.playerX + 32;
    g.bulletY = g.playerY + 13;
    engine::SoundPlay(kShotSound);
  }

  if (g.bulletActive == 1) {
    engine::SpriteDraw(kBullet, g.bulletX, g.bulletY);
    g.bulletX += 4;
    if (g.bulletX > 640) g.bulletActive = 0;
  }

  engine::SpriteDraw(kEnemy, g.enemyX, g.enemyY);
  g.enemyX -= g.enemySpeed;
  if (g.enemyX < -32) EnemyRestart();

  engine::SpriteDraw(g.playerFrame, g.playerX, g.playerY);

  if (engine::SpriteCollide(g.playerFrame, g.playerX, g.playerY, kEnemy, g.enemyX, g.enemyY))
    engine::SoundPlay(kCollisionSound);

  // An idle bullet still collides where it was left.
  if (engine::SpriteCollide(kBullet, g.bulletX, g.bulletY, kEnemy, g.enemyX, g.enemyY)) {
    g.bulletX = 670;
    EnemyRestart();
  }

  if (g.animCounter >= 200) {
    g.playerFrame += g.playerFrameStep;
    g.playerFrameStep = -g.playerFrameStep;
    g.animCounter = 0;
  }
  g.animCounter += g.animStep;

  return !engine::KeyIsDown(platform::DIK_ESCAPE);
}

void GameRun() {
  GameSetup();
  while (GameFrame()) {
  }
}

}  // namespace game
