// Tracker modules that are noise, cut short, or whose counts, offsets and lengths point outside
// the file, plus noise behind the signatures of the other formats the module library reads.

#include <cstring>

#include "variant.h"

namespace hostile {

namespace {

// Impulse Tracker layout: a 192-byte header, then the order list and the offset tables of the
// instruments, samples and patterns.
constexpr std::size_t kOrderCount = 0x20;
constexpr std::size_t kInstrumentCount = 0x22;
constexpr std::size_t kSampleCount = 0x24;
constexpr std::size_t kPatternCount = 0x26;
constexpr std::size_t kSpecial = 0x2E;
constexpr std::size_t kMessageLength = 0x36;
constexpr std::size_t kMessageOffset = 0x38;
constexpr std::size_t kHeaderBytes = 0xC0;
constexpr std::size_t kSampleLength = 0x30;
constexpr std::size_t kSamplePointer = 0x48;

struct ItLayout {
  std::size_t sampleOffsets;   // the table of sample header offsets
  std::size_t patternOffsets;  // the table of pattern offsets
  std::uint16_t samples;
  std::uint16_t patterns;
};

ItLayout Layout(const Bytes& it) {
  ItLayout l{};
  const std::size_t orders = ReadLe16(it, kOrderCount);
  const std::size_t instruments = ReadLe16(it, kInstrumentCount);
  l.samples = ReadLe16(it, kSampleCount);
  l.patterns = ReadLe16(it, kPatternCount);
  l.sampleOffsets = kHeaderBytes + orders + 4 * instruments;
  l.patternOffsets = l.sampleOffsets + 4 * std::size_t{l.samples};
  return l;
}

Bytes WithSignature(Bytes noise, std::size_t at, const char* signature) {
  const std::size_t length = std::strlen(signature);
  if (noise.size() < at + length) noise.resize(at + length);
  std::memcpy(noise.data() + at, signature, length);
  return noise;
}

}  // namespace

std::vector<Variant> ModuleVariants(const Bytes& it) {
  std::vector<Variant> out;
  auto add = [&](std::string name, Expect expect, std::string note, Bytes bytes) {
    out.push_back({Kind::Music, std::move(name), expect, std::move(note), std::move(bytes)});
  };
  auto changed = [](Bytes b, auto change) {
    change(b);
    return b;
  };

  std::uint64_t seed = 100;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{64}, std::size_t{1084},
                           std::size_t{4096}, std::size_t{65536}})
    add("module_noise_" + std::to_string(size) + ".bin", Expect::Absent, "noise",
        Noise(size, ++seed));

  const ItLayout layout = Layout(it);
  const std::size_t firstSample = ReadLe32(it, layout.sampleOffsets);
  const std::size_t firstPattern = ReadLe32(it, layout.patternOffsets);
  // Cut anywhere: in the header, in the tables, in the sample headers, in the patterns and in
  // the sample data. The library keeps what it could read of some of these.
  for (std::size_t cut :
       {std::size_t{4}, std::size_t{100}, kHeaderBytes, layout.sampleOffsets + 2, firstSample + 40,
        firstPattern + 5, firstPattern + 200, it.size() / 2, it.size() - 1000})
    add("module_cut_" + std::to_string(cut) + ".it", Expect::Any, "cut short", Cut(it, cut));

  add("module_header_only.it", Expect::Any, "signature and a zero header",
      WithSignature(Bytes(kHeaderBytes, 0), 0, "IMPM"));
  add("module_counts_65535.it", Expect::Any, "order, instrument, sample and pattern counts 65535",
      changed(it, [](Bytes& b) {
        for (std::size_t at : {kOrderCount, kInstrumentCount, kSampleCount, kPatternCount})
          WriteLe16(b, at, 0xFFFF);
      }));
  add("module_sample_offsets_out.it", Expect::Any, "every sample header offset past the end",
      changed(it, [&](Bytes& b) {
        for (std::size_t i = 0; i < layout.samples; ++i)
          WriteLe32(b, layout.sampleOffsets + 4 * i, 0xFFFFFF00u + static_cast<std::uint32_t>(i));
      }));
  add("module_sample_data_out.it", Expect::Any,
      "sample data pointers past the end, lengths of 2^32 - 1", changed(it, [&](Bytes& b) {
        for (std::size_t i = 0; i < layout.samples; ++i) {
          const std::size_t header = ReadLe32(b, layout.sampleOffsets + 4 * i);
          WriteLe32(b, header + kSampleLength, 0xFFFFFFFF);
          WriteLe32(b, header + kSamplePointer, static_cast<std::uint32_t>(b.size() - 16));
        }
      }));
  add("module_pattern_offsets_out.it", Expect::Any, "pattern offsets past the end",
      changed(it, [&](Bytes& b) {
        for (std::size_t i = 0; i < layout.patterns; ++i)
          WriteLe32(b, layout.patternOffsets + 4 * i, static_cast<std::uint32_t>(b.size() - 2));
      }));
  add("module_pattern_lengths_huge.it", Expect::Any,
      "packed pattern lengths of 65535 bytes and 65535 rows", changed(it, [&](Bytes& b) {
        for (std::size_t i = 0; i < layout.patterns; ++i) {
          const std::size_t pattern = ReadLe32(b, layout.patternOffsets + 4 * i);
          if (pattern == 0) continue;
          WriteLe16(b, pattern, 0xFFFF);
          WriteLe16(b, pattern + 2, 0xFFFF);
        }
      }));
  add("module_message_out.it", Expect::Any, "a song message of 65535 bytes past the end",
      changed(it, [](Bytes& b) {
        WriteLe16(b, kSpecial, static_cast<std::uint16_t>(ReadLe16(b, kSpecial) | 1));
        WriteLe16(b, kMessageLength, 0xFFFF);
        WriteLe32(b, kMessageOffset, 0xFFFFFFF0);
      }));
  add("module_xm_noise.xm", Expect::Any, "extended-module signature, then noise",
      WithSignature(Noise(2048, 7), 0, "Extended Module: "));
  add("module_s3m_noise.s3m", Expect::Any, "S3M signature, then noise",
      WithSignature(Noise(2048, 8), 44, "SCRM"));
  add("module_mod_noise.mod", Expect::Any, "M.K. signature, then noise",
      WithSignature(Noise(4096, 9), 1080, "M.K."));
  return out;
}

}  // namespace hostile
