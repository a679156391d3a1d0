// The sound device's start and end, the volume scale, buffer creation and volume setting.

#include <cmath>

#include "sound/sound_fixture.h"

namespace sound_test {
namespace {

using engine::ObjectIdAuto;

TEST(SoundVolumeTableTest, EntriesFollowTheLogarithmicScale) {
  engine::SoundVolumeTableFill();
  const struct {
    int volume;
    std::int32_t entry;
  } kCases[] = {{0, 0},     {1, 6000},  {2, 6602},  {5, 7397},  {10, 8000}, {20, 8602},
                {25, 8795}, {50, 9397}, {75, 9750}, {90, 9908}, {99, 9991}, {100, 10000}};
  for (const auto& c : kCases) EXPECT_EQ(engine::SoundVolumeTable[c.volume], c.entry) << c.volume;
  // Every entry between is floor(2000 log10(v / 100)) + 10000, and the scale only rises.
  for (int v = 1; v <= 99; ++v) {
    double exact = 2000.0 * std::log10(v / 100.0);
    EXPECT_NEAR(engine::SoundVolumeTable[v] - 10000, exact, 1.0) << v;
    EXPECT_LE(engine::SoundVolumeTable[v] - 10000, exact + 1e-9) << v;
    EXPECT_LT(engine::SoundVolumeTable[v - 1], engine::SoundVolumeTable[v]) << v;
  }
}

using SoundDeviceTest = SoundTest;

TEST_F(SoundDeviceTest, StartsOnTheMediaWindowWithAPrimaryBuffer) {
  ASSERT_NE(engine::SoundDevice(), nullptr);
  ASSERT_NE(engine::SoundTable, nullptr);
  EXPECT_EQ(engine::SoundTable->capacity, 64);
  EXPECT_EQ(engine::SoundTable->growthStep, 64);
  // A second start keeps the device and the sounds it already has.
  platform::DirectSound* device = engine::SoundDevice();
  ASSERT_NE(engine::SoundLoadFromMemory(3, WaveFile(Ramp(8)).data(), WaveFile(Ramp(8)).size()),
            nullptr);
  EXPECT_EQ(engine::SoundInit(), 1);
  EXPECT_EQ(engine::SoundDevice(), device);
  EXPECT_NE(Record(3), nullptr);
}

TEST_F(SoundDeviceTest, BuffersHaveTheCommonFormatAndControls) {
  platform::Ref<platform::SoundBuffer> buffer(engine::SoundBufferCreate(2, 22050, 4096));
  ASSERT_TRUE(buffer);
  platform::WAVEFORMATEX format;
  ASSERT_EQ(buffer->GetFormat(&format), platform::DS_OK);
  EXPECT_EQ(format.wFormatTag, platform::WAVE_FORMAT_PCM);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.nSamplesPerSec, 22050u);
  EXPECT_EQ(format.nAvgBytesPerSec, 22050u * 4);
  EXPECT_EQ(format.nBlockAlign, 4);
  EXPECT_EQ(format.wBitsPerSample, 16);
  // Frequency, pan and volume can all be changed: the buffer has those controls.
  EXPECT_EQ(buffer->SetFrequency(11025), platform::DS_OK);
  EXPECT_EQ(buffer->SetPan(-500), platform::DS_OK);
  EXPECT_EQ(buffer->SetVolume(-700), platform::DS_OK);

  // What the device refuses, or what would overflow the format's fields, gives no buffer.
  EXPECT_EQ(engine::SoundBufferCreate(0, 44100, 4096), nullptr);
  EXPECT_EQ(engine::SoundBufferCreate(2, 44100, 0), nullptr);
  EXPECT_EQ(engine::SoundBufferCreate(2, -1, 4096), nullptr);
  EXPECT_EQ(engine::SoundBufferCreate(0x7FFF, 0x7FFFFFFF, 4096), nullptr);
  EXPECT_EQ(engine::SoundBufferCreate(3, 44100, 4096), nullptr);
}

TEST_F(SoundDeviceTest, EndFreesEverySoundAndTheDevice) {
  const std::size_t blocksAtStart = engine::MainHeap()->LiveBlockCount();
  auto wave = WaveFile(Ramp(16));
  ASSERT_NE(engine::SoundLoadFromMemory(0, wave.data(), wave.size()), nullptr);
  auto* autoSound = engine::SoundLoadFromMemory(ObjectIdAuto, wave.data(), wave.size());
  ASSERT_NE(autoSound, nullptr);
  auto buffer = platform::Ref<platform::SoundBuffer>::Share(Record(0)->buffer);
  ASSERT_NE(
      engine::SoundPlay(reinterpret_cast<engine::ObjectId>(autoSound), engine::SoundFlagOverlap),
      0);
  engine::SoundEnd();
  EXPECT_EQ(buffer->RefCount(), 1u);  // ours is the only reference left
  EXPECT_EQ(engine::SoundDevice(), nullptr);
  EXPECT_EQ(engine::SoundTable, nullptr);
  // Of what the sounds took from the heap only the slot record of sound 0 stays (slot records
  // go with the heap); the auto record and the instance node are gone.
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocksAtStart + 1);
  EXPECT_EQ(engine::SoundPlay(0), 0);
  engine::SoundEnd();  // a second end does nothing
}

TEST(SoundStartTest, FailsWithoutAnAudioOutputAndEndsCleanly) {
  // Never started: ending does nothing.
  engine::SoundEnd();
  platform::HeadlessHost::Options options;
  options.audio = platform::HeadlessHost::Audio::None;
  platform::HeadlessHost host(options);
  platform::HostInstall(&host);
  engine::MediaWindowForget();
  engine::MainHeapCreate();
  EXPECT_EQ(engine::SoundInit(), 0);
  EXPECT_EQ(engine::SoundDevice(), nullptr);
  EXPECT_EQ(engine::SoundBufferCreate(2, 44100, 4096), nullptr);
  auto wave = WaveFile(Ramp(8));
  EXPECT_EQ(engine::SoundLoadFromMemory(0, wave.data(), wave.size()), nullptr);
  engine::SoundEnd();
  engine::MainHeapDestroy();
  platform::HostInstall(nullptr);
}

// ---- SoundSetVolume ----

class SoundVolumeTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    auto wave = WaveFile(Constant(64, 1000, -1000));
    for (engine::ObjectId s : {0, 1})
      ASSERT_NE(engine::SoundLoadFromMemory(s, wave.data(), wave.size()), nullptr);
  }
};

TEST_F(SoundVolumeTest, MainChannelGetsTheClampedAttenuation) {
  const struct {
    std::int32_t volume;
    std::int32_t attenuation;
  } kCases[] = {{0, -10000}, {1, -4000},   {30, -1046},    {50, -603},         {100, 0},
                {150, 0},    {-3, -10000}, {INT32_MAX, 0}, {INT32_MIN, -10000}};
  for (const auto& c : kCases) {
    engine::SoundSetVolume(0, c.volume);
    EXPECT_EQ(Volume(Record(0)->buffer), c.attenuation) << c.volume;
  }
  // The record keeps the volume read at load.
  EXPECT_EQ(Record(0)->volume, 0);
}

TEST_F(SoundVolumeTest, ChannelArgumentSelectsTheChannels) {
  std::intptr_t a = engine::SoundPlay(0, engine::SoundFlagOverlap);
  std::intptr_t b = engine::SoundPlay(0, engine::SoundFlagOverlap);
  std::intptr_t other = engine::SoundPlay(1, engine::SoundFlagOverlap);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  ASSERT_NE(other, 0);
  auto* main0 = Record(0)->buffer;
  auto* bufA = reinterpret_cast<engine::SoundInstance*>(a)->buffer;
  auto* bufB = reinterpret_cast<engine::SoundInstance*>(b)->buffer;
  auto* bufOther = reinterpret_cast<engine::SoundInstance*>(other)->buffer;

  engine::SoundSetVolume(0, 50, a);  // one instance
  EXPECT_EQ(Volume(bufA), -603);
  EXPECT_EQ(Volume(bufB), 0);
  EXPECT_EQ(Volume(main0), 0);

  engine::SoundSetVolume(0, 10, other);  // another sound's instance: nothing
  engine::SoundSetVolume(0, 10, 12345);  // not an instance at all: nothing
  EXPECT_EQ(Volume(bufOther), 0);
  EXPECT_EQ(Volume(main0), 0);

  engine::SoundSetVolume(0, 10, -1);  // the main channel and every instance
  for (auto* buffer : {main0, bufA, bufB}) EXPECT_EQ(Volume(buffer), -2000);
  EXPECT_EQ(Volume(bufOther), 0);

  engine::SoundSetVolume(ObjectIdAuto, 20);  // every channel of every sound
  for (auto* buffer : {main0, bufA, bufB, Record(1)->buffer, bufOther})
    EXPECT_EQ(Volume(buffer), -1398);

  engine::SoundSetVolume(7, 50);  // no sound there: nothing, no fault
}

TEST_F(SoundVolumeTest, OverlappingPlayStartsAtTheLoadedVolume) {
  engine::SoundSetVolume(0, 20);
  std::intptr_t plain = engine::SoundPlay(0, engine::SoundFlagOverlap);
  ASSERT_NE(plain, 0);
  EXPECT_EQ(Volume(reinterpret_cast<engine::SoundInstance*>(plain)->buffer), 0);
  std::intptr_t quiet = engine::SoundPlay(0, engine::SoundFlagOverlap, 30);
  ASSERT_NE(quiet, 0);
  EXPECT_EQ(Volume(reinterpret_cast<engine::SoundInstance*>(quiet)->buffer), -1046);
  EXPECT_EQ(Volume(Record(0)->buffer), -1398);  // the instance volume did not touch it

  ASSERT_EQ(engine::SoundPlay(1, 0, 30), 1);
  EXPECT_EQ(Volume(Record(1)->buffer), -1046);
  // The output hears the first instance at full level, the second instance and sound 1's main
  // channel at -10.46 dB each.
  auto out = Render(4);
  const double gain30 = std::pow(10.0, -1046 / 2000.0);
  EXPECT_NEAR(out[0], 1000 * (1 + 2 * gain30), 1.0);
  EXPECT_NEAR(out[1], -1000 * (1 + 2 * gain30), 1.0);
}

}  // namespace
}  // namespace sound_test
