#pragma once

// Writes small Impulse Tracker modules for the module-player tests: one looped 8-bit sample,
// sample-based (no instruments), channels panned to the centre. Every byte is ours, so a test
// can say exactly how long its song is and what plays in it.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace music_test {

struct ItNote {
  int row = 0;
  int channel = 0;  // 0-based
  int note = -1;    // 0..119 (60 = middle C), -1 for none
  int sample = 0;   // 1-based, 0 for none
  int command = 0;  // 1 = A (speed), 20 = T (tempo), 0 for none
  int parameter = 0;
};

struct ItPattern {
  int rows = 64;
  std::vector<ItNote> notes;
};

struct ItSong {
  int speed = 6;    // ticks per row
  int tempo = 125;  // one tick lasts 2.5 / tempo seconds
  int channels = 4;
  std::vector<int> orders;  // pattern numbers; the end marker is added
  std::vector<ItPattern> patterns;
  std::vector<std::int8_t> sample;  // looped from start to end
  std::uint32_t sampleRate = 8363 * 4;
};

inline void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  Put16(out, at, v & 0xFFFF);
  Put16(out, at + 2, v >> 16);
}

inline std::vector<std::uint8_t> ItModuleBuild(const ItSong& song) {
  constexpr std::size_t kHeaderBytes = 0xC0;
  constexpr std::size_t kSampleHeaderBytes = 0x50;
  std::vector<int> orders = song.orders;
  orders.push_back(255);
  const std::size_t ordNum = orders.size();
  const std::size_t patNum = song.patterns.size();

  std::vector<std::uint8_t> out(kHeaderBytes, 0);
  std::memcpy(out.data(), "IMPM", 4);
  std::memcpy(out.data() + 4, "tidefray test", 13);
  Put16(out, 0x20, static_cast<std::uint32_t>(ordNum));
  Put16(out, 0x22, 0);  // instruments
  Put16(out, 0x24, 1);  // samples
  Put16(out, 0x26, static_cast<std::uint32_t>(patNum));
  Put16(out, 0x28, 0x0214);  // made with
  Put16(out, 0x2A, 0x0200);  // compatible with
  Put16(out, 0x2C, 0x0009);  // stereo, linear slides
  out[0x30] = 128;           // global volume
  out[0x31] = 48;            // mixing volume
  out[0x32] = static_cast<std::uint8_t>(song.speed);
  out[0x33] = static_cast<std::uint8_t>(song.tempo);
  out[0x34] = 128;  // separation
  for (int c = 0; c < 64; ++c) {
    out[0x40 + c] = c < song.channels ? 32 : 32 + 128;  // centre; unused channels off
    out[0x80 + c] = 64;
  }
  for (int o : orders) out.push_back(static_cast<std::uint8_t>(o));

  const std::size_t sampleOffsetAt = out.size();
  out.resize(out.size() + 4 + 4 * patNum, 0);
  const std::size_t patternOffsetsAt = sampleOffsetAt + 4;

  // Sample header; its data follows the patterns.
  const std::size_t sampleHeaderAt = out.size();
  Put32(out, sampleOffsetAt, static_cast<std::uint32_t>(sampleHeaderAt));
  out.resize(out.size() + kSampleHeaderBytes, 0);
  std::memcpy(out.data() + sampleHeaderAt, "IMPS", 4);
  out[sampleHeaderAt + 0x11] = 64;    // global volume
  out[sampleHeaderAt + 0x12] = 0x11;  // present, 8-bit, looped
  out[sampleHeaderAt + 0x13] = 64;    // volume
  out[sampleHeaderAt + 0x2E] = 1;     // signed samples
  out[sampleHeaderAt + 0x2F] = 32;    // default pan
  const auto length = static_cast<std::uint32_t>(song.sample.size());
  Put32(out, sampleHeaderAt + 0x30, length);
  Put32(out, sampleHeaderAt + 0x34, 0);
  Put32(out, sampleHeaderAt + 0x38, length);
  Put32(out, sampleHeaderAt + 0x3C, song.sampleRate);

  for (std::size_t p = 0; p < patNum; ++p) {
    const ItPattern& pattern = song.patterns[p];
    std::vector<std::uint8_t> packed;
    for (int row = 0; row < pattern.rows; ++row) {
      for (const ItNote& n : pattern.notes) {
        if (n.row != row) continue;
        std::uint8_t mask = 0;
        if (n.note >= 0) mask |= 1;
        if (n.sample > 0) mask |= 2;
        if (n.command > 0) mask |= 8;
        packed.push_back(static_cast<std::uint8_t>((n.channel + 1) | 0x80));
        packed.push_back(mask);
        if (mask & 1) packed.push_back(static_cast<std::uint8_t>(n.note));
        if (mask & 2) packed.push_back(static_cast<std::uint8_t>(n.sample));
        if (mask & 8) {
          packed.push_back(static_cast<std::uint8_t>(n.command));
          packed.push_back(static_cast<std::uint8_t>(n.parameter));
        }
      }
      packed.push_back(0);
    }
    const std::size_t at = out.size();
    Put32(out, patternOffsetsAt + 4 * p, static_cast<std::uint32_t>(at));
    out.resize(out.size() + 8, 0);
    Put16(out, at, static_cast<std::uint32_t>(packed.size()));
    Put16(out, at + 2, static_cast<std::uint32_t>(pattern.rows));
    out.insert(out.end(), packed.begin(), packed.end());
  }

  Put32(out, sampleHeaderAt + 0x48, static_cast<std::uint32_t>(out.size()));
  for (std::int8_t s : song.sample) out.push_back(static_cast<std::uint8_t>(s));
  return out;
}

// A square wave of `period` samples, `cycles` times.
inline std::vector<std::int8_t> SquareWave(int period, int cycles, std::int8_t level = 64) {
  std::vector<std::int8_t> wave;
  for (int c = 0; c < cycles; ++c)
    for (int i = 0; i < period; ++i) wave.push_back(i < period / 2 ? level : -level);
  return wave;
}

}  // namespace music_test
