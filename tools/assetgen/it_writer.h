#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// Note values of the pattern data: 0..119 are notes (60 is middle C, played at the sample's
// C5 speed), the rest are the format's special notes.
inline constexpr std::uint8_t kItNoteNone = 253;  // internal: nothing in the note column
inline constexpr std::uint8_t kItNoteCut = 254;
inline constexpr std::uint8_t kItVolumeNone = 255;  // internal: nothing in the volume column

// Effect letters are numbered from A = 1; B jumps to an order position.
inline constexpr std::uint8_t kItEffectJumpToOrder = 2;

struct ItSample {
  std::string name;               // up to 25 characters are stored
  std::vector<std::int16_t> pcm;  // mono, signed 16-bit
  std::uint32_t c5Speed = 22050;  // playback rate of note 60
  std::uint8_t defaultVolume = 64;
  std::uint8_t globalVolume = 64;
  bool loop = false;
  std::uint32_t loopBegin = 0;
  std::uint32_t loopEnd = 0;  // exclusive
};

struct ItCell {
  std::uint8_t note = kItNoteNone;
  std::uint8_t sample = 0;  // 1-based; 0 is none
  std::uint8_t volume = kItVolumeNone;
  std::uint8_t effect = 0;
  std::uint8_t param = 0;
  bool Empty() const {
    return note == kItNoteNone && sample == 0 && volume == kItVolumeNone && effect == 0;
  }
};

class ItPattern {
 public:
  ItPattern(int rows, int channels)
      : rows_(rows), channels_(channels), cells_(static_cast<std::size_t>(rows * channels)) {}
  int Rows() const { return rows_; }
  int Channels() const { return channels_; }
  ItCell& At(int row, int channel) {
    return cells_[static_cast<std::size_t>(row * channels_ + channel)];
  }
  const ItCell& At(int row, int channel) const {
    return cells_[static_cast<std::size_t>(row * channels_ + channel)];
  }

 private:
  int rows_;
  int channels_;
  std::vector<ItCell> cells_;
};

// A module in sample mode (no instruments): the pattern's sample column names a sample directly.
struct ItModule {
  std::string name;
  int channels = 4;                      // 1..64
  std::vector<std::uint8_t> channelPan;  // 0 (left) .. 64 (right) per channel; centre if missing
  std::uint8_t initialSpeed = 6;         // ticks per row
  std::uint8_t initialTempo = 125;       // beats per minute (a tick is 2.5 / tempo seconds)
  std::uint8_t globalVolume = 128;       // 0..128
  std::uint8_t mixVolume = 48;           // 0..128
  std::uint8_t rowsPerBeat = 4;
  std::uint8_t rowsPerMeasure = 16;
  std::vector<std::uint8_t> orders;  // pattern numbers; the end marker is appended on writing
  std::vector<ItSample> samples;
  std::vector<ItPattern> patterns;
};

// The module as Impulse Tracker file bytes: the "IMPM" header, orders and offset tables, one
// "IMPS" header per sample, packed patterns, then the uncompressed sample data.
std::vector<std::uint8_t> ItEncode(const ItModule& module);

}  // namespace assetgen
