#include "png_writer.h"

#include <string_view>

#include "deflate.h"

namespace assetgen {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              const std::vector<std::uint8_t>& body) {
  PutU32(out, static_cast<std::uint32_t>(body.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), body.begin(), body.end());
  PutU32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

}  // namespace

std::vector<std::uint8_t> PngEncode(const Canvas& canvas) {
  const auto width = static_cast<std::uint32_t>(canvas.Width());
  const auto height = static_cast<std::uint32_t>(canvas.Height());

  std::vector<std::uint8_t> header;
  PutU32(header, width);
  PutU32(header, height);
  header.insert(header.end(),
                {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, filter set 0, no interlace

  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);  // filter type "none": flat colours and repeating dither compress well as is
    for (std::uint32_t x = 0; x < width; ++x) {
      const Rgb c = canvas.Get(static_cast<int>(x), static_cast<int>(y));
      raw.insert(raw.end(), {c.r, c.g, c.b});
    }
  }

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", ZlibCompress(raw.data(), raw.size()));
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace assetgen
