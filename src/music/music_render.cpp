#include "music/music_render.h"

#include <cstring>

namespace engine {

namespace {

// libmodplug plays patterns 0 to 239 only; once a song is over it reports the order list's
// end marker (255) as the current pattern.
constexpr int kModPlugPatternLimit = 240;

bool SongOver(ModPlugFile* module) {
  return ModPlug_GetCurrentPattern(module) >= kModPlugPatternLimit;
}

}  // namespace

std::mutex& MusicModPlugLock() {
  static std::mutex lock;
  return lock;
}

ModPlug_Settings MusicSettings() {
  // Every field is set, not only the loop count: a libmodplug built with other defaults would
  // otherwise change how the music sounds (or render a format the buffer does not have).
  ModPlug_Settings settings{};
  settings.mFlags = MODPLUG_ENABLE_OVERSAMPLING | MODPLUG_ENABLE_NOISE_REDUCTION;
  settings.mChannels = 2;
  settings.mBits = 16;
  settings.mFrequency = 44100;
  settings.mResamplingMode = MODPLUG_RESAMPLE_LINEAR;
  settings.mStereoSeparation = 128;
  settings.mMaxMixChannels = 32;
  settings.mReverbDepth = 0;
  settings.mReverbDelay = 0;
  settings.mBassAmount = 0;
  settings.mBassRange = 0;
  settings.mSurroundDepth = 0;
  settings.mSurroundDelay = 0;
  settings.mLoopCount = -1;
  return settings;
}

void MusicRender(ModPlugFile* module, void* out, std::size_t bytes) {
  std::lock_guard guard(MusicModPlugLock());
  auto* at = static_cast<unsigned char*>(out);
  // Whatever the loop count says, this libmodplug ends every song that runs off the end of its
  // order list: the read in which the song ends is filled up with a short fade and then
  // silence, and every read after it gives nothing. Left alone, the stream buffer would loop
  // over its last halves for ever. So the module is rendered in short pieces, and when a
  // piece finds the song over (or a read comes back short), the module starts again from its
  // beginning right there: at most one piece of the fade is heard, never the silence.
  bool restarted = false;
  while (bytes > 0) {
    int want = static_cast<int>(bytes < kMusicRenderChunkBytes ? bytes : kMusicRenderChunkBytes);
    int got = ModPlug_Read(module, at, want);
    if (got < 0) got = 0;
    if (got > want) got = want;
    at += got;
    bytes -= static_cast<std::size_t>(got);
    if (got == want && !SongOver(module)) {
      restarted = false;
      continue;
    }
    if (got == 0 && restarted) {
      // Even its beginning gives nothing: the module is silent.
      std::memset(at, 0, bytes);
      return;
    }
    ModPlug_Seek(module, 0);
    restarted = got == 0;
  }
}

}  // namespace engine
