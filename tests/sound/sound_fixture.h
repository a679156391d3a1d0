#pragma once

// A started sound library on a headless host whose audio advances only when the test says so,
// plus builders for WAVE files and a decoder plug-in whose every call is counted.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "screen/media_window.h"
#include "sound/sound.h"
#include "support/engine_fixture.h"

namespace sound_test {

// ---- WAVE files ------------------------------------------------------------------------------

inline void Append16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Append16(out, v & 0xFFFF);
  Append16(out, v >> 16);
}

// A 16-byte PCM "fmt " body.
inline std::vector<std::uint8_t> FmtBody(int channels, std::uint32_t rate, int bits) {
  std::vector<std::uint8_t> body;
  const std::uint32_t align = static_cast<std::uint32_t>(channels * bits / 8);
  Append16(body, 1);
  Append16(body, static_cast<std::uint32_t>(channels));
  Append32(body, rate);
  Append32(body, rate * align);
  Append16(body, align);
  Append16(body, static_cast<std::uint32_t>(bits));
  return body;
}

struct Chunk {
  std::string tag;
  std::vector<std::uint8_t> body;
  // The size written into the header when it is not the body's (a lying chunk).
  std::int64_t claimedSize = -1;
  // RIFF pads odd-sized chunks with one byte; a broken writer may not.
  bool pad = true;
};

// "RIFF", a size, "WAVE", then the chunks in order.
inline std::vector<std::uint8_t> RiffFile(const std::vector<Chunk>& chunks) {
  std::vector<std::uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const Chunk& c : chunks) {
    out.insert(out.end(), c.tag.begin(), c.tag.end());
    Append32(out, c.claimedSize >= 0 ? static_cast<std::uint32_t>(c.claimedSize)
                                     : static_cast<std::uint32_t>(c.body.size()));
    out.insert(out.end(), c.body.begin(), c.body.end());
    if (c.pad && (c.body.size() & 1)) out.push_back(0);
  }
  const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
  std::memcpy(out.data() + 4, &riffSize, 4);
  return out;
}

inline std::vector<std::uint8_t> SampleBytes(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> out(samples.size() * 2);
  std::memcpy(out.data(), samples.data(), out.size());
  return out;
}

// Stereo frames with left = 10 i + 1 and right = -(10 i + 1): every frame differs, so a frame
// out of place or a wrong channel shows.
inline std::vector<std::int16_t> Ramp(int frames) {
  std::vector<std::int16_t> s;
  for (int i = 0; i < frames; ++i) {
    s.push_back(static_cast<std::int16_t>(10 * i + 1));
    s.push_back(static_cast<std::int16_t>(-(10 * i + 1)));
  }
  return s;
}

inline std::vector<std::int16_t> Constant(int frames, std::int16_t left, std::int16_t right) {
  std::vector<std::int16_t> s;
  for (int i = 0; i < frames; ++i) {
    s.push_back(left);
    s.push_back(right);
  }
  return s;
}

// A canonical 16-bit stereo WAVE file at `rate` holding `samples`.
inline std::vector<std::uint8_t> WaveFile(const std::vector<std::int16_t>& samples,
                                          std::uint32_t rate = 44100) {
  return RiffFile({{"fmt ", FmtBody(2, rate, 16)}, {"data", SampleBytes(samples)}});
}

// ---- A decoder plug-in for tests -------------------------------------------------------------

// The PCM a TestDecoder delivers: sample k of the stream is StreamSample(k).
inline std::int16_t StreamSample(std::int64_t k) {
  return static_cast<std::int16_t>(1 + (k * 7) % 20000);
}

// What the test decoder does and what happened to it. Read runs on a stream's worker, so the
// counters are atomic.
struct TestDecoderState {
  std::int64_t totalBytes = 0;  // what the source holds; Read delivers these and then 0
  std::int32_t channels = 2;
  std::int32_t rate = 44100;
  std::optional<std::int32_t> frameCount;  // reported length; none: totalBytes / 4
  bool acceptFiles = true;
  bool acceptMemory = true;
  std::chrono::milliseconds readDelay{0};
  std::atomic<int> opens{0};
  std::atomic<int> reads{0};
  std::atomic<int> rewinds{0};
  std::atomic<int> frees{0};
  std::atomic<bool> inRead{false};
  std::atomic<bool> freedDuringRead{false};
  std::uint32_t lastOpenFlags = 0;
  std::atomic<std::uint32_t> lastReadFlags{0};
  long lastOpenFilePosition = -1;
};

// The decoder's state object; set by the test before loading.
inline TestDecoderState* gDecoderState = nullptr;

struct TestDecoderObject {
  engine::SoundDecoderObject head;
  std::int64_t position;
};

inline engine::SoundDecoderObject* TestOpen(std::FILE* file, const void* data, std::size_t,
                                            std::uint32_t flags) {
  TestDecoderState* s = gDecoderState;
  if (!s || (file && !s->acceptFiles) || (data && !s->acceptMemory)) return nullptr;
  s->opens++;
  s->lastOpenFlags = flags;
  s->lastOpenFilePosition = file ? std::ftell(file) : -1;
  if (file) std::fgetc(file);  // moves the stream, as a real probe does
  auto* object = new TestDecoderObject{};
  object->head.ops = nullptr;  // the library's to set
  return &object->head;
}

inline std::int32_t TestRead(engine::SoundDecoderObject* object, void* buffer, std::int32_t bytes,
                             std::int32_t, std::uint32_t flags) {
  TestDecoderState* s = gDecoderState;
  s->inRead = true;
  s->reads++;
  s->lastReadFlags = flags;
  if (s->readDelay.count() > 0) std::this_thread::sleep_for(s->readDelay);
  auto* self = reinterpret_cast<TestDecoderObject*>(object);
  std::int64_t n = std::min<std::int64_t>(bytes, s->totalBytes - self->position);
  if (n < 0) n = 0;
  auto* out = static_cast<std::int16_t*>(buffer);
  for (std::int64_t i = 0; i < n / 2; ++i) out[i] = StreamSample(self->position / 2 + i);
  self->position += n;
  s->inRead = false;
  return static_cast<std::int32_t>(n);
}

inline void TestRewind(engine::SoundDecoderObject* object) {
  gDecoderState->rewinds++;
  reinterpret_cast<TestDecoderObject*>(object)->position = 0;
}
inline std::int32_t TestChannels(engine::SoundDecoderObject*) {
  return gDecoderState->channels;
}
inline std::int32_t TestFrames(engine::SoundDecoderObject*) {
  TestDecoderState* s = gDecoderState;
  return s->frameCount ? *s->frameCount : static_cast<std::int32_t>(s->totalBytes / 4);
}
inline std::int32_t TestRate(engine::SoundDecoderObject*) {
  return gDecoderState->rate;
}
inline void TestFree(engine::SoundDecoderObject* object) {
  TestDecoderState* s = gDecoderState;
  if (s->inRead) s->freedDuringRead = true;
  s->frees++;
  if (object->file) std::fclose(object->file);
  delete reinterpret_cast<TestDecoderObject*>(object);
}

inline constexpr engine::SoundDecoder kTestDecoder = {
    TestOpen, TestRead, TestRewind, TestChannels, TestFrames, TestRate, TestFree};

// ---- The fixture -----------------------------------------------------------------------------

class SoundTest : public testing_support::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine::MediaWindowForget();  // the window of the previous test's host is gone
    ASSERT_EQ(engine::SoundInit(), 1);
  }
  void TearDown() override {
    engine::SoundEnd();
    gDecoderState = nullptr;
    EngineTest::TearDown();
  }

  static engine::SoundRecord* Record(engine::ObjectId sound) {
    return static_cast<engine::SoundRecord*>(engine::ObjectTableLookup(engine::SoundTable, sound));
  }
};

inline std::int32_t Volume(platform::SoundBuffer* buffer) {
  std::int32_t v = 1;
  buffer->GetVolume(&v);
  return v;
}
inline std::uint32_t PlayCursor(platform::SoundBuffer* buffer) {
  std::uint32_t play = 0;
  buffer->GetCurrentPosition(&play, nullptr);
  return play;
}
inline bool Playing(platform::SoundBuffer* buffer) {
  std::uint32_t status = 0;
  buffer->GetStatus(&status);
  return (status & platform::DSBSTATUS_PLAYING) != 0;
}

// The payloads of an instance list, newest first.
inline std::vector<std::intptr_t> InstanceHandles(const engine::SoundRecord* record) {
  std::vector<std::intptr_t> handles;
  for (engine::ListNode* n = record->instances; n; n = n->next)
    handles.push_back(reinterpret_cast<std::intptr_t>(engine::ListNodePayload(n)));
  return handles;
}

}  // namespace sound_test
