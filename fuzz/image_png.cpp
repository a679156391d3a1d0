// Arbitrary bytes through the image registry with the PNG decoder registered.
#include <zlib.h>

#include <cstring>
#include <vector>

#include "image/png_decoder.h"
#include "image_fuzz.h"

namespace {

std::uint32_t ReadBe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// Mutated chunks almost never carry a matching CRC, and libpng rejects a critical chunk with a
// bad one before looking inside. Rewriting every complete chunk's CRC lets the mutations reach
// the header checks, the transformations and the row decoding. Returns whether any CRC changed.
bool ChunkCrcsRepair(std::vector<std::uint8_t>& file) {
  bool changed = false;
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    std::uint32_t length = ReadBe32(file.data() + at);
    if (length > file.size() - at - 12) break;
    std::uint8_t* typeAndData = file.data() + at + 4;
    auto crc = static_cast<std::uint32_t>(crc32(0, typeAndData, 4 + length));
    std::uint8_t* stored = typeAndData + 4 + length;
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
        static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
    if (std::memcmp(stored, bytes, 4) != 0) {
      std::memcpy(stored, bytes, 4);
      changed = true;
    }
    at += 12 + length;
  }
  return changed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (image_fuzz::Start(engine::PngDecoderRegister), true);
  (void)started;
  image_fuzz::DecodeOne(data, size);
  std::vector<std::uint8_t> repaired(data, data + size);
  if (ChunkCrcsRepair(repaired)) image_fuzz::DecodeOne(repaired.data(), repaired.size());
  return 0;
}
