// What the mixer renders for known buffers, and where it leaves their cursors.

#include <cmath>
#include <numeric>

#include "audio/mixer_fixture.h"

namespace audio_test {
namespace {

using namespace platform;

// Frames 0..n-1 with left = 10 * i + 1 and right = -(10 * i + 1): every frame differs, so a
// frame out of place or a swapped channel shows.
std::vector<std::int16_t> Ramp(int frames) {
  std::vector<std::int16_t> s;
  for (int i = 0; i < frames; ++i) {
    s.push_back(static_cast<std::int16_t>(10 * i + 1));
    s.push_back(static_cast<std::int16_t>(-(10 * i + 1)));
  }
  return s;
}

std::vector<std::int16_t> Constant(int frames, std::int16_t left, std::int16_t right) {
  std::vector<std::int16_t> s;
  for (int i = 0; i < frames; ++i) {
    s.push_back(left);
    s.push_back(right);
  }
  return s;
}

TEST_F(MixerTest, OneShotPlaysEveryFrameOnceThenStopsAtPositionZero) {
  auto ramp = Ramp(100);
  auto buffer = MakeStereo16(ramp);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(Status(buffer.Get()), DSBSTATUS_PLAYING);

  auto out = Render(60);
  EXPECT_EQ(PlayCursor(buffer.Get()), 60u * 4);
  out = Render(190);
  auto all = host->AudioCaptured();
  ASSERT_EQ(all.size(), 250u * 2);
  for (std::size_t i = 0; i < 200; ++i) ASSERT_EQ(all[i], ramp[i]) << i;
  for (std::size_t i = 200; i < 500; ++i) ASSERT_EQ(all[i], 0) << i;
  EXPECT_EQ(Status(buffer.Get()), 0u);
  EXPECT_EQ(PlayCursor(buffer.Get()), 0u);

  // Played again without a rewind, it starts over from where the end left it.
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  out = Render(1);
  EXPECT_EQ(out[0], ramp[0]);
}

TEST_F(MixerTest, LoopingWrapsAroundUntilStopped) {
  auto ramp = Ramp(100);
  auto buffer = MakeStereo16(ramp);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(Status(buffer.Get()), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  auto out = Render(250);
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ramp[i % 200]) << i;
  EXPECT_EQ(PlayCursor(buffer.Get()), 50u * 4);

  // Stop keeps the position; the next Play goes on from there.
  ASSERT_EQ(buffer->Stop(), DS_OK);
  EXPECT_EQ(Status(buffer.Get()), 0u);
  out = Render(10);
  EXPECT_EQ(out, std::vector<std::int16_t>(20, 0));
  EXPECT_EQ(PlayCursor(buffer.Get()), 50u * 4);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  out = Render(1);
  EXPECT_EQ(out[0], ramp[100]);
}

TEST_F(MixerTest, CursorsFollowTheRenderedFramesAtEachFormatsRate) {
  struct Case {
    int channels, bits;
    std::uint32_t rate;
    std::uint32_t expectedPlay;  // bytes after 441 output frames
  };
  // 441 output frames are 10 ms: rate / 100 source frames.
  const Case cases[] = {
      {2, 16, 44100, 441 * 4}, {1, 16, 44100, 441 * 2}, {2, 8, 22050, 220 * 2},
      {1, 8, 11025, 110},      {2, 16, 88200, 882 * 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channels << "ch " << c.bits << "bit " << c.rate);
    auto format = Pcm(c.channels, c.bits, c.rate);
    auto buffer = Make(format, std::vector<std::uint8_t>(format.nBlockAlign * 4000, 0x80));
    ASSERT_TRUE(buffer);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    Render(441);
    std::uint32_t play = 0, write = 0;
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, c.expectedPlay);
    EXPECT_GT(write, play);
    EXPECT_EQ(write % format.nBlockAlign, 0u);
    buffer->Stop();
  }
}

TEST_F(MixerTest, SetCurrentPositionMovesThePlayCursorToWholeFrames) {
  auto ramp = Ramp(100);
  auto buffer = MakeStereo16(ramp);
  EXPECT_EQ(buffer->SetCurrentPosition(42 * 4 + 3), DS_OK);  // inside frame 42
  EXPECT_EQ(PlayCursor(buffer.Get()), 42u * 4);
  EXPECT_EQ(buffer->SetCurrentPosition(400), DSERR_INVALIDPARAM);
  EXPECT_EQ(PlayCursor(buffer.Get()), 42u * 4);
  buffer->Play(0, 0, 0);
  auto out = Render(1);
  EXPECT_EQ(out[0], ramp[84]);
  EXPECT_EQ(out[1], ramp[85]);
}

// Gains from first principles: 10^(hundredths / 2000), the pan attenuating the far side only.
TEST_F(MixerTest, VolumeAndPanScaleEachChannelByTheirDecibels) {
  struct Case {
    std::int32_t volume, pan;
    double left, right;  // expected gains
  };
  const Case cases[] = {
      {0, 0, 1.0, 1.0},
      {-2000, 0, 0.1, 0.1},  // -20 dB
      {-603, 0, std::pow(10.0, -0.3015), std::pow(10.0, -0.3015)},
      {-10000, 0, 0.0, 0.0},  // the minimum is silence
      {0, 2000, 0.1, 1.0},    // right: the left channel drops
      {0, -600, 1.0, std::pow(10.0, -0.3)},
      {-600, -600, std::pow(10.0, -0.3), std::pow(10.0, -0.6)},
      {0, -10000, 1.0, 0.0},  // hard left silences the right
      {0, 10000, 0.0, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "volume " << c.volume << " pan " << c.pan);
    auto buffer = MakeStereo16(Constant(64, 20000, -12000));
    ASSERT_EQ(buffer->SetVolume(c.volume), DS_OK);
    ASSERT_EQ(buffer->SetPan(c.pan), DS_OK);
    std::int32_t volume = 1, pan = 1;
    buffer->GetVolume(&volume);
    buffer->GetPan(&pan);
    EXPECT_EQ(volume, c.volume);
    EXPECT_EQ(pan, c.pan);
    buffer->Play(0, 0, 0);
    auto out = Render(64);
    for (std::size_t i = 0; i < out.size(); i += 2) {
      ASSERT_NEAR(out[i], 20000 * c.left, 0.51) << i;
      ASSERT_NEAR(out[i + 1], -12000 * c.right, 0.51) << i;
    }
  }
}

TEST_F(MixerTest, VolumeAndPanOutsideTheirRangesAreRefused) {
  auto buffer = MakeStereo16(Constant(8, 1, 1));
  buffer->SetVolume(-100);
  buffer->SetPan(300);
  EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetPan(-10001), DSERR_INVALIDPARAM);
  std::int32_t volume = 0, pan = 0;
  buffer->GetVolume(&volume);
  buffer->GetPan(&pan);
  EXPECT_EQ(volume, -100);
  EXPECT_EQ(pan, 300);
}

TEST_F(MixerTest, ControlsTheBufferWasNotMadeWithAreUnavailable) {
  auto buffer = Make(Pcm(2, 16, 44100), Bytes16(Constant(8, 1, 1)), DSBCAPS_STATIC);
  std::int32_t value = 0;
  std::uint32_t frequency = 0;
  EXPECT_EQ(buffer->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->GetVolume(&value), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->SetPan(100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->GetPan(&value), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->GetFrequency(&frequency), DSERR_CONTROLUNAVAIL);
}

TEST_F(MixerTest, FrequencyResamplesByLinearInterpolation) {
  // Source frames k hold 100 * k on the left and -100 * k on the right.
  std::vector<std::int16_t> line;
  for (int k = 0; k < 200; ++k) {
    line.push_back(static_cast<std::int16_t>(100 * k));
    line.push_back(static_cast<std::int16_t>(-100 * k));
  }
  auto buffer = MakeStereo16(line);
  std::uint32_t frequency = 0;
  ASSERT_EQ(buffer->GetFrequency(&frequency), DS_OK);
  EXPECT_EQ(frequency, 44100u);

  // Half speed: output frame i lies at source position i / 2, halfway between frames.
  ASSERT_EQ(buffer->SetFrequency(22050), DS_OK);
  buffer->Play(0, 0, 0);
  auto out = Render(100);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(out[2 * i], 50 * i) << i;
    ASSERT_EQ(out[2 * i + 1], -50 * i) << i;
  }
  EXPECT_EQ(PlayCursor(buffer.Get()), 50u * 4);

  // Double speed from frame 50: output frame i is source frame 50 + 2 i.
  ASSERT_EQ(buffer->SetFrequency(88200), DS_OK);
  out = Render(40);
  for (int i = 0; i < 40; ++i) ASSERT_EQ(out[2 * i], 100 * (50 + 2 * i)) << i;
  EXPECT_EQ(PlayCursor(buffer.Get()), 130u * 4);

  // Back to the format's own rate.
  ASSERT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
  buffer->GetFrequency(&frequency);
  EXPECT_EQ(frequency, 44100u);
  out = Render(1);
  EXPECT_EQ(out[0], 100 * 130);

  EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetFrequency(200001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetFrequency(200000), DS_OK);
  EXPECT_EQ(buffer->SetFrequency(100), DS_OK);
}

TEST_F(MixerTest, ResampledOneShotFadesIntoSilenceAndLoopIntoItsStart) {
  // Two frames, 1000 and 3000, played at half speed: positions 0, 0.5, 1, 1.5.
  auto oneShot = MakeStereo16({1000, 1000, 3000, 3000}, 22050);
  oneShot->Play(0, 0, 0);
  auto out = Render(5);
  EXPECT_EQ(out, (std::vector<std::int16_t>{1000, 1000, 2000, 2000, 3000, 3000, 1500, 1500, 0, 0}));
  EXPECT_EQ(Status(oneShot.Get()), 0u);

  auto loop = MakeStereo16({1000, 1000, 3000, 3000}, 22050);
  loop->Play(0, 0, DSBPLAY_LOOPING);
  out = Render(5);
  EXPECT_EQ(
      out, (std::vector<std::int16_t>{1000, 1000, 2000, 2000, 3000, 3000, 2000, 2000, 1000, 1000}));
}

TEST_F(MixerTest, EightBitAndMonoBuffersReachBothChannelsOnTheSixteenBitScale) {
  // Eight-bit PCM is unsigned around 128: 192 is +64 steps of 256, 0 is full negative.
  auto stereo8 = Make(Pcm(2, 8, 44100), {192, 64, 128, 0});
  stereo8->Play(0, 0, 0);
  auto out = Render(2);
  EXPECT_EQ(out, (std::vector<std::int16_t>{16384, -16384, 0, -32768}));

  auto mono8 = Make(Pcm(1, 8, 44100), {255, 1, 128, 128});
  mono8->Play(0, 0, 0);
  out = Render(2);
  EXPECT_EQ(out, (std::vector<std::int16_t>{32512, 32512, -32512, -32512}));

  auto mono16 = Make(Pcm(1, 16, 44100), Bytes16({1234, -4321}));
  mono16->SetPan(2000);  // a mono buffer pans like a stereo one
  mono16->Play(0, 0, 0);
  out = Render(2);
  EXPECT_EQ(out, (std::vector<std::int16_t>{123, 1234, -432, -4321}));

  // Eight-bit mono at a quarter of the output rate, interpolated.
  auto slow8 = Make(Pcm(1, 8, 11025), {128, 192, 128, 128});
  slow8->Play(0, 0, 0);
  out = Render(8);
  EXPECT_EQ(out, (std::vector<std::int16_t>{0, 0, 4096, 4096, 8192, 8192, 12288, 12288, 16384,
                                            16384, 12288, 12288, 8192, 8192, 4096, 4096}));
}

TEST_F(MixerTest, BuffersAddUpAndTheSumSaturates) {
  auto a = MakeStereo16({30000, -30000, 1000, -1000});
  auto b = MakeStereo16({30000, -30000, 2000, -2000});
  a->Play(0, 0, 0);
  b->Play(0, 0, 0);
  auto out = Render(2);
  EXPECT_EQ(out, (std::vector<std::int16_t>{32767, -32768, 3000, -3000}));
}

TEST_F(MixerTest, DuplicatesShareSamplesButNotTheirPlayState) {
  auto original = MakeStereo16(Constant(100, 1000, 1000));
  original->SetVolume(-2000);
  original->SetFrequency(22050);
  SoundBuffer* raw = nullptr;
  ASSERT_EQ(device->DuplicateSoundBuffer(original.Get(), &raw), DS_OK);
  Ref<SoundBuffer> copy(raw);

  // Settings are copied, then each buffer has its own.
  std::int32_t volume = 0;
  std::uint32_t frequency = 0;
  copy->GetVolume(&volume);
  copy->GetFrequency(&frequency);
  EXPECT_EQ(volume, -2000);
  EXPECT_EQ(frequency, 22050u);
  ASSERT_EQ(copy->SetVolume(0), DS_OK);
  ASSERT_EQ(copy->SetFrequency(44100), DS_OK);
  original->GetVolume(&volume);
  EXPECT_EQ(volume, -2000);

  // A write through the original after duplication is what the copy plays.
  ASSERT_TRUE(BufferWrite(original.Get(), 40, Bytes16(Constant(10, 7000, -7000))));
  copy->Play(0, 0, 0);
  auto out = Render(20);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[2 * 10], 7000);
  EXPECT_EQ(out[2 * 10 + 1], -7000);
  EXPECT_EQ(PlayCursor(copy.Get()), 20u * 4);
  EXPECT_EQ(PlayCursor(original.Get()), 0u);
  EXPECT_EQ(Status(original.Get()), 0u);

  // Both play at once, each from its own position, volume and rate.
  original->Play(0, 0, 0);
  out = Render(1);
  EXPECT_EQ(out[0], 1000 + 100);  // copy at frame 20 (1000), original at frame 0 (1000 x 0.1)

  // Releasing the original leaves the copy with the samples.
  original.Reset();
  out = Render(1);
  EXPECT_EQ(out[0], 1000);
}

TEST_F(MixerTest, ReleasingAPlayingBufferTakesItOutOfTheMix) {
  auto a = MakeStereo16(Constant(1000, 500, 500));
  auto b = MakeStereo16(Constant(1000, 20, 20));
  a->Play(0, 0, DSBPLAY_LOOPING);
  b->Play(0, 0, DSBPLAY_LOOPING);
  EXPECT_EQ(Render(1)[0], 520);
  EXPECT_EQ(a.Detach()->Release(), 0u);
  EXPECT_EQ(Render(1)[0], 20);
}

TEST_F(MixerTest, BuffersStayUsableAfterTheDeviceIsReleased) {
  auto buffer = MakeStereo16(Constant(100, 500, 500));
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  Render(10);
  device.Reset();  // closes the output while the buffer plays
  EXPECT_TRUE(Render(10).empty());
  EXPECT_EQ(PlayCursor(buffer.Get()), 10u * 4);
  EXPECT_TRUE(BufferWrite(buffer.Get(), 0, Bytes16(Constant(4, 1, 1))));
  EXPECT_EQ(buffer->Stop(), DS_OK);
}

TEST_F(MixerTest, LockShowsTheBytesWrapsIntoASecondRegionAndCommitsOnlyWhatUnlockSays) {
  std::vector<std::uint8_t> bytes(16);
  std::iota(bytes.begin(), bytes.end(), 0);
  auto buffer = Make(Pcm(1, 8, 44100), bytes);

  void *p1 = nullptr, *p2 = nullptr;
  std::uint32_t n1 = 0, n2 = 0;
  ASSERT_EQ(buffer->Lock(12, 8, &p1, &n1, &p2, &n2, 0), DS_OK);
  ASSERT_EQ(n1, 4u);
  ASSERT_EQ(n2, 4u);
  EXPECT_EQ(static_cast<std::uint8_t*>(p1)[0], 12);
  EXPECT_EQ(static_cast<std::uint8_t*>(p2)[3], 3);
  std::memset(p1, 0xAA, n1);
  std::memset(p2, 0xBB, n2);
  // Only three bytes of the first region and two of the second were written.
  ASSERT_EQ(buffer->Unlock(p1, 3, p2, 2), DS_OK);
  EXPECT_EQ(buffer->Unlock(p1, 3, p2, 2), DSERR_INVALIDPARAM);  // already closed

  ASSERT_EQ(buffer->Lock(0, 0, &p1, &n1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
  ASSERT_EQ(n1, 16u);
  const auto* now = static_cast<const std::uint8_t*>(p1);
  std::vector<std::uint8_t> expected = bytes;
  expected[12] = expected[13] = expected[14] = 0xAA;
  expected[0] = expected[1] = 0xBB;
  EXPECT_EQ(std::vector<std::uint8_t>(now, now + 16), expected);
  ASSERT_EQ(buffer->Unlock(p1, 0, nullptr, 0), DS_OK);

  // Without a second region the range is cut at the end.
  ASSERT_EQ(buffer->Lock(12, 8, &p1, &n1, nullptr, nullptr, 0), DS_OK);
  EXPECT_EQ(n1, 4u);
  ASSERT_EQ(buffer->Unlock(p1, 0, nullptr, 0), DS_OK);

  int local = 0;
  EXPECT_EQ(buffer->Unlock(&local, 1, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(16, 1, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(0, 17, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(0, 0, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, ALockedRegionIsHeardOnlyAfterUnlock) {
  auto buffer = MakeStereo16(Constant(100, 100, 100));
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  void* p = nullptr;
  std::uint32_t n = 0;
  ASSERT_EQ(buffer->Lock(0, 400, &p, &n, nullptr, nullptr, 0), DS_OK);
  auto fresh = Bytes16(Constant(100, 900, 900));
  std::memcpy(p, fresh.data(), n);
  EXPECT_EQ(Render(100)[0], 100);
  ASSERT_EQ(buffer->Unlock(p, n, nullptr, 0), DS_OK);
  EXPECT_EQ(Render(100)[0], 900);
}

TEST_F(MixerTest, FormatsAndRecordsTheMixerCannotPlayAreRefused) {
  struct Case {
    const char* what;
    WAVEFORMATEX format;
    std::uint32_t bytes;
    std::uint32_t flags;
    HRESULT expected;
  };
  auto with = [](WAVEFORMATEX f, auto change) {
    change(f);
    return f;
  };
  const WAVEFORMATEX good = Pcm(2, 16, 44100);
  const Case cases[] = {
      {"not PCM", with(good, [](auto& f) { f.wFormatTag = 3; }), 64, kEngineFlags, DSERR_BADFORMAT},
      {"no channels", with(good, [](auto& f) { f.nChannels = 0; }), 64, kEngineFlags,
       DSERR_BADFORMAT},
      {"three channels", Pcm(3, 16, 44100), 66, kEngineFlags, DSERR_BADFORMAT},
      {"24-bit", Pcm(2, 24, 44100), 60, kEngineFlags, DSERR_BADFORMAT},
      {"block align", with(good, [](auto& f) { f.nBlockAlign = 2; }), 64, kEngineFlags,
       DSERR_BADFORMAT},
      {"rate too low", Pcm(2, 16, 99), 64, kEngineFlags, DSERR_BADFORMAT},
      {"rate too high", Pcm(2, 16, 200001), 64, kEngineFlags, DSERR_BADFORMAT},
      {"empty", good, 0, kEngineFlags, DSERR_INVALIDPARAM},
      {"below one frame", Pcm(2, 16, 44100), 3, kEngineFlags, DSERR_INVALIDPARAM},
      {"too large", good, DSBSIZE_MAX + 1, kEngineFlags, DSERR_INVALIDPARAM},
      {"unknown flag", good, 64, kEngineFlags | 0x10, DSERR_INVALIDPARAM},
      {"hardware and software", good, 64, DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE,
       DSERR_INVALIDPARAM},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DSBUFFERDESC desc;
    desc.dwSize = 36;
    desc.dwFlags = c.flags;
    desc.dwBufferBytes = c.bytes;
    desc.lpwfxFormat = &c.format;
    SoundBuffer* raw = reinterpret_cast<SoundBuffer*>(1);
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &raw), c.expected);
    EXPECT_EQ(raw, nullptr);
  }

  DSBUFFERDESC desc;
  desc.dwSize = 36;
  desc.dwBufferBytes = 64;
  SoundBuffer* raw = nullptr;
  EXPECT_EQ(device->CreateSoundBuffer(&desc, &raw), DSERR_INVALIDPARAM);  // no format
  desc.lpwfxFormat = &good;
  desc.dwSize = 0;
  EXPECT_EQ(device->CreateSoundBuffer(&desc, &raw), DSERR_INVALIDPARAM);
  EXPECT_EQ(device->CreateSoundBuffer(nullptr, &raw), DSERR_INVALIDPARAM);
  EXPECT_EQ(raw, nullptr);

  // The edges of what it can play are accepted.
  for (WAVEFORMATEX f : {Pcm(1, 8, 100), Pcm(2, 16, 200000)}) {
    desc.dwSize = 36;
    desc.lpwfxFormat = &f;
    ASSERT_EQ(device->CreateSoundBuffer(&desc, &raw), DS_OK);
    Ref<SoundBuffer> buffer(raw);
    WAVEFORMATEX back;
    ASSERT_EQ(buffer->GetFormat(&back), DS_OK);
    EXPECT_EQ(back.nSamplesPerSec, f.nSamplesPerSec);
    EXPECT_EQ(back.nBlockAlign, f.nBlockAlign);
  }
}

TEST_F(MixerTest, PlayArgumentsAndDuplicateSourcesAreChecked) {
  auto buffer = MakeStereo16(Constant(8, 1, 1));
  EXPECT_EQ(buffer->Play(1, 0, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Play(0, 1, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Play(0, 0, 0x100), DSERR_INVALIDPARAM);
  EXPECT_EQ(Status(buffer.Get()), 0u);

  SoundBuffer* raw = reinterpret_cast<SoundBuffer*>(1);
  EXPECT_EQ(device->DuplicateSoundBuffer(nullptr, &raw), DSERR_INVALIDPARAM);
  EXPECT_EQ(raw, nullptr);

  // A buffer of another device cannot be duplicated here.
  AudioSource* unused = nullptr;
  Ref<DirectSound> other(DirectSoundCreateWithoutOutput(&unused));
  EXPECT_EQ(other->DuplicateSoundBuffer(buffer.Get(), &raw), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, PrimaryBufferTakesAFormatOnlyAtPriorityLevel) {
  DSBUFFERDESC desc;
  desc.dwSize = 36;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  SoundBuffer* raw = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &raw), DS_OK);
  Ref<SoundBuffer> primary(raw);
  EXPECT_EQ(Status(primary.Get()), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);

  WAVEFORMATEX format = Pcm(2, 16, 22050);
  EXPECT_EQ(primary->SetFormat(&format), DSERR_PRIOLEVELNEEDED);
  EXPECT_EQ(device->SetCooperativeLevel(0, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
  EXPECT_EQ(device->SetCooperativeLevel(0x7777, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
  ASSERT_TRUE(host->WindowClassRegister({"audio test", 0, nullptr, false}));
  WindowHandle window = host->WindowCreate("audio test", "", 0, 0, 0, 0, 1, 1);
  EXPECT_EQ(device->SetCooperativeLevel(window, 9), DSERR_INVALIDPARAM);
  ASSERT_EQ(device->SetCooperativeLevel(window, DSSCL_PRIORITY), DS_OK);
  ASSERT_EQ(primary->SetFormat(&format), DS_OK);
  WAVEFORMATEX back;
  ASSERT_EQ(primary->GetFormat(&back), DS_OK);
  EXPECT_EQ(back.nSamplesPerSec, 22050u);
  WAVEFORMATEX bad = Pcm(2, 12, 22050);
  EXPECT_EQ(primary->SetFormat(&bad), DSERR_BADFORMAT);

  // The primary buffer holds no samples of its own.
  void* p = nullptr;
  std::uint32_t n = 0;
  EXPECT_EQ(primary->Lock(0, 4, &p, &n, nullptr, nullptr, 0), DSERR_INVALIDCALL);
  EXPECT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DSERR_INVALIDCALL);

  // Secondary buffers refuse SetFormat; the primary refuses a size or a format.
  auto secondary = MakeStereo16(Constant(8, 1, 1));
  EXPECT_EQ(secondary->SetFormat(&format), DSERR_INVALIDCALL);
  desc.dwBufferBytes = 64;
  EXPECT_EQ(device->CreateSoundBuffer(&desc, &raw), DSERR_INVALIDPARAM);
  desc.dwBufferBytes = 0;
  desc.lpwfxFormat = &format;
  EXPECT_EQ(device->CreateSoundBuffer(&desc, &raw), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, PrimaryVolumeScalesTheWholeMix) {
  DSBUFFERDESC desc;
  desc.dwSize = 36;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN;
  SoundBuffer* raw = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &raw), DS_OK);
  Ref<SoundBuffer> primary(raw);
  auto a = MakeStereo16(Constant(4, 3000, 3000));
  auto b = MakeStereo16(Constant(4, 7000, 7000));
  a->Play(0, 0, 0);
  b->Play(0, 0, 0);
  ASSERT_EQ(primary->SetVolume(-2000), DS_OK);
  ASSERT_EQ(primary->SetPan(-10000), DS_OK);
  auto out = Render(1);
  EXPECT_EQ(out, (std::vector<std::int16_t>{1000, 0}));
}

TEST(MixerHostTest, AHostWithoutAudioGivesNoDevice) {
  HeadlessHost::Options options;
  options.audio = HeadlessHost::Audio::None;
  HeadlessHost host(options);
  EXPECT_EQ(DirectSoundCreate(host), nullptr);
}

}  // namespace
}  // namespace audio_test
