#include "sound/wave_reader.h"

#include <cstring>

namespace engine {

namespace {

constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kFmtChunkOffset = 12;
constexpr std::size_t kFmtBodyOffset = kFmtChunkOffset + kChunkHeaderBytes;
constexpr std::size_t kPcmFormatBytes = 16;

std::uint16_t Read16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Read32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Where the chunk after one of `bodyBytes` at `bodyOffset` starts. RIFF pads an odd-sized
// chunk with one byte so that the next header is word-aligned; writers follow that and some
// files depend on it (a LIST chunk with an odd-length text before "data"), so the walk skips
// the pad byte. Sizes up to 4 GiB added to an offset cannot wrap in 64 bits.
std::uint64_t NextChunk(std::uint64_t bodyOffset, std::uint32_t bodyBytes) {
  return bodyOffset + bodyBytes + (bodyBytes & 1u);
}

}  // namespace

bool WaveLayoutRead(const void* data, std::size_t size, WaveLayout* layout) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (!bytes || size < kFmtBodyOffset || std::memcmp(bytes, "RIFF", 4) != 0) return false;
  if (std::memcmp(bytes + kFmtChunkOffset, "fmt ", 4) != 0) return false;
  std::uint32_t fmtBytes = Read32(bytes + kFmtChunkOffset + 4);
  if (fmtBytes < kPcmFormatBytes || size - kFmtBodyOffset < kPcmFormatBytes) return false;

  const unsigned char* fmt = bytes + kFmtBodyOffset;
  platform::WAVEFORMATEX format;
  format.wFormatTag = Read16(fmt);
  format.nChannels = Read16(fmt + 2);
  format.nSamplesPerSec = Read32(fmt + 4);
  format.nAvgBytesPerSec = Read32(fmt + 8);
  format.nBlockAlign = Read16(fmt + 12);
  format.wBitsPerSample = Read16(fmt + 14);
  format.cbSize = 0;

  std::uint64_t chunk = NextChunk(kFmtBodyOffset, fmtBytes);
  while (chunk <= size && size - chunk >= kChunkHeaderBytes) {
    const unsigned char* header = bytes + chunk;
    std::uint32_t chunkBytes = Read32(header + 4);
    std::uint64_t body = chunk + kChunkHeaderBytes;
    if (std::memcmp(header, "data", 4) == 0) {
      // A chunk that claims more than the block holds plays the bytes that are there.
      std::uint64_t present = size - body;
      layout->format = format;
      layout->pcmOffset = static_cast<std::size_t>(body);
      layout->pcmBytes = static_cast<std::uint32_t>(chunkBytes < present ? chunkBytes : present);
      return true;
    }
    chunk = NextChunk(body, chunkBytes);
  }
  return false;
}

}  // namespace engine
