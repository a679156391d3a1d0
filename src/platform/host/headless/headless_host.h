#pragma once

// A host without a display server or sound card, for tests and tools. Windows are records,
// focus is driven by the caller, message boxes are recorded and answered with OK at once,
// the keyboard is scripted, frames are captured, and audio goes to a real-time null output,
// to memory or a WAV file, or nowhere at all.

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

#include "platform/host/host.h"

namespace platform {

class HeadlessHost final : public Host {
 public:
  enum class Pacing { Unthrottled, RealTime60 };
  // Clock::Virtual: the tick count starts at `tickStart`, Sleep on the main thread advances it,
  // every presented frame adds 1/60 s; other threads (streaming workers) sleep for real. Clock::Real: milliseconds of a monotonic clock plus `tickStart`.
  enum class Clock { Virtual, Real };
  // Audio::None: no output (the sound library cannot load). Audio::RealTime: a thread consumes
  // audio at 44100 Hz and drops it. Audio::Manual: audio advances only with AudioAdvance, or by
  // 735 frames per presented frame when `audioPerFrame` is set; it is kept in memory and, when
  // `wavPath` is set, written to that file.
  enum class Audio { None, RealTime, Manual };

  struct Options {
    std::vector<DisplayMode> displayModes = DefaultDisplayModes();
    Pacing pacing = Pacing::Unthrottled;
    Clock clock = Clock::Virtual;
    std::uint32_t tickStart = 0;
    Audio audio = Audio::Manual;
    bool audioPerFrame = false;
    bool audioKeep = true;
    std::string wavPath;
    // Simulated desktop composition: "dwmapi.dll" is available and composition starts on.
    bool composition = false;
  };
  static std::vector<DisplayMode> DefaultDisplayModes();

  HeadlessHost();
  explicit HeadlessHost(Options options);
  ~HeadlessHost() override;

  // --- Host
  int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                 std::uint32_t flags) override;
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
  std::vector<DisplayMode> DisplayModes() override { return options_.displayModes; }
  bool FramePresent(const Frame& frame) override;
  std::unique_ptr<AudioOutput> AudioOutputOpen(AudioSource* source) override;
  void KeyboardRead(std::uint8_t keys[256]) override;
  bool LibraryAvailable(const std::string& name) override;
  std::int32_t CompositionIsEnabled() override { return compositionOn_ ? 1 : 0; }
  void CompositionEnable(bool enable) override { compositionOn_ = enable; }

  // --- Test controls
  struct MessageBoxRecord {
    WindowHandle owner;
    std::string text;
    std::string caption;
    std::uint32_t flags;
  };
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
  // Runs while a box is "shown", before it returns; lets a test look at the windows then.
  void OnMessageBox(std::function<void(const MessageBoxRecord&)> hook) {
    boxHook_ = std::move(hook);
  }

  void KeySet(int keyCode, bool down);
  void KeysClear();
  // Gives a window the focus (WM_ACTIVATE with `how`) or takes it away.
  void Activate(WindowHandle window, std::uintptr_t how = WA_ACTIVE) {
    FocusChange(window, true, how);
  }
  void Deactivate(WindowHandle window) { FocusChange(window, false); }
  // Makes the named run-time library unavailable (or available again).
  void LibraryBlock(const std::string& name, bool blocked);

  // Called with every presented frame; a presented frame is also counted.
  void OnFrame(std::function<void(const Frame&)> hook) { frameHook_ = std::move(hook); }
  std::uint64_t FramesPresented() const { return framesPresented_; }
  // A presentation that fails (the display went away) when set.
  void PresentFailSet(bool fail) { presentFail_ = fail; }
  // Advances the virtual clock.
  void TickAdvance(std::uint32_t milliseconds);

  // Manual audio: renders `frames` frames from the open output's source.
  void AudioAdvance(std::size_t frames);
  // The audio rendered so far (Manual with audioKeep).
  std::vector<std::int16_t> AudioCaptured() const;
  // Makes the audio output fail: nothing is rendered from now on.
  void AudioFailSet(bool fail);

  const Options& GetOptions() const { return options_; }

 private:
  class ManualOutput;
  class RealTimeOutput;

  Options options_;
  std::vector<MessageBoxRecord> boxes_;
  std::function<void(const MessageBoxRecord&)> boxHook_;
  std::function<void(const Frame&)> frameHook_;
  std::uint8_t keys_[256] = {};
  std::vector<std::string> blockedLibraries_;
  std::uint64_t framesPresented_ = 0;
  bool presentFail_ = false;
  std::atomic<std::uint64_t> virtualMicros_{0};
  std::uint32_t mainThread_ = 0;
  std::uint64_t realStart_ = 0;
  std::uint64_t nextPresentMicros_ = 0;
  ManualOutput* manual_ = nullptr;  // owned by the engine's sound device
  mutable std::mutex audioLock_;
  std::vector<std::int16_t> audio_;
  std::FILE* wav_ = nullptr;
  std::uint64_t wavFrames_ = 0;
  bool audioFail_ = false;
  bool compositionOn_ = false;
  friend class ManualOutput;
};

// Writes a canonical 44-byte WAV header for 16-bit stereo at 44100 Hz.
void WavHeaderWrite(std::FILE* file, std::uint64_t frames);

}  // namespace platform
