#pragma once

// libmodplug as the module player uses it. Its settings and mixing buffers are shared by every
// module, so each call into it is made under one lock: two playing modules (two workers) and
// the main thread never run it at the same time.

#include <libmodplug/modplug.h>

#include <cstddef>
#include <mutex>

namespace engine {

// The lock around every libmodplug call of the process.
std::mutex& MusicModPlugLock();

// The settings MusicInit applies: 16-bit stereo at 44100 Hz (the stream buffer's format),
// oversampling and noise reduction, linear resampling, separation 128, 32 mixing channels, no
// reverb, bass boost or surround, endless looping.
ModPlug_Settings MusicSettings();

// Rendering goes in pieces of this many bytes (3200 frames, about 73 ms): the end of a song is
// found to within one piece, so at most that much of the renderer's closing fade is heard
// before the song starts again. Each piece is one more call into libmodplug; at this size the
// player costs about 2.5% more CPU than libmodplug rendering whole halves, at half the size
// about 4.5% (bench/audio).
inline constexpr std::size_t kMusicRenderChunkBytes = 12800;

// Renders exactly `bytes` bytes (a multiple of 4) of the module into `out`. When the module's
// song ends, which libmodplug lets happen even when told to loop for ever, the module restarts
// from its beginning and the rest is filled from there, so every module repeats without a gap;
// a module that renders nothing even from its start gives silence. Takes the lock.
void MusicRender(ModPlugFile* module, void* out, std::size_t bytes);

}  // namespace engine
