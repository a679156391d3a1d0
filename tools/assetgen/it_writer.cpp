#include "it_writer.h"

#include <array>
#include <cassert>
#include <string_view>

namespace assetgen {
namespace {

constexpr std::size_t kHeaderBytes = 0xC0;
constexpr std::size_t kSampleHeaderBytes = 0x50;
constexpr std::size_t kPatternHeaderBytes = 8;
constexpr std::uint16_t kTrackerVersion = 0x0214;  // the format revision whose layout we write
constexpr std::uint8_t kOrderEnd = 255;
constexpr std::uint8_t kChannelDisabled = 128;

class ByteWriter {
 public:
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }
  void U8(std::uint32_t v) { bytes_.push_back(static_cast<std::uint8_t>(v)); }
  void U16(std::uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(std::uint32_t v) {
    U16(v);
    U16(v >> 16);
  }
  void Tag(std::string_view tag) { bytes_.insert(bytes_.end(), tag.begin(), tag.end()); }
  void Text(std::string_view text, std::size_t width) {
    // Zero-padded; the last byte of a name field stays zero.
    for (std::size_t i = 0; i < width; ++i) U8(i + 1 < width && i < text.size() ? text[i] : 0);
  }
  void PatchU32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Packed rows: per cell a channel byte (bit 7: a new mask follows), the mask (bit 0 note, 1 sample,
// 2 volume, 3 effect) when it differs from the channel's previous one, then the fields; a zero
// byte ends each row.
std::vector<std::uint8_t> PackPattern(const ItPattern& pattern) {
  std::vector<std::uint8_t> out;
  std::array<int, 64> lastMask;
  lastMask.fill(-1);
  for (int row = 0; row < pattern.Rows(); ++row) {
    for (int ch = 0; ch < pattern.Channels(); ++ch) {
      const ItCell& cell = pattern.At(row, ch);
      if (cell.Empty()) continue;
      int mask = 0;
      if (cell.note != kItNoteNone) mask |= 1;
      if (cell.sample != 0) mask |= 2;
      if (cell.volume != kItVolumeNone) mask |= 4;
      if (cell.effect != 0) mask |= 8;
      const auto channelByte = static_cast<std::uint8_t>(ch + 1);
      if (mask == lastMask[static_cast<std::size_t>(ch)]) {
        out.push_back(channelByte);
      } else {
        out.push_back(channelByte | 0x80);
        out.push_back(static_cast<std::uint8_t>(mask));
        lastMask[static_cast<std::size_t>(ch)] = mask;
      }
      if ((mask & 1) != 0) out.push_back(cell.note);
      if ((mask & 2) != 0) out.push_back(cell.sample);
      if ((mask & 4) != 0) out.push_back(cell.volume);
      if ((mask & 8) != 0) {
        out.push_back(cell.effect);
        out.push_back(cell.param);
      }
    }
    out.push_back(0);
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> ItEncode(const ItModule& module) {
  ByteWriter w;
  const std::size_t orderCount = module.orders.size() + 1;
  const std::size_t sampleCount = module.samples.size();
  const std::size_t patternCount = module.patterns.size();

  w.Tag("IMPM");
  w.Text(module.name, 26);
  w.U8(module.rowsPerBeat);
  w.U8(module.rowsPerMeasure);
  w.U16(static_cast<std::uint32_t>(orderCount));
  w.U16(0);  // no instruments: sample mode
  w.U16(static_cast<std::uint32_t>(sampleCount));
  w.U16(static_cast<std::uint32_t>(patternCount));
  w.U16(kTrackerVersion);
  w.U16(kTrackerVersion);
  w.U16(0x01 | 0x08);  // stereo, linear slides
  w.U16(0);            // no message, no embedded MIDI configuration
  w.U8(module.globalVolume);
  w.U8(module.mixVolume);
  w.U8(module.initialSpeed);
  w.U8(module.initialTempo);
  w.U8(128);  // full panning separation
  w.U8(0);    // pitch wheel depth
  w.U16(0);   // message length
  w.U32(0);   // message offset
  w.U32(0);   // reserved
  for (int ch = 0; ch < 64; ++ch) {
    std::uint8_t pan = 32;
    if (ch < static_cast<int>(module.channelPan.size()))
      pan = module.channelPan[static_cast<std::size_t>(ch)];
    w.U8(ch < module.channels ? pan : static_cast<std::uint8_t>(32 | kChannelDisabled));
  }
  for (int ch = 0; ch < 64; ++ch) w.U8(64);
  assert(w.Size() == kHeaderBytes);

  for (std::uint8_t order : module.orders) w.U8(order);
  w.U8(kOrderEnd);
  const std::size_t sampleOffsetsAt = w.Size();
  for (std::size_t i = 0; i < sampleCount + patternCount; ++i) w.U32(0);
  const std::size_t patternOffsetsAt = sampleOffsetsAt + 4 * sampleCount;

  // Sample headers; their data pointers are patched once the data's place is known.
  std::vector<std::size_t> dataPointerAt;
  for (std::size_t i = 0; i < sampleCount; ++i) {
    const ItSample& s = module.samples[i];
    w.PatchU32(sampleOffsetsAt + 4 * i, static_cast<std::uint32_t>(w.Size()));
    [[maybe_unused]] const std::size_t start = w.Size();
    w.Tag("IMPS");
    w.Text("", 12);  // DOS file name
    w.U8(0);
    w.U8(s.globalVolume);
    w.U8(0x01 | 0x02 | (s.loop ? 0x10 : 0x00));  // has data, 16-bit, loop
    w.U8(s.defaultVolume);
    w.Text(s.name, 26);
    w.U8(0x01);  // signed samples
    w.U8(32);    // default pan, not enabled
    w.U32(static_cast<std::uint32_t>(s.pcm.size()));
    w.U32(s.loopBegin);
    w.U32(s.loopEnd);
    w.U32(s.c5Speed);
    w.U32(0);  // sustain loop
    w.U32(0);
    dataPointerAt.push_back(w.Size());
    w.U32(0);
    w.U32(0);  // no auto-vibrato
    assert(w.Size() - start == kSampleHeaderBytes);
  }

  for (std::size_t i = 0; i < patternCount; ++i) {
    const ItPattern& p = module.patterns[i];
    const std::size_t offset = w.Size();
    w.PatchU32(patternOffsetsAt + 4 * i, static_cast<std::uint32_t>(offset));
    const std::vector<std::uint8_t> packed = PackPattern(p);
    w.U16(static_cast<std::uint32_t>(packed.size()));
    w.U16(static_cast<std::uint32_t>(p.Rows()));
    w.U32(0);
    assert(w.Size() - offset == kPatternHeaderBytes);
    w.Bytes().insert(w.Bytes().end(), packed.begin(), packed.end());
  }

  for (std::size_t i = 0; i < sampleCount; ++i) {
    w.PatchU32(dataPointerAt[i], static_cast<std::uint32_t>(w.Size()));
    for (std::int16_t v : module.samples[i].pcm) w.U16(static_cast<std::uint16_t>(v));
  }
  return std::move(w.Bytes());
}

}  // namespace assetgen
