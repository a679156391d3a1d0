#include "game/startup.h"

#include "game/game.h"
#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "input/keyboard.h"
#include "music/music.h"
#include "platform/host/host.h"
#include "runtime/main_heap.h"
#include "runtime/message_box.h"
#include "screen/screen.h"
#include "sound/sound.h"
#include "windowlib/windowlib.h"

namespace game {

StartupSteps StartupStepsDefault() {
  StartupSteps s;
  s.imageDecodeInit = engine::ImageDecodeInit;
  s.windowLibInit = engine::WindowLibInit;
  s.bmpDecoderRegister = engine::BmpDecoderRegister;
  s.musicInit = engine::MusicInit;
  s.spriteSystemInit = engine::SpriteSystemInit;
  s.keyboardInit = engine::KeyboardInit;
  s.soundInit = engine::SoundInit;
  s.screenOpen = engine::ScreenOpen;
  s.gameRun = GameRun;
  s.musicEnd = engine::MusicEnd;
  s.soundEnd = engine::SoundEnd;
  s.keyboardRelease = engine::KeyboardRelease;
  s.screenClose = engine::ScreenClose;
  s.spriteSystemEnd = engine::SpriteSystemEnd;
  s.windowLibEnd = engine::WindowLibEnd;
  return s;
}

namespace {

// Start-up up to the game; false when one of the checks failed (its message was shown).
bool StartupRun(const StartupSteps& s) {
  s.imageDecodeInit();
  s.windowLibInit();
  s.bmpDecoderRegister();
  s.musicInit();
  // Common controls and COM for this thread, where the host's system has them; neither
  // result is looked at.
  platform::Host& host = platform::HostGet();
  host.CommonControlsInit(kCommonControlClasses);
  host.ComInit();
  bool started = s.spriteSystemInit() && s.keyboardInit() && s.soundInit();
  if (!started) {
    engine::MessageBoxBlocking(kErrorCaption, kErrorInitText, platform::MB_OK);
    return false;
  }
  if (!s.screenOpen(640, 480, 32, "Tidefray")) {
    engine::MessageBoxBlocking(kErrorCaption, kErrorScreenText, platform::MB_OK);
    return false;
  }
  return true;
}

void ShutdownRun(const StartupSteps& s) {
  s.musicEnd();
  s.soundEnd();
  s.keyboardRelease();
  s.screenClose();
  s.spriteSystemEnd();
  s.windowLibEnd();
}

}  // namespace

int TidefrayMain(const StartupSteps& steps) {
  engine::MainHeapCreate();
  if (StartupRun(steps)) steps.gameRun();
  ShutdownRun(steps);
  engine::MainHeapDestroy();
  return 0;
}

}  // namespace game
