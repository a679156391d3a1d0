// Playing whole sounds: restarts, overlapping plays, stops, looping, release.

#include "sound/sound_fixture.h"

namespace sound_test {
namespace {

using engine::ObjectIdAuto;
using engine::SoundFlagLoop;
using engine::SoundFlagOverlap;

class SoundPlayTest : public SoundTest {
 protected:
  void Load(engine::ObjectId sound, const std::vector<std::int16_t>& samples) {
    auto wave = WaveFile(samples);
    ASSERT_NE(engine::SoundLoadFromMemory(sound, wave.data(), wave.size()), nullptr);
  }
};

TEST_F(SoundPlayTest, PlainPlayRestartsTheMainChannel) {
  auto ramp = Ramp(100);
  Load(0, ramp);
  EXPECT_EQ(engine::SoundPlay(7), 0);  // nothing there
  ASSERT_EQ(engine::SoundPlay(0), 1);
  EXPECT_EQ(Record(0)->active.load(), 1);
  auto first = Render(30);
  ASSERT_EQ(engine::SoundPlay(0), 1);  // cut off and started again: one copy only
  auto second = Render(100);
  for (std::size_t i = 0; i < 60; ++i) ASSERT_EQ(first[i], ramp[i]) << i;
  for (std::size_t i = 0; i < 200; ++i) ASSERT_EQ(second[i], ramp[i]) << i;
  // Played once to its end, it is silent afterwards.
  auto after = Render(10);
  EXPECT_EQ(after, std::vector<std::int16_t>(20, 0));
}

TEST_F(SoundPlayTest, LoopingRepeatsUntilStopped) {
  auto ramp = Ramp(40);
  Load(0, ramp);
  ASSERT_EQ(engine::SoundPlay(0, SoundFlagLoop), 1);
  auto out = Render(130);
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ramp[i % ramp.size()]) << i;
  engine::SoundStop(0);
  EXPECT_EQ(Record(0)->active.load(), 0);
  EXPECT_EQ(PlayCursor(Record(0)->buffer), 0u);  // stopped and rewound
  EXPECT_EQ(Render(10), std::vector<std::int16_t>(20, 0));
}

TEST_F(SoundPlayTest, OverlappingPlaysSoundTogetherNewestFirst) {
  Load(0, Constant(200, 1000, -1000));
  std::intptr_t a = engine::SoundPlay(0, SoundFlagOverlap);
  std::intptr_t b = engine::SoundPlay(0, SoundFlagOverlap);
  std::intptr_t c = engine::SoundPlay(0, SoundFlagOverlap);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  ASSERT_NE(c, 0);
  EXPECT_EQ(InstanceHandles(Record(0)), (std::vector<std::intptr_t>{c, b, a}));
  // The main channel is untouched; three copies sound at once.
  EXPECT_EQ(Record(0)->active.load(), 0);
  auto out = Render(10);
  EXPECT_EQ(out[0], 3000);
  EXPECT_EQ(out[1], -3000);
}

TEST_F(SoundPlayTest, StoppedInstancesAreDiscardedByTheNextOverlappingPlay) {
  Load(0, Constant(100, 100, 100));
  std::intptr_t a = engine::SoundPlay(0, SoundFlagOverlap);
  std::intptr_t b = engine::SoundPlay(0, SoundFlagOverlap);
  Render(200);  // both have finished by themselves, but nobody stopped them
  std::intptr_t c = engine::SoundPlay(0, SoundFlagOverlap);
  EXPECT_EQ(InstanceHandles(Record(0)), (std::vector<std::intptr_t>{c, b, a}));

  engine::SoundStop(0, b);  // only b is stopped
  std::intptr_t d = engine::SoundPlay(0, SoundFlagOverlap);
  EXPECT_EQ(InstanceHandles(Record(0)), (std::vector<std::intptr_t>{d, c, a}));

  engine::SoundStop(0, -1);
  std::intptr_t e = engine::SoundPlay(0, SoundFlagOverlap);
  EXPECT_EQ(InstanceHandles(Record(0)), (std::vector<std::intptr_t>{e}));
}

TEST_F(SoundPlayTest, StopAddressesChannels) {
  Load(0, Constant(1000, 1000, 1000));
  Load(1, Constant(1000, 10, 10));
  ASSERT_EQ(engine::SoundPlay(0), 1);
  std::intptr_t instance = engine::SoundPlay(0, SoundFlagOverlap);
  std::intptr_t foreign = engine::SoundPlay(1, SoundFlagOverlap);
  ASSERT_NE(instance, 0);
  ASSERT_NE(foreign, 0);
  EXPECT_EQ(Render(1)[0], 2010);

  engine::SoundStop(0, foreign);  // another sound's instance: nothing
  EXPECT_EQ(Render(1)[0], 2010);
  engine::SoundStop(0, 424242);  // not an instance at all: nothing
  EXPECT_EQ(Render(1)[0], 2010);

  engine::SoundStop(0);  // the main channel only
  EXPECT_EQ(Record(0)->active.load(), 0);
  EXPECT_EQ(reinterpret_cast<engine::SoundInstance*>(instance)->active, 1);
  EXPECT_EQ(Render(1)[0], 1010);

  ASSERT_EQ(engine::SoundPlay(0), 1);
  engine::SoundStop(0, instance);  // one instance; the record's flag stays
  EXPECT_EQ(Record(0)->active.load(), 1);
  EXPECT_EQ(Render(1)[0], 1010);

  engine::SoundStop(0, -1);
  EXPECT_EQ(Render(1)[0], 10);
  engine::SoundStop(ObjectIdAuto);  // every channel of every sound
  EXPECT_EQ(Render(1)[0], 0);
  EXPECT_EQ(reinterpret_cast<engine::SoundInstance*>(foreign)->active, 0);
  engine::SoundStop(9);  // nothing there: no fault
}

// A device that forwards to the real one but can be told to refuse duplicates.
class RefusingDevice final : public platform::DirectSound {
 public:
  explicit RefusingDevice(platform::DirectSound* inner) : inner_(inner) {}
  platform::HRESULT SetCooperativeLevel(platform::WindowHandle w, std::uint32_t l) override {
    return inner_->SetCooperativeLevel(w, l);
  }
  platform::HRESULT CreateSoundBuffer(const platform::DSBUFFERDESC* d,
                                      platform::SoundBuffer** b) override {
    return inner_->CreateSoundBuffer(d, b);
  }
  platform::HRESULT DuplicateSoundBuffer(platform::SoundBuffer*,
                                         platform::SoundBuffer** b) override {
    *b = nullptr;
    return platform::DSERR_OUTOFMEMORY;
  }

 private:
  platform::DirectSound* inner_;
};

TEST_F(SoundPlayTest, AnOverlappingPlayThatCannotBeMadeLeavesNoInstance) {
  Load(0, Constant(100, 1, 1));
  std::intptr_t a = engine::SoundPlay(0, SoundFlagOverlap);
  ASSERT_NE(a, 0);
  engine::SoundStop(0, a);

  // No node for the play.
  engine::MainHeap()->FailAllocation(1);
  EXPECT_EQ(engine::SoundPlay(0, SoundFlagOverlap), 0);
  engine::MainHeap()->FailAllocation(0);
  EXPECT_EQ(Record(0)->instances, nullptr);  // the stopped one went, nothing came

  // No duplicate buffer.
  auto real = platform::Ref<platform::DirectSound>::Share(engine::SoundDevice());
  platform::Ref<platform::DirectSound> refusing(new RefusingDevice(real.Get()));
  engine::SoundDeviceSet(refusing.Get());
  EXPECT_EQ(engine::SoundPlay(0, SoundFlagOverlap), 0);
  EXPECT_EQ(Record(0)->instances, nullptr);
  engine::SoundDeviceSet(real.Get());
  // Later plays and the release work as before.
  EXPECT_NE(engine::SoundPlay(0, SoundFlagOverlap), 0);
  engine::SoundRelease(0);
  EXPECT_EQ(Record(0), nullptr);
}

TEST_F(SoundPlayTest, ReleaseFreesInstancesAndEmptiesTheNumber) {
  Load(0, Constant(100, 5, 5));
  Load(1, Constant(100, 7, 7));
  auto buffer = platform::Ref<platform::SoundBuffer>::Share(Record(0)->buffer);
  ASSERT_EQ(engine::SoundPlay(0, SoundFlagLoop), 1);
  ASSERT_NE(engine::SoundPlay(0, SoundFlagOverlap | SoundFlagLoop), 0);
  engine::SoundRelease(0);
  EXPECT_EQ(Record(0), nullptr);
  EXPECT_EQ(buffer->RefCount(), 1u);  // ours is the last reference
  buffer.Reset();
  EXPECT_EQ(Render(1)[0], 0);  // nothing of it sounds any more
  engine::SoundRelease(0);     // again: nothing

  engine::SoundRelease(ObjectIdAuto);
  EXPECT_EQ(engine::SoundPlay(1), 0);
}

}  // namespace
}  // namespace sound_test
