#include "variant.h"

namespace hostile {

const char* ExpectName(Expect expect) {
  switch (expect) {
    case Expect::Absent:
      return "absent";
    case Expect::Loads:
      return "loads";
    case Expect::Any:
      return "any";
  }
  return "?";
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Image:
      return "image";
    case Kind::Sound:
      return "sound";
    case Kind::Music:
      return "music";
  }
  return "?";
}

std::uint32_t ReadBe32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b.at(at)) << 24 |
         static_cast<std::uint32_t>(b.at(at + 1)) << 16 |
         static_cast<std::uint32_t>(b.at(at + 2)) << 8 | b.at(at + 3);
}

void WriteBe32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

std::uint32_t ReadLe32(const Bytes& b, std::size_t at) {
  return b.at(at) | static_cast<std::uint32_t>(b.at(at + 1)) << 8 |
         static_cast<std::uint32_t>(b.at(at + 2)) << 16 |
         static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

void WriteLe32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t ReadLe16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

void WriteLe16(Bytes& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

Bytes Cut(const Bytes& b, std::size_t size) {
  return Bytes(b.begin(),
               b.begin() + static_cast<std::ptrdiff_t>(size < b.size() ? size : b.size()));
}

std::vector<std::size_t> CutPoints(std::size_t from, std::size_t to, int inner) {
  std::vector<std::size_t> points{from};
  for (int i = 1; i <= inner; ++i)
    points.push_back(from + (to - from) * static_cast<std::size_t>(i) /
                                static_cast<std::size_t>(inner + 1));
  points.push_back(to);
  return points;
}

Bytes Noise(std::size_t size, std::uint64_t seed) {
  Bytes out(size);
  std::uint64_t state = seed | 1;  // xorshift never leaves zero
  for (auto& byte : out) {
    // xorshift64*: enough to look like nothing in particular.
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    byte = static_cast<std::uint8_t>((state * 0x2545F4914F6CDD1Dull) >> 56);
  }
  return out;
}

}  // namespace hostile
