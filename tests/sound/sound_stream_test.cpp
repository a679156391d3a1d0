// Streamed sounds, followed on the output's clock: the worker refills the half the play
// cursor has left, and stops the buffer once everything delivered has been heard.

#include "sound/sound_fixture.h"

namespace sound_test {
namespace {

using engine::ObjectIdAuto;

constexpr std::size_t kHalfFrames = 8192;  // 32768 bytes of 16-bit stereo

class SoundStreamTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    gDecoderState = &state;
    ASSERT_EQ(engine::SoundDecoderRegister(&kTestDecoder), 1);
  }
  // Loads a stream that delivers `bytes` bytes in all under `sound`.
  engine::ObjectId LoadStream(engine::ObjectId sound, std::int64_t bytes) {
    state.totalBytes = bytes;
    static const std::uint8_t kSource[4] = {'t', 'e', 's', 't'};
    void* r = engine::SoundLoadFromMemory(sound, kSource, sizeof kSource, engine::SoundFlagStream);
    EXPECT_NE(r, nullptr);
    return sound == ObjectIdAuto ? reinterpret_cast<engine::ObjectId>(r) : sound;
  }
  bool WaitForHalfChanges(engine::SoundRecord* record, std::uint32_t n) {
    return WaitUntil([&] { return record->halfChanges.load() >= n; });
  }
  bool WaitForWorkerEnd(engine::SoundRecord* record) {
    return WaitUntil([&] { return record->workerRunning.load() == 0; });
  }
  TestDecoderState state;
};

// Checks that `out` holds the stream's samples from `firstSample` on.
void ExpectStream(const std::vector<std::int16_t>& out, std::size_t begin, std::size_t end,
                  std::int64_t firstSample) {
  for (std::size_t i = begin; i < end; ++i)
    ASSERT_EQ(out[i], StreamSample(firstSample + static_cast<std::int64_t>(i - begin))) << i;
}
void ExpectSilence(const std::vector<std::int16_t>& out, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST_F(SoundStreamTest, AStreamOfOneAndAHalfHalvesEndsAfterItsLastByteWasHeard) {
  engine::ObjectId sound = LoadStream(0, 49152);
  engine::SoundRecord* record = Record(sound);
  ASSERT_EQ(engine::SoundPlay(sound, engine::SoundFlagLoop), 1);
  EXPECT_EQ(state.rewinds.load(), 1);
  EXPECT_EQ(state.reads.load(), 1);  // the first half, filled before the buffer starts
  EXPECT_EQ(state.lastReadFlags.load(), engine::SoundFlagLoop);  // the play flags, for the decoder
  EXPECT_TRUE(Playing(record->buffer));

  // The worker's first look finds the cursor in the first half and fills the second: the
  // other 16384 bytes, then silence.
  ASSERT_TRUE(WaitForHalfChanges(record, 1));
  EXPECT_EQ(state.reads.load(), 2);
  auto out = Render(kHalfFrames + 1);
  // Into the second half: the first half is refilled, and the decoder has nothing more.
  ASSERT_TRUE(WaitForHalfChanges(record, 2));
  EXPECT_EQ(state.reads.load(), 3);
  EXPECT_EQ(record->active.load(), 1);
  auto rest = Render(kHalfFrames - 1);
  out.insert(out.end(), rest.begin(), rest.end());
  // The cursor wrapped into the silent first half: the stream is over.
  ASSERT_TRUE(WaitForWorkerEnd(record));
  EXPECT_EQ(record->active.load(), 0);
  EXPECT_FALSE(Playing(record->buffer));
  EXPECT_EQ(state.reads.load(), 3);

  ASSERT_EQ(out.size(), 2 * 2 * kHalfFrames);
  ExpectStream(out, 0, 49152 / 2, 0);         // every delivered byte was heard
  ExpectSilence(out, 49152 / 2, out.size());  // then silence
  ExpectSilence(Render(1000), 0, 2000);       // and nothing after the stop
}

TEST_F(SoundStreamTest, AStreamWithNothingStopsWhenTheCursorEntersTheSecondHalf) {
  engine::ObjectId sound = LoadStream(0, 0);
  engine::SoundRecord* record = Record(sound);
  ASSERT_EQ(engine::SoundPlay(sound), 1);
  ASSERT_TRUE(WaitForHalfChanges(record, 1));  // the second half: nothing either
  EXPECT_EQ(record->active.load(), 1);
  auto out = Render(kHalfFrames + 1);
  ASSERT_TRUE(WaitForWorkerEnd(record));
  EXPECT_EQ(record->active.load(), 0);
  EXPECT_EQ(state.reads.load(), 2);
  ExpectSilence(out, 0, out.size());
  // Stopped about 186 ms (8192 frames) in: the cursor stays where the stop found it.
  EXPECT_EQ(PlayCursor(record->buffer), (kHalfFrames + 1) * 4);
  Render(500);
  EXPECT_EQ(PlayCursor(record->buffer), (kHalfFrames + 1) * 4);
}

TEST_F(SoundStreamTest, AnEndlessStreamPlaysOnAndAPlayAgainRestartsIt) {
  engine::ObjectId sound = LoadStream(0, std::int64_t{1} << 40);
  engine::SoundRecord* record = Record(sound);
  engine::SoundSetVolume(sound, 100);
  ASSERT_EQ(engine::SoundPlay(sound, 0, 100), 1);
  std::vector<std::int16_t> out;
  // Four buffer lengths in quarters. Before the second quarter of a half the worker must have
  // filled the next half (it does so once the cursor is inside this one), so every half is
  // filled before the output reaches it.
  for (std::uint32_t quarter = 0; quarter < 16; ++quarter) {
    ASSERT_TRUE(WaitForHalfChanges(record, (quarter + 1) / 2));
    auto part = Render(kHalfFrames / 2);
    out.insert(out.end(), part.begin(), part.end());
  }
  ExpectStream(out, 0, out.size(), 0);

  // Playing again stops the worker, rewinds the decoder and starts from the beginning.
  ASSERT_EQ(engine::SoundPlay(sound), 1);
  EXPECT_EQ(state.rewinds.load(), 2);
  ASSERT_TRUE(WaitForHalfChanges(record, 1));
  auto again = Render(100);
  ExpectStream(again, 0, again.size(), 0);

  // A stop ends the worker without waiting for it; the next play waits for it.
  engine::SoundStop(sound);
  EXPECT_EQ(record->active.load(), 0);
  ASSERT_TRUE(WaitForWorkerEnd(record));
  EXPECT_FALSE(Playing(record->buffer));
}

TEST_F(SoundStreamTest, ReleaseWaitsForTheWorkerAndFreesTheDecoderOnce) {
  // A slow decoder, so that the release comes while the worker is inside a read.
  state.readDelay = std::chrono::milliseconds(30);
  for (engine::ObjectId number : {engine::ObjectId{3}, ObjectIdAuto}) {
    SCOPED_TRACE(number);
    const int freesBefore = state.frees.load();
    engine::ObjectId sound = LoadStream(number, std::int64_t{1} << 40);
    ASSERT_EQ(engine::SoundPlay(sound), 1);
    ASSERT_TRUE(WaitUntil([&] { return state.inRead.load(); }));
    engine::SoundRelease(sound);
    // The worker has ended (an auto record is freed by now: the sanitizers would see any
    // later touch), and the decoder went once, not in the middle of a read.
    EXPECT_EQ(state.frees.load(), freesBefore + 1);
    EXPECT_FALSE(state.freedDuringRead.load());
    EXPECT_FALSE(state.inRead.load());
    EXPECT_EQ(engine::SoundPlay(sound), 0);
  }
}

TEST_F(SoundStreamTest, SoundEndStopsEveryStream) {
  engine::ObjectId a = LoadStream(0, std::int64_t{1} << 40);
  engine::ObjectId b = LoadStream(ObjectIdAuto, std::int64_t{1} << 40);
  ASSERT_EQ(engine::SoundPlay(a), 1);
  ASSERT_EQ(engine::SoundPlay(b), 1);
  engine::SoundEnd();
  EXPECT_EQ(state.frees.load(), 2);
  EXPECT_FALSE(state.inRead.load());
}

TEST_F(SoundStreamTest, AStreamIgnoresOverlapAndPlaysItsMainBuffer) {
  engine::ObjectId sound = LoadStream(0, std::int64_t{1} << 40);
  EXPECT_EQ(engine::SoundPlay(sound, engine::SoundFlagOverlap), 1);
  EXPECT_EQ(Record(sound)->instances, nullptr);
  EXPECT_EQ(state.lastReadFlags.load(), engine::SoundFlagOverlap);
}

}  // namespace
}  // namespace sound_test
