#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace assetgen {

// A zlib stream (RFC 1950) of one deflate block with the fixed Huffman codes (RFC 1951) and a
// greedy LZ77 match search. It is written here rather than taken from zlib because zlib's output
// bytes may change between its versions, and the committed images must be reproducible on any
// machine that builds this tool.
std::vector<std::uint8_t> ZlibCompress(const std::uint8_t* data, std::size_t size);

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

}  // namespace assetgen
