// Loading sounds: the RIFF/WAVE walk, replacement rules, auto numbers, files and decoders.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "sound/sound_fixture.h"

namespace sound_test {
namespace {

using engine::ObjectIdAuto;

// The bytes a sound's buffer holds.
std::vector<std::uint8_t> BufferBytes(platform::SoundBuffer* buffer) {
  platform::WAVEFORMATEX format;
  buffer->GetFormat(&format);
  void* region = nullptr;
  std::uint32_t bytes = 0;
  std::vector<std::uint8_t> out;
  if (buffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, platform::DSBLOCK_ENTIREBUFFER) ==
      platform::DS_OK) {
    out.assign(static_cast<std::uint8_t*>(region), static_cast<std::uint8_t*>(region) + bytes);
    buffer->Unlock(region, 0, nullptr, 0);
  }
  return out;
}

class SoundLoadTest : public SoundTest {
 protected:
  std::string TempFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    auto path = std::filesystem::temp_directory_path() /
                ("tidefray_sound_" + std::to_string(::getpid()) + "_" + name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    files_.push_back(path);
    return path.string();
  }
  void TearDown() override {
    for (auto& f : files_) std::filesystem::remove(f);
    SoundTest::TearDown();
  }

 private:
  std::vector<std::filesystem::path> files_;
};

TEST_F(SoundLoadTest, WaveFilesThatLoad) {
  const auto pcm = SampleBytes(Ramp(5));  // 20 bytes
  const auto odd = std::vector<std::uint8_t>{'a', 'b', 'c'};
  const struct {
    const char* name;
    std::vector<std::uint8_t> file;
    std::uint32_t rate;
    std::vector<std::uint8_t> expected;
  } kCases[] = {
      {"canonical", RiffFile({{"fmt ", FmtBody(2, 22050, 16)}, {"data", pcm}}), 22050, pcm},
      {"list chunk skipped",
       RiffFile({{"fmt ", FmtBody(2, 11025, 16)}, {"LIST", {1, 2, 3, 4}}, {"data", pcm}}), 11025,
       pcm},
      // An odd-sized chunk is followed by its pad byte, which the walk steps over.
      {"pad byte after odd chunk",
       RiffFile({{"fmt ", FmtBody(2, 44100, 16)}, {"LIST", odd}, {"data", pcm}}), 44100, pcm},
      // An 18-byte fmt body (with the extra-size word) serves as well.
      {"fmt with extra-size word",
       [&] {
         auto fmt = FmtBody(2, 32000, 16);
         fmt.push_back(0);
         fmt.push_back(0);
         return RiffFile({{"fmt ", fmt}, {"data", pcm}});
       }(),
       32000, pcm},
      // A data chunk that claims more than the file holds plays the bytes that are there.
      {"data longer than the file",
       RiffFile({{"fmt ", FmtBody(2, 44100, 16)}, {"data", pcm, 1000000}}), 44100, pcm},
      {"mono 8-bit",
       RiffFile({{"fmt ", FmtBody(1, 8000, 8)}, {"data", {1, 2, 3, 4, 5, 6}}}),
       8000,
       {1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    void* result = engine::SoundLoadFromMemory(5, c.file.data(), c.file.size());
    ASSERT_NE(result, nullptr);
    engine::SoundRecord* record = Record(5);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(result, record->buffer);  // a given number returns the buffer
    EXPECT_EQ(record->frequency, c.rate);
    EXPECT_EQ(record->pan, 0);
    EXPECT_EQ(record->volume, 0);
    EXPECT_EQ(record->decoder, nullptr);
    EXPECT_EQ(BufferBytes(record->buffer), c.expected);
  }
}

TEST_F(SoundLoadTest, MalformedDataFailsAndKeepsTheOldSound) {
  auto good = WaveFile(Ramp(4));
  ASSERT_NE(engine::SoundLoadFromMemory(2, good.data(), good.size()), nullptr);
  platform::SoundBuffer* old = Record(2)->buffer;

  const auto pcm = SampleBytes(Ramp(4));
  auto canonical = RiffFile({{"fmt ", FmtBody(2, 44100, 16)}, {"data", pcm}});
  const struct {
    const char* name;
    std::vector<std::uint8_t> file;
  } kCases[] = {
      {"first chunk not fmt",
       RiffFile({{"LIST", {1, 2}}, {"fmt ", FmtBody(2, 44100, 16)}, {"data", pcm}})},
      {"shorter than 20 bytes",
       std::vector<std::uint8_t>(canonical.begin(), canonical.begin() + 19)},
      {"only RIFF", {'R', 'I', 'F', 'F'}},
      {"fmt body cut off", std::vector<std::uint8_t>(canonical.begin(), canonical.begin() + 30)},
      {"fmt body too small", RiffFile({{"fmt ", {1, 0, 2, 0, 0x44, 0xAC}}, {"data", pcm}})},
      {"no data chunk", RiffFile({{"fmt ", FmtBody(2, 44100, 16)}, {"LIST", pcm}})},
      {"data header cut off",
       std::vector<std::uint8_t>(canonical.begin(), canonical.begin() + 36 + 6)},
      {"empty data", RiffFile({{"fmt ", FmtBody(2, 44100, 16)}, {"data", {}}})},
      {"chunk size runs past the end",
       RiffFile({{"fmt ", FmtBody(2, 44100, 16)}, {"LIST", {1, 2}, 0xFFFFFFF0}, {"data", pcm}})},
      {"fmt size runs past the end", RiffFile({{"fmt ", FmtBody(2, 44100, 16), 0xFFFFFFFF}})},
      {"format the device cannot play",
       RiffFile({{"fmt ", FmtBody(2, 44100, 24)}, {"data", SampleBytes(Ramp(6))}})},
      {"not RIFF and no decoder", {'O', 'g', 'g', 'S', 0, 0, 0, 0}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    // An exact-size copy, so that a read past the end is caught by the address sanitizer.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[c.file.size()]);
    std::memcpy(exact.get(), c.file.data(), c.file.size());
    EXPECT_EQ(engine::SoundLoadFromMemory(2, exact.get(), c.file.size()), nullptr);
    ASSERT_NE(Record(2), nullptr);
    EXPECT_EQ(Record(2)->buffer, old);
  }
  EXPECT_EQ(engine::SoundLoadFromMemory(2, nullptr, 100), nullptr);
  EXPECT_EQ(Record(2)->buffer, old);
}

TEST_F(SoundLoadTest, LoadingUnderAnOccupiedNumberReplacesTheSound) {
  auto first = WaveFile(Ramp(4), 11025);
  auto second = WaveFile(Ramp(8), 22050);
  ASSERT_NE(engine::SoundLoadFromMemory(0, first.data(), first.size()), nullptr);
  auto oldBuffer = platform::Ref<platform::SoundBuffer>::Share(Record(0)->buffer);
  ASSERT_NE(engine::SoundPlay(0, engine::SoundFlagOverlap), 0);
  ASSERT_NE(engine::SoundLoadFromMemory(0, second.data(), second.size()), nullptr);
  EXPECT_EQ(oldBuffer->RefCount(), 1u);  // released by the library
  EXPECT_EQ(Record(0)->frequency, 22050u);
  EXPECT_EQ(Record(0)->instances, nullptr);
}

TEST_F(SoundLoadTest, AutoNumbersAreRecordsThatPlayAcceptsAsNumbers) {
  auto wave = WaveFile(Ramp(4));
  void* a = engine::SoundLoadFromMemory(ObjectIdAuto, wave.data(), wave.size());
  void* b = engine::SoundLoadFromMemory(ObjectIdAuto, wave.data(), wave.size());
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  auto numberA = reinterpret_cast<engine::ObjectId>(a);
  EXPECT_EQ(Record(numberA), a);
  EXPECT_EQ(engine::SoundPlay(numberA), 1);
  auto out = Render(2);
  EXPECT_EQ(out[0], 1);
  engine::SoundRelease(numberA);
  EXPECT_EQ(engine::SoundPlay(numberA), 0);
  EXPECT_NE(Record(reinterpret_cast<engine::ObjectId>(b)), nullptr);
}

TEST_F(SoundLoadTest, FilesLoadWholeAndAMissingFileChangesNothing) {
  auto wave = WaveFile(Ramp(6), 16000);
  std::string path = TempFile("ok.wav", wave);
  ASSERT_NE(engine::SoundLoad(1, path.c_str()), nullptr);
  EXPECT_EQ(Record(1)->frequency, 16000u);
  platform::SoundBuffer* loaded = Record(1)->buffer;

  EXPECT_EQ(engine::SoundLoad(1, "/nonexistent/tidefray/missing.wav"), nullptr);
  EXPECT_EQ(engine::SoundLoad(1, nullptr), nullptr);
  EXPECT_EQ(engine::SoundLoad(1, TempFile("empty.wav", {}).c_str()), nullptr);
  EXPECT_EQ(Record(1)->buffer, loaded);

  // Streaming always goes through a decoder, and none is registered.
  EXPECT_EQ(engine::SoundLoad(4, path.c_str(), engine::SoundFlagStream), nullptr);
  EXPECT_EQ(Record(4), nullptr);
  // A RIFF block is always loaded whole, whatever the flags.
  void* whole = engine::SoundLoadFromMemory(4, wave.data(), wave.size(), engine::SoundFlagStream);
  ASSERT_NE(Record(4), nullptr);
  EXPECT_EQ(whole, Record(4)->buffer);
  EXPECT_EQ(Record(4)->decoder, nullptr);
}

TEST_F(SoundLoadTest, OutOfMemoryFailsCleanly) {
  auto wave = WaveFile(Ramp(4));
  std::string path = TempFile("oom.wav", wave);
  // The file block, then the auto record: each failure leaves nothing behind (the leak
  // checker of the address-sanitizer build sees to the buffer).
  for (std::uint64_t n : {1, 2}) {
    engine::MainHeap()->FailAllocation(n);
    EXPECT_EQ(engine::SoundLoad(ObjectIdAuto, path.c_str()), nullptr) << n;
    engine::MainHeap()->FailAllocation(0);
  }
  engine::ObjectTableEnumStart(engine::SoundTable);
  engine::ObjectId any;
  EXPECT_EQ(engine::ObjectTableEnumNext(engine::SoundTable, &any), nullptr);
}

// ---- Decoders ----

class SoundDecoderTest : public SoundLoadTest {
 protected:
  void SetUp() override {
    SoundLoadTest::SetUp();
    gDecoderState = &state;
  }
  TestDecoderState state;
};

TEST_F(SoundDecoderTest, RegistrationKeepsOrderRefusesDuplicatesAndIsBounded) {
  EXPECT_EQ(engine::SoundDecoderCount(), 0);
  EXPECT_EQ(engine::SoundDecoderRegister(nullptr), 0);
  engine::SoundDecoder incomplete = kTestDecoder;
  incomplete.Rewind = nullptr;
  EXPECT_EQ(engine::SoundDecoderRegister(&incomplete), 0);

  std::vector<engine::SoundDecoder> decoders(engine::kSoundDecoderCapacity + 1, kTestDecoder);
  for (int i = 0; i < engine::kSoundDecoderCapacity; ++i)
    EXPECT_EQ(engine::SoundDecoderRegister(&decoders[static_cast<std::size_t>(i)]), 1);
  EXPECT_EQ(engine::SoundDecoderRegister(&decoders[0]), 1);  // already there
  EXPECT_EQ(engine::SoundDecoderCount(), engine::kSoundDecoderCapacity);
  EXPECT_EQ(engine::SoundDecoderRegister(&decoders.back()), 0);

  // The first in the list answers.
  const std::uint8_t data[4] = {1, 2, 3, 4};
  engine::SoundDecoderObject* object = engine::SoundDecoderOpen(nullptr, data, 4, 7);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->ops, &decoders[0]);
  EXPECT_EQ(object->file, nullptr);
  EXPECT_EQ(state.lastOpenFlags, 7u);
  engine::SoundDecoderFree(object);

  // SoundEnd empties the list.
  engine::SoundEnd();
  EXPECT_EQ(engine::SoundDecoderCount(), 0);
}

// A decoder that looks at a file and declines after reading some of it.
std::atomic<long> gProbePosition{-1};
engine::SoundDecoderObject* ProbeOpen(std::FILE* file, const void*, std::size_t, std::uint32_t) {
  if (file) {
    gProbePosition = std::ftell(file);
    std::fgetc(file);
    std::fgetc(file);
  }
  return nullptr;
}
constexpr engine::SoundDecoder kProbeDecoder = {ProbeOpen,  TestRead, TestRewind, TestChannels,
                                                TestFrames, TestRate, TestFree};

TEST_F(SoundDecoderTest, FileSourcesAreRewoundForEachDecoderAndOwnedByTheObject) {
  ASSERT_EQ(engine::SoundDecoderRegister(&kProbeDecoder), 1);
  ASSERT_EQ(engine::SoundDecoderRegister(&kTestDecoder), 1);
  std::string path = TempFile("stream.raw", {9, 9, 9, 9});
  engine::SoundDecoderObject* object = engine::SoundDecoderOpen(path.c_str(), nullptr, 0, 0);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(gProbePosition.load(), 0);
  EXPECT_EQ(state.lastOpenFilePosition, 0);
  EXPECT_EQ(object->ops, &kTestDecoder);
  EXPECT_NE(object->file, nullptr);
  engine::SoundDecoderFree(object);  // closes the file

  state.acceptFiles = false;
  EXPECT_EQ(engine::SoundDecoderOpen(path.c_str(), nullptr, 0, 0), nullptr);
  EXPECT_EQ(engine::SoundDecoderOpen("/nonexistent/tidefray.raw", nullptr, 0, 0), nullptr);
}

TEST_F(SoundDecoderTest, WholeDecodeFillsTheBufferAndFreesTheDecoder) {
  ASSERT_EQ(engine::SoundDecoderRegister(&kTestDecoder), 1);
  state.totalBytes = 400;
  state.channels = 2;
  state.rate = 22050;
  const std::uint8_t source[8] = {'n', 'o', 't', 'R', 'I', 'F', 'F', 0};
  void* result = engine::SoundLoadFromMemory(0, source, sizeof source);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(state.frees.load(), 1);
  EXPECT_EQ(state.lastReadFlags.load(), 0u);
  engine::SoundRecord* record = Record(0);
  EXPECT_EQ(record->decoder, nullptr);
  EXPECT_EQ(record->frequency, 22050u);
  auto bytes = BufferBytes(record->buffer);
  ASSERT_EQ(bytes.size(), 400u);
  for (std::size_t k = 0; k < 200; ++k) {
    std::int16_t v;
    std::memcpy(&v, bytes.data() + 2 * k, 2);
    ASSERT_EQ(v, StreamSample(static_cast<std::int64_t>(k))) << k;
  }

  // A decoder that delivers less than its announced length: the rest is silence, not
  // whatever the heap block held before.
  state.totalBytes = 100;
  state.frameCount = 1000;
  ASSERT_NE(engine::SoundLoadFromMemory(1, source, sizeof source), nullptr);
  bytes = BufferBytes(Record(1)->buffer);
  ASSERT_EQ(bytes.size(), 4000u);
  for (std::size_t i = 100; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(state.frees.load(), 2);

  // Past 64000000 bytes of PCM the rest of a sound is dropped, whatever length it announces.
  state.totalBytes = 1000;
  state.frameCount = INT32_MAX;
  ASSERT_NE(engine::SoundLoadFromMemory(2, source, sizeof source), nullptr);
  void* region = nullptr;
  std::uint32_t size = 0;
  ASSERT_EQ(Record(2)->buffer->Lock(0, 0, &region, &size, nullptr, nullptr,
                                    platform::DSBLOCK_ENTIREBUFFER),
            platform::DS_OK);
  Record(2)->buffer->Unlock(region, 0, nullptr, 0);
  EXPECT_EQ(size, 64000000u);
}

TEST_F(SoundDecoderTest, UnplayableOrEmptyDecodesFailAndFreeTheDecoder) {
  ASSERT_EQ(engine::SoundDecoderRegister(&kTestDecoder), 1);
  const std::uint8_t source[4] = {1, 2, 3, 4};
  const struct {
    const char* name;
    std::int32_t channels, rate, frames;
    bool streamFails;  // a stream does not care about the length
  } kCases[] = {
      {"no frames", 2, 44100, 0, false},           {"negative length", 2, 44100, -5, false},
      {"no channels", 0, 44100, 10, true},         {"too many channels", 6, 44100, 10, true},
      {"rate the device refuses", 2, 5, 10, true},
  };
  int frees = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    engine::SoundRelease(0);
    state.channels = c.channels;
    state.rate = c.rate;
    state.frameCount = c.frames;
    state.totalBytes = 1000;
    EXPECT_EQ(engine::SoundLoadFromMemory(0, source, sizeof source), nullptr);
    EXPECT_EQ(state.frees.load(), ++frees);
    EXPECT_EQ(Record(0), nullptr);
    if (!c.streamFails) continue;
    EXPECT_EQ(engine::SoundLoadFromMemory(0, source, sizeof source, engine::SoundFlagStream),
              nullptr);
    EXPECT_EQ(state.frees.load(), ++frees);
    EXPECT_EQ(Record(0), nullptr);
  }
}

TEST_F(SoundDecoderTest, StreamedLoadsKeepTheDecoder) {
  ASSERT_EQ(engine::SoundDecoderRegister(&kTestDecoder), 1);
  state.totalBytes = 1 << 20;
  const std::uint8_t source[4] = {1, 2, 3, 4};
  void* fromMemory =
      engine::SoundLoadFromMemory(0, source, sizeof source, engine::SoundFlagStream | 8);
  ASSERT_NE(fromMemory, nullptr);
  EXPECT_EQ(state.lastOpenFlags, engine::SoundFlagStream | 8u);  // memory: the load flags
  engine::SoundRecord* record = Record(0);
  EXPECT_EQ(fromMemory, record);  // a streamed sound's handle is its record
  EXPECT_NE(record->decoder, nullptr);
  EXPECT_EQ(record->streamBytes, 65536u);
  EXPECT_EQ(record->frequency, 0u);

  std::string path = TempFile("stream.bin", {1, 2, 3});
  void* fromFile = engine::SoundLoad(ObjectIdAuto, path.c_str(), engine::SoundFlagStream);
  ASSERT_NE(fromFile, nullptr);
  EXPECT_EQ(state.lastOpenFlags, 0u);  // files: no load flags
  EXPECT_NE(static_cast<engine::SoundRecord*>(fromFile)->decoder->file, nullptr);

  // Replacing and releasing free each decoder exactly once.
  state.channels = 9;  // the next buffer is refused: the old sound still goes
  EXPECT_EQ(engine::SoundLoadFromMemory(0, source, sizeof source, engine::SoundFlagStream),
            nullptr);
  EXPECT_EQ(Record(0), nullptr);
  EXPECT_EQ(state.frees.load(), 2);
  // Refused under an auto number, the load leaves no record behind.
  const std::size_t blocks = engine::MainHeap()->LiveBlockCount();
  EXPECT_EQ(
      engine::SoundLoadFromMemory(ObjectIdAuto, source, sizeof source, engine::SoundFlagStream),
      nullptr);
  EXPECT_EQ(engine::MainHeap()->LiveBlockCount(), blocks);
  EXPECT_EQ(state.frees.load(), 3);
  engine::SoundRelease(ObjectIdAuto);
  EXPECT_EQ(state.frees.load(), 4);
}

}  // namespace
}  // namespace sound_test
