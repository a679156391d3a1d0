#include "platform/host/sdl/sdl_audio_output.h"

#include <SDL.h>

#include <atomic>

namespace platform {

namespace {

// 1024 frames (23 ms) is the longest a newly played sound may wait for the device; smaller
// buffers risk underruns on a loaded machine.
constexpr Uint16 kDeviceFrames = 1024;

class SdlAudioOutput final : public AudioOutput {
 public:
  explicit SdlAudioOutput(AudioSource* source) : source_(source) {}
  ~SdlAudioOutput() override {
    // Closing waits for a callback in progress, so the source is not called after this.
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    if (subsystemUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Open() {
    // The subsystem is reference-counted by SDL; this output holds one reference of its own.
    subsystemUp_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!subsystemUp_) return false;
    SDL_AudioSpec want{};
    want.freq = kAudioRate;
    want.format = AUDIO_S16SYS;
    want.channels = kAudioChannels;
    want.samples = kDeviceFrames;
    want.callback = &SdlAudioOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants behind this format.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) return false;
    bufferFrames_ = have.samples;
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  std::uint64_t FramesPlayed() const override { return played_.load(); }
  std::size_t BufferFrames() const override { return bufferFrames_; }

 private:
  static void SDLCALL Callback(void* userdata, Uint8* stream, int bytes) {
    auto* self = static_cast<SdlAudioOutput*>(userdata);
    auto frames = static_cast<std::size_t>(bytes) / (kAudioChannels * sizeof(std::int16_t));
    // SDL hands out a buffer aligned for the format it was opened with.
    self->source_->AudioRender(reinterpret_cast<std::int16_t*>(stream), frames);
    self->played_ += frames;
  }

  AudioSource* source_;
  SDL_AudioDeviceID device_ = 0;
  bool subsystemUp_ = false;
  std::size_t bufferFrames_ = kDeviceFrames;
  std::atomic<std::uint64_t> played_{0};
};

}  // namespace

std::unique_ptr<AudioOutput> SdlAudioOutputOpen(AudioSource* source) {
  if (!source) return nullptr;
  auto output = std::make_unique<SdlAudioOutput>(source);
  if (!output->Open()) return nullptr;
  return output;
}

}  // namespace platform
