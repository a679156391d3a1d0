#include "deflate.h"

#include <algorithm>
#include <array>

namespace assetgen {
namespace {

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr std::size_t kWindow = 32768;
constexpr int kMaxChain = 128;
constexpr int kHashBits = 15;

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  // Extra bits and header fields go least significant bit first.
  void Bits(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1u);
  }
  // Huffman codes go most significant bit first.
  void Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1u);
  }
  void Flush() {
    if (used_ > 0) out_.push_back(static_cast<std::uint8_t>(current_));
    current_ = 0;
    used_ = 0;
  }

 private:
  void Bit(std::uint32_t bit) {
    current_ |= bit << used_;
    if (++used_ == 8) Flush();
  }

  std::vector<std::uint8_t>& out_;
  std::uint32_t current_ = 0;
  int used_ = 0;
};

void WriteLiteralLength(BitWriter& bits, int symbol) {
  if (symbol < 144) {
    bits.Code(0x30u + static_cast<std::uint32_t>(symbol), 8);
  } else if (symbol < 256) {
    bits.Code(0x190u + static_cast<std::uint32_t>(symbol - 144), 9);
  } else if (symbol < 280) {
    bits.Code(static_cast<std::uint32_t>(symbol - 256), 7);
  } else {
    bits.Code(0xC0u + static_cast<std::uint32_t>(symbol - 280), 8);
  }
}

void WriteMatch(BitWriter& bits, int length, int distance) {
  int code = 0;
  while (code + 1 < static_cast<int>(kLengthBase.size()) && kLengthBase[code + 1] <= length) ++code;
  WriteLiteralLength(bits, 257 + code);
  bits.Bits(static_cast<std::uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);
  int dcode = 0;
  while (dcode + 1 < static_cast<int>(kDistBase.size()) && kDistBase[dcode + 1] <= distance) {
    ++dcode;
  }
  bits.Code(static_cast<std::uint32_t>(dcode), 5);
  bits.Bits(static_cast<std::uint32_t>(distance - kDistBase[dcode]), kDistExtra[dcode]);
}

std::uint32_t Hash3(const std::uint8_t* p) {
  const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521u;
    b = (b + a) % 65521u;
  }
  return (b << 16) | a;
}

std::vector<std::uint8_t> ZlibCompress(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> out = {0x78, 0x01};  // deflate, 32 KiB window; 0x7801 % 31 == 0
  BitWriter bits(out);
  bits.Bits(1, 1);  // final block
  bits.Bits(1, 2);  // fixed Huffman codes

  // head[h] and prev[] hold positions + 1, so that 0 means "none".
  std::vector<std::size_t> head(std::size_t{1} << kHashBits, 0);
  std::vector<std::size_t> prev(kWindow, 0);
  auto insert = [&](std::size_t pos) {
    if (pos + kMinMatch > size) return;
    const std::uint32_t h = Hash3(data + pos);
    prev[pos % kWindow] = head[h];
    head[h] = pos + 1;
  };

  std::size_t pos = 0;
  while (pos < size) {
    int bestLength = 0;
    std::size_t bestDistance = 0;
    if (pos + kMinMatch <= size) {
      const std::size_t limit = std::min<std::size_t>(kMaxMatch, size - pos);
      std::size_t candidate = head[Hash3(data + pos)];
      for (int chain = 0; candidate != 0 && chain < kMaxChain; ++chain) {
        const std::size_t from = candidate - 1;
        const std::size_t distance = pos - from;
        if (distance > kWindow - 1) break;
        std::size_t length = 0;
        while (length < limit && data[from + length] == data[pos + length]) ++length;
        if (static_cast<int>(length) > bestLength) {
          bestLength = static_cast<int>(length);
          bestDistance = distance;
          if (length == limit) break;
        }
        const std::size_t next = prev[from % kWindow];
        if (next == 0 || next - 1 >= from) break;  // the chain only walks backwards
        candidate = next;
      }
    }
    if (bestLength >= kMinMatch) {
      WriteMatch(bits, bestLength, static_cast<int>(bestDistance));
      for (int i = 0; i < bestLength; ++i) insert(pos + static_cast<std::size_t>(i));
      pos += static_cast<std::size_t>(bestLength);
    } else {
      WriteLiteralLength(bits, data[pos]);
      insert(pos);
      ++pos;
    }
  }
  WriteLiteralLength(bits, 256);  // end of block
  bits.Flush();

  const std::uint32_t adler = Adler32(data, size);
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(adler >> shift));
  }
  return out;
}

}  // namespace assetgen
