// The mixer used from several threads at once, as the engine uses it: the output's thread
// renders while streaming workers lock and write halves of playing buffers and the main thread
// changes volumes, makes duplicates and releases buffers. Run under ThreadSanitizer too.

#include <atomic>
#include <set>
#include <thread>

#include "audio/mixer_fixture.h"

namespace audio_test {
namespace {

using namespace platform;

constexpr std::uint32_t kHalfFrames = 2048;

// A device on a caller-driven mixer, rendered by a thread of the test.
class MixerThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = Ref<DirectSound>(DirectSoundCreateWithoutOutput(&mixer));
    ASSERT_TRUE(device);
  }
  Ref<SoundBuffer> MakeStream() {
    WAVEFORMATEX format = Pcm(2, 16, 44100);
    DSBUFFERDESC desc;
    desc.dwSize = 36;
    desc.dwFlags = kEngineFlags;
    desc.dwBufferBytes = 2 * kHalfFrames * 4;
    desc.lpwfxFormat = &format;
    SoundBuffer* raw = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &raw), DS_OK);
    return Ref<SoundBuffer>(raw);
  }
  Ref<DirectSound> device;
  AudioSource* mixer = nullptr;
};

// A worker in the engine's manner: whenever the play cursor has left a half, refill that half
// with the next value of its sequence. Values are odd and distinct per worker, so the output
// can only hold sums of values that were written.
void StreamWorker(SoundBuffer* buffer, std::int16_t base, int refills,
                  std::vector<std::int16_t>* written) {
  int next = 1;  // the half to fill next
  std::int16_t value = base;
  for (int done = 0; done < refills;) {
    std::uint32_t play = 0;
    buffer->GetCurrentPosition(&play, nullptr);
    bool inFirst = play < kHalfFrames * 4;
    if ((next == 1 && inFirst) || (next == 0 && !inFirst)) {
      void* region = nullptr;
      std::uint32_t bytes = 0;
      ASSERT_EQ(buffer->Lock(next * kHalfFrames * 4, kHalfFrames * 4, &region, &bytes, nullptr,
                             nullptr, 0),
                DS_OK);
      auto* samples = static_cast<std::int16_t*>(region);
      value = static_cast<std::int16_t>(value + 2);
      for (std::uint32_t i = 0; i < bytes / 2; ++i) samples[i] = value;
      written->push_back(value);
      ASSERT_EQ(buffer->Unlock(region, bytes, nullptr, 0), DS_OK);
      next = 1 - next;
      ++done;
    } else {
      std::this_thread::yield();
    }
  }
}

TEST_F(MixerThreadTest, WorkersWriteHalvesOfPlayingBuffersWhileTheOutputRenders) {
  auto streamA = MakeStream();
  auto streamB = MakeStream();
  streamA->Play(0, 0, DSBPLAY_LOOPING);
  streamB->Play(0, 0, DSBPLAY_LOOPING);
  streamB->SetPan(-10000);  // B on the left only: the right channel is A alone

  std::atomic<bool> stop{false};
  std::vector<std::int16_t> rendered;
  std::thread output([&] {
    std::vector<std::int16_t> block(256 * 2);
    while (!stop) {
      mixer->AudioRender(block.data(), 256);
      for (std::size_t i = 1; i < block.size(); i += 2) rendered.push_back(block[i]);
    }
  });

  std::vector<std::int16_t> writtenA{0}, writtenB{0};
  std::thread workerA(StreamWorker, streamA.Get(), 1001, 40, &writtenA);
  std::thread workerB(StreamWorker, streamB.Get(), 3001, 40, &writtenB);

  // Meanwhile the main thread plays overlapping copies and lets go of them, while they play.
  auto effect = MakeStream();
  for (int i = 0; i < 200; ++i) {
    SoundBuffer* raw = nullptr;
    ASSERT_EQ(device->DuplicateSoundBuffer(effect.Get(), &raw), DS_OK);
    Ref<SoundBuffer> copy(raw);
    copy->SetVolume(-10000);  // silent, so that the output stays checkable
    copy->SetFrequency(22050 + i);
    copy->Play(0, 0, i % 2 ? DSBPLAY_LOOPING : 0);
    streamA->SetVolume(0);
    std::uint32_t status = 0;
    copy->GetStatus(&status);
    std::this_thread::yield();
  }

  workerA.join();
  workerB.join();
  stop = true;
  output.join();

  // Every right-channel sample is a value worker A wrote (or the initial silence): no half-
  // written block and nothing of B, whatever the timing was.
  std::set<std::int16_t> allowed(writtenA.begin(), writtenA.end());
  for (std::int16_t sample : rendered) ASSERT_TRUE(allowed.count(sample)) << sample;
}

TEST_F(MixerThreadTest, BuffersComeAndGoWhileTheOutputRenders) {
  std::atomic<bool> stop{false};
  std::thread output([&] {
    std::vector<std::int16_t> block(512 * 2);
    while (!stop) mixer->AudioRender(block.data(), 512);
  });
  std::thread other([&] {
    for (int i = 0; i < 300; ++i) {
      auto buffer = MakeStream();
      buffer->Play(0, 0, DSBPLAY_LOOPING);
      buffer->SetPan(i * 10);
      std::this_thread::yield();
    }  // each released while it plays
  });
  for (int i = 0; i < 300; ++i) {
    auto buffer = MakeStream();
    buffer->Play(0, 0, 0);
    std::uint32_t play = 0, write = 0;
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    ASSERT_LT(play, 2 * kHalfFrames * 4);
    ASSERT_LT(write, 2 * kHalfFrames * 4);
  }
  other.join();
  stop = true;
  output.join();
}

// The real-time headless output drives the cursor on its own thread.
TEST(MixerRealTimeTest, TheCursorMovesWhileTheOutputRuns) {
  HeadlessHost::Options options;
  options.audio = HeadlessHost::Audio::RealTime;
  HeadlessHost host(options);
  Ref<DirectSound> device(DirectSoundCreate(host));
  ASSERT_TRUE(device);
  WAVEFORMATEX format = Pcm(2, 16, 44100);
  DSBUFFERDESC desc;
  desc.dwSize = 36;
  desc.dwFlags = kEngineFlags;
  desc.dwBufferBytes = 44100 * 4;
  desc.lpwfxFormat = &format;
  SoundBuffer* raw = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &raw), DS_OK);
  Ref<SoundBuffer> buffer(raw);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::uint32_t play = 0;
  while (play == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    buffer->GetCurrentPosition(&play, nullptr);
  }
  EXPECT_EQ(play % 4, 0u);
}

}  // namespace
}  // namespace audio_test
