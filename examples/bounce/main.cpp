// Bounce: a ball bounces around the screen and beeps at every wall; Escape ends it.
//
//   bounce             in a window, with sound (the SDL host)
//   bounce --frames N  N frames on the headless host: no display, no sound card; prints what
//                      happened, so a build can be checked without either
//
// It makes its ball (a BMP image) and its beep (a WAVE sound) in memory and hands them to the
// engine as files, the way a game hands over what it read from disk.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "input/keyboard.h"
#include "platform/host/headless/headless_host.h"
#include "platform/host/sdl/sdl_host.h"
#include "platform/input/key_codes.h"
#include "runtime/main_heap.h"
#include "runtime/object_id.h"
#include "screen/screen.h"
#include "sound/sound.h"
#include "sprite/sprite.h"

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kBallSize = 16;
constexpr engine::ObjectId kBall = 1;
constexpr engine::ObjectId kBeep = 1;
constexpr std::uint32_t kMask = engine::ColorRGB(255, 0, 255);
constexpr std::uint32_t kBackground = engine::ColorRGB(16, 24, 48);

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
}

// A 24-bit BMP file: an orange ball with a highlight on the mask colour.
std::vector<std::uint8_t> BallImage() {
  constexpr int kRowBytes = kBallSize * 3;  // a multiple of 4, so rows need no padding
  constexpr std::uint32_t kPixelBytes = kRowBytes * kBallSize;
  std::vector<std::uint8_t> bmp;
  bmp.push_back('B');
  bmp.push_back('M');
  PutLe(bmp, 14 + 40 + kPixelBytes, 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, 14 + 40, 4);
  PutLe(bmp, 40, 4);
  PutLe(bmp, kBallSize, 4);
  PutLe(bmp, kBallSize, 4);  // positive height: rows bottom-up
  PutLe(bmp, 1, 2);
  PutLe(bmp, 24, 2);
  PutLe(bmp, 0, 4);  // no compression
  PutLe(bmp, kPixelBytes, 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, 0, 4);
  const double centre = (kBallSize - 1) / 2.0;
  for (int row = kBallSize - 1; row >= 0; --row) {
    for (int x = 0; x < kBallSize; ++x) {
      const double d = std::hypot(x - centre, row - centre);
      const double shine = std::hypot(x - centre + 3, row - centre + 3);
      std::uint8_t r = 255, g = 0, b = 255;  // the mask colour: not drawn
      if (d <= kBallSize / 2.0) {
        r = 255;
        g = shine < 2.5 ? 230 : 140;
        b = shine < 2.5 ? 200 : 40;
      }
      bmp.insert(bmp.end(), {b, g, r});
    }
  }
  return bmp;
}

// A WAVE file: 60 ms of 880 Hz, 16-bit mono at 22050 Hz, faded in and out so it does not click.
std::vector<std::uint8_t> BeepSound() {
  constexpr int kRate = 22050;
  constexpr int kFrames = kRate * 60 / 1000;
  constexpr int kFade = kRate * 5 / 1000;
  std::vector<std::uint8_t> wav;
  PutTag(wav, "RIFF");
  PutLe(wav, 36 + kFrames * 2, 4);
  PutTag(wav, "WAVE");
  PutTag(wav, "fmt ");
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);  // PCM
  PutLe(wav, 1, 2);
  PutLe(wav, kRate, 4);
  PutLe(wav, kRate * 2, 4);
  PutLe(wav, 2, 2);
  PutLe(wav, 16, 2);
  PutTag(wav, "data");
  PutLe(wav, kFrames * 2, 4);
  for (int i = 0; i < kFrames; ++i) {
    const double fade = std::min({1.0, double(i) / kFade, double(kFrames - 1 - i) / kFade});
    const double v = 0.5 * fade * std::sin(2.0 * std::numbers::pi * 880.0 * i / kRate);
    PutLe(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(v * 32767.0)), 2);
  }
  return wav;
}

// Moves one coordinate and turns it back at the edges; true when it bounced.
bool Step(int& position, int& speed, int limit) {
  position += speed;
  if (position < 0 || position > limit) {
    position = std::clamp(position, 0, limit);
    speed = -speed;
    return true;
  }
  return false;
}

bool Start() {
  engine::MainHeapCreate();
  engine::ImageDecodeInit();
  engine::BmpDecoderRegister();
  if (!engine::SpriteSystemInit() || !engine::KeyboardInit() || !engine::SoundInit()) {
    std::fprintf(stderr, "bounce: no display, keyboard or sound output\n");
    return false;
  }
  if (!engine::ScreenOpen(kScreenWidth, kScreenHeight, 32, "Bounce")) {
    std::fprintf(stderr, "bounce: the screen cannot be opened\n");
    return false;
  }
  return true;
}

void End() {
  engine::SoundEnd();
  engine::KeyboardRelease();
  engine::ScreenClose();
  engine::SpriteSystemEnd();
  engine::MainHeapDestroy();
}

}  // namespace

int main(int argc, char** argv) {
  long frameLimit = -1;  // run until Escape
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frameLimit = std::strtol(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: bounce [--frames N]\n");
      return 2;
    }
  }

  // The headless host renders 1/60 s of audio per presented frame and keeps it, so what the
  // beeps put into the mix can be looked at afterwards.
  std::unique_ptr<platform::Host> host;
  platform::HeadlessHost* headless = nullptr;
  if (frameLimit >= 0) {
    platform::HeadlessHost::Options options;
    options.audioPerFrame = true;
    auto owned = std::make_unique<platform::HeadlessHost>(options);
    headless = owned.get();
    host = std::move(owned);
  } else {
    host = std::make_unique<platform::SdlHost>();
  }
  platform::HostInstall(host.get());

  if (!Start()) {
    End();
    return 1;
  }
  const std::vector<std::uint8_t> image = BallImage();
  const std::vector<std::uint8_t> sound = BeepSound();
  engine::SpriteFromMemory(kBall, image);
  engine::SpriteSetMaskColor(kBall, kMask);
  engine::SoundLoadFromMemory(kBeep, sound.data(), sound.size());

  int x = 100, y = 80, speedX = 5, speedY = 4;
  long frames = 0;
  int bounces = 0;
  while (frameLimit < 0 || frames < frameLimit) {
    engine::ScreenFlip();
    engine::ScreenClear(kBackground);
    const bool bouncedX = Step(x, speedX, kScreenWidth - kBallSize);
    const bool bouncedY = Step(y, speedY, kScreenHeight - kBallSize);
    if (bouncedX || bouncedY) {
      engine::SoundPlay(kBeep);
      ++bounces;
    }
    engine::SpriteDraw(kBall, x, y);
    engine::KeyboardPoll();
    if (engine::KeyIsDown(platform::DIK_ESCAPE)) break;
    ++frames;
  }

  std::printf("bounce: %ld frames, %d bounces", frames, bounces);
  if (headless) {
    std::int32_t peak = 0;
    for (std::int16_t v : headless->AudioCaptured())
      peak = std::max<std::int32_t>(peak, std::abs(v));
    std::printf(", %llu frames shown, audio peak %d",
                static_cast<unsigned long long>(headless->FramesPresented()), peak);
  }
  std::printf("\n");
  End();
  return 0;
}
