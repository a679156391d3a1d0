// RIFF/WAVE files with chunk sizes that are huge, odd or wrong, cut short anywhere, and formats
// no sound buffer can have.

#include <cstring>

#include "variant.h"

namespace hostile {

namespace {

constexpr std::size_t kFmtHeader = 12;
constexpr std::size_t kFmtBody = 20;
constexpr std::size_t kChannels = kFmtBody + 2;
constexpr std::size_t kRate = kFmtBody + 4;
constexpr std::size_t kBlockAlign = kFmtBody + 12;
constexpr std::size_t kBits = kFmtBody + 14;

Bytes Splice(const Bytes& a, std::size_t at, const Bytes& insert) {
  Bytes out(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(at));
  out.insert(out.end(), insert.begin(), insert.end());
  out.insert(out.end(), a.begin() + static_cast<std::ptrdiff_t>(at), a.end());
  return out;
}

Bytes ChunkMake(const char* tag, std::uint32_t declared, const Bytes& body) {
  Bytes c(8);
  std::memcpy(c.data(), tag, 4);
  WriteLe32(c, 4, declared);
  c.insert(c.end(), body.begin(), body.end());
  return c;
}

}  // namespace

std::vector<Variant> WaveVariants(const Bytes& wave) {
  std::vector<Variant> out;
  auto add = [&](std::string name, Expect expect, std::string note, Bytes bytes) {
    out.push_back({Kind::Sound, std::move(name), expect, std::move(note), std::move(bytes)});
  };
  auto changed = [](Bytes b, auto change) {
    change(b);
    return b;
  };
  // The game's own files are canonical: "fmt " of 16 bytes at 12, "data" right after it.
  const std::size_t dataHeader = kFmtBody + ReadLe32(wave, kFmtHeader + 4);
  const std::size_t pcm = dataHeader + 8;

  for (std::size_t cut : {std::size_t{0}, std::size_t{4}, std::size_t{11}, std::size_t{16},
                          std::size_t{19}, std::size_t{30}, dataHeader, dataHeader + 4, pcm - 1})
    add("wave_cut_" + std::to_string(cut) + ".wav", Expect::Absent, "cut before the samples",
        Cut(wave, cut));
  add("wave_cut_" + std::to_string(pcm + 1) + ".wav", Expect::Absent,
      "one byte of samples, less than any buffer holds", Cut(wave, pcm + 1));
  // The data chunk then claims more than the file holds; the samples present play, a partial
  // last frame included.
  for (std::size_t cut : {pcm + 4, pcm + 1001, (pcm + wave.size()) / 2})
    add("wave_cut_" + std::to_string(cut) + ".wav", Expect::Loads, "cut in the samples",
        Cut(wave, cut));

  add("wave_fmt_size_4g.wav", Expect::Absent, "fmt size 2^32 - 1",
      changed(wave, [](Bytes& b) { WriteLe32(b, kFmtHeader + 4, 0xFFFFFFFF); }));
  add("wave_fmt_size_15.wav", Expect::Absent, "fmt size 15, too short for PCM",
      changed(wave, [](Bytes& b) { WriteLe32(b, kFmtHeader + 4, 15); }));
  add("wave_fmt_size_odd.wav", Expect::Absent,
      "fmt size 17 without the pad byte: the next header is read one byte late",
      changed(wave, [](Bytes& b) { WriteLe32(b, kFmtHeader + 4, 17); }));
  add("wave_list_4g.wav", Expect::Absent, "LIST chunk of 2^32 - 16 bytes before data",
      Splice(wave, dataHeader, ChunkMake("LIST", 0xFFFFFFF0, Bytes(4, 'x'))));
  add("wave_list_odd_padded.wav", Expect::Loads, "LIST chunk of 3 bytes and its pad byte",
      Splice(wave, dataHeader, ChunkMake("LIST", 3, Bytes{'a', 'b', 'c', 0})));
  add("wave_list_odd_unpadded.wav", Expect::Absent, "LIST chunk of 3 bytes without a pad byte",
      Splice(wave, dataHeader, ChunkMake("LIST", 3, Bytes{'a', 'b', 'c'})));
  add("wave_data_size_4g.wav", Expect::Loads, "data size 2^32 - 1",
      changed(wave, [&](Bytes& b) { WriteLe32(b, dataHeader + 4, 0xFFFFFFFF); }));
  add("wave_data_size_0.wav", Expect::Absent, "data size 0: no buffer has no bytes",
      changed(wave, [&](Bytes& b) { WriteLe32(b, dataHeader + 4, 0); }));
  add("wave_no_data.wav", Expect::Absent, "no data chunk",
      changed(wave, [&](Bytes& b) { std::memcpy(b.data() + dataHeader, "dat4", 4); }));
  add("wave_junk_first.wav", Expect::Absent, "a JUNK chunk where fmt must be",
      Splice(wave, kFmtHeader, ChunkMake("JUNK", 4, Bytes(4, 0))));
  add("wave_float.wav", Expect::Absent, "format tag 3 (float)",
      changed(wave, [](Bytes& b) { WriteLe16(b, kFmtBody, 3); }));
  add("wave_channels_0.wav", Expect::Absent, "0 channels",
      changed(wave, [](Bytes& b) { WriteLe16(b, kChannels, 0); }));
  add("wave_channels_65535.wav", Expect::Absent, "65535 channels",
      changed(wave, [](Bytes& b) { WriteLe16(b, kChannels, 65535); }));
  add("wave_rate_0.wav", Expect::Absent, "rate 0",
      changed(wave, [](Bytes& b) { WriteLe32(b, kRate, 0); }));
  add("wave_rate_4g.wav", Expect::Absent, "rate 2^32 - 1",
      changed(wave, [](Bytes& b) { WriteLe32(b, kRate, 0xFFFFFFFF); }));
  add("wave_bits_7.wav", Expect::Absent, "7 bits per sample",
      changed(wave, [](Bytes& b) { WriteLe16(b, kBits, 7); }));
  add("wave_block_align_0.wav", Expect::Absent, "block alignment 0",
      changed(wave, [](Bytes& b) { WriteLe16(b, kBlockAlign, 0); }));
  add("wave_block_align_huge.wav", Expect::Absent, "block alignment larger than the data",
      changed(wave, [](Bytes& b) { WriteLe16(b, kBlockAlign, 65535); }));
  return out;
}

}  // namespace hostile
