#include "platform/host/headless/headless_host.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

namespace {
std::uint64_t MonotonicMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
constexpr std::uint64_t kFrameMicros = 1000000 / 60;
constexpr std::size_t kAudioFramesPerVideoFrame = kAudioRate / 60;  // 735
}  // namespace

std::vector<DisplayMode> HeadlessHost::DefaultDisplayModes() {
  // X1R5G5B5 (24), R5G6B5 (23), X8R8G8B8 (22), at 640 x 480 and 60 Hz.
  return {{640, 480, 60, 24}, {640, 480, 60, 23}, {640, 480, 60, 22}};
}

// Audio that advances only when the host says so: exact and repeatable.
class HeadlessHost::ManualOutput final : public AudioOutput {
 public:
  ManualOutput(HeadlessHost* host, AudioSource* source) : host_(host), source_(source) {}
  ~ManualOutput() override {
    std::lock_guard guard(host_->audioLock_);
    host_->manual_ = nullptr;
  }
  std::uint64_t FramesPlayed() const override { return played_.load(); }
  std::size_t BufferFrames() const override { return kAudioFramesPerVideoFrame; }
  void Advance(std::size_t frames) {
    std::vector<std::int16_t> block(frames * kAudioChannels);
    source_->AudioRender(block.data(), frames);
    played_ += frames;
    if (host_->options_.audioKeep)
      host_->audio_.insert(host_->audio_.end(), block.begin(), block.end());
    if (host_->wav_) {
      std::fwrite(block.data(), sizeof(std::int16_t), block.size(), host_->wav_);
      host_->wavFrames_ += frames;
    }
  }

 private:
  HeadlessHost* host_;
  AudioSource* source_;
  std::atomic<std::uint64_t> played_{0};
};

// Consumes audio at the output rate on its own thread and drops it, like a sound card nobody
// listens to; the mixer's play cursors then move in real time.
class HeadlessHost::RealTimeOutput final : public AudioOutput {
 public:
  static constexpr std::size_t kBlock = 512;
  explicit RealTimeOutput(AudioSource* source) : source_(source) {
    thread_ = std::thread([this] { Run(); });
  }
  ~RealTimeOutput() override {
    stop_ = true;
    thread_.join();
  }
  std::uint64_t FramesPlayed() const override { return played_.load(); }
  std::size_t BufferFrames() const override { return kBlock; }

 private:
  void Run() {
    std::vector<std::int16_t> block(kBlock * kAudioChannels);
    auto start = std::chrono::steady_clock::now();
    while (!stop_) {
      source_->AudioRender(block.data(), kBlock);
      played_ += kBlock;
      auto due = start + std::chrono::microseconds(played_.load() * 1000000 / kAudioRate);
      std::this_thread::sleep_until(due);
    }
  }
  AudioSource* source_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> played_{0};
  std::thread thread_;
};

HeadlessHost::HeadlessHost() : HeadlessHost(Options{}) {}

HeadlessHost::HeadlessHost(Options options) : options_(std::move(options)) {
  compositionOn_ = options_.composition;
  mainThread_ = CurrentThreadId();
  realStart_ = MonotonicMicros();
  if (!options_.wavPath.empty()) {
    wav_ = std::fopen(options_.wavPath.c_str(), "wb");
    if (wav_) WavHeaderWrite(wav_, 0);
  }
}

HeadlessHost::~HeadlessHost() {
  if (wav_) {
    std::fseek(wav_, 0, SEEK_SET);
    WavHeaderWrite(wav_, wavFrames_);
    std::fclose(wav_);
  }
}

int HeadlessHost::MessageBox(WindowHandle owner, const std::string& text,
                             const std::string& caption, std::uint32_t flags) {
  boxes_.push_back({owner, text, caption, flags});
  if (boxHook_) boxHook_(boxes_.back());
  return IDOK;
}

std::uint32_t HeadlessHost::TickCount() {
  if (options_.clock == Clock::Virtual)
    return options_.tickStart + static_cast<std::uint32_t>(virtualMicros_ / 1000);
  return options_.tickStart + static_cast<std::uint32_t>((MonotonicMicros() - realStart_) / 1000);
}

void HeadlessHost::Sleep(std::uint32_t milliseconds) {
  if (options_.clock == Clock::Virtual && CurrentThreadId() == mainThread_) {
    virtualMicros_ += std::uint64_t{milliseconds} * 1000;
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void HeadlessHost::TickAdvance(std::uint32_t milliseconds) {
  virtualMicros_ += std::uint64_t{milliseconds} * 1000;
}

bool HeadlessHost::FramePresent(const Frame& frame) {
  if (presentFail_) return false;
  if (options_.pacing == Pacing::RealTime60) {
    std::uint64_t now = MonotonicMicros();
    if (nextPresentMicros_ == 0 || now > nextPresentMicros_ + kFrameMicros)
      nextPresentMicros_ = now;
    std::this_thread::sleep_for(
        std::chrono::microseconds(nextPresentMicros_ - std::min(now, nextPresentMicros_)));
    nextPresentMicros_ += kFrameMicros;
  }
  if (options_.clock == Clock::Virtual) virtualMicros_ += kFrameMicros;
  ++framesPresented_;
  if (frameHook_) frameHook_(frame);
  if (options_.audioPerFrame) AudioAdvance(kAudioFramesPerVideoFrame);
  return true;
}

std::unique_ptr<AudioOutput> HeadlessHost::AudioOutputOpen(AudioSource* source) {
  switch (options_.audio) {
    case Audio::None:
      return nullptr;
    case Audio::RealTime:
      return std::make_unique<RealTimeOutput>(source);
    case Audio::Manual: {
      auto out = std::make_unique<ManualOutput>(this, source);
      std::lock_guard guard(audioLock_);
      manual_ = out.get();
      return out;
    }
  }
  return nullptr;
}

void HeadlessHost::AudioAdvance(std::size_t frames) {
  std::lock_guard guard(audioLock_);
  if (manual_ && !audioFail_) manual_->Advance(frames);
}

std::vector<std::int16_t> HeadlessHost::AudioCaptured() const {
  std::lock_guard guard(audioLock_);
  return audio_;
}

void HeadlessHost::AudioFailSet(bool fail) {
  std::lock_guard guard(audioLock_);
  audioFail_ = fail;
}

bool HeadlessHost::LibraryAvailable(const std::string& name) {
  if (std::find(blockedLibraries_.begin(), blockedLibraries_.end(), name) !=
      blockedLibraries_.end())
    return false;
  if (name == "DSOUND.DLL") return options_.audio != Audio::None;
  if (name == "dwmapi.dll") return options_.composition;
  return Host::LibraryAvailable(name);
}

void HeadlessHost::LibraryBlock(const std::string& name, bool blocked) {
  auto it = std::find(blockedLibraries_.begin(), blockedLibraries_.end(), name);
  if (blocked && it == blockedLibraries_.end()) blockedLibraries_.push_back(name);
  if (!blocked && it != blockedLibraries_.end()) blockedLibraries_.erase(it);
}

void HeadlessHost::KeyboardRead(std::uint8_t keys[256]) {
  std::copy(keys_, keys_ + 256, keys);
}

void HeadlessHost::KeySet(int keyCode, bool down) {
  if (keyCode >= 0 && keyCode < 256) keys_[keyCode] = down ? 0x80 : 0;
}

void HeadlessHost::KeysClear() {
  std::fill(keys_, keys_ + 256, 0);
}

void WavHeaderWrite(std::FILE* file, std::uint64_t frames) {
  auto put32 = [&](std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, file);
  };
  auto put16 = [&](std::uint16_t v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, file);
  };
  std::uint64_t dataBytes64 = frames * kAudioChannels * 2;
  std::uint32_t dataBytes =
      dataBytes64 > 0xFFFFFFF0u ? 0xFFFFFFF0u : static_cast<std::uint32_t>(dataBytes64);
  std::fwrite("RIFF", 1, 4, file);
  put32(36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, file);
  put32(16);
  put16(1);
  put16(kAudioChannels);
  put32(kAudioRate);
  put32(kAudioRate * kAudioChannels * 2);
  put16(kAudioChannels * 2);
  put16(16);
  std::fwrite("data", 1, 4, file);
  put32(dataBytes);
}

}  // namespace platform
