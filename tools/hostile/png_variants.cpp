// PNG files broken in the ways a damaged download or a hostile file breaks them: cut short,
// chunks whose checksums do not match, headers that claim impossible or enormous images,
// chunk lengths that point far past the end.

#include <zlib.h>

#include <cstring>

#include "variant.h"

namespace hostile {

namespace {

constexpr std::size_t kSignatureBytes = 8;
constexpr std::size_t kIhdrData = kSignatureBytes + 8;  // width, height, depth, colour type, ...

struct Chunk {
  std::size_t at;  // offset of the length field
  std::uint32_t length;
  std::string type;
};

std::vector<Chunk> Chunks(const Bytes& png) {
  std::vector<Chunk> chunks;
  for (std::size_t at = kSignatureBytes; at + 12 <= png.size();) {
    Chunk c{at, ReadBe32(png, at), std::string(png.begin() + at + 4, png.begin() + at + 8)};
    chunks.push_back(c);
    at += 12 + c.length;
  }
  return chunks;
}

// Rewrites the CRC of the chunk at `at`, so that a change inside it reaches the checks behind
// the checksum.
void CrcFix(Bytes& png, std::size_t at) {
  const std::uint32_t length = ReadBe32(png, at);
  const auto crc = static_cast<std::uint32_t>(crc32(0, png.data() + at + 4, 4 + length));
  WriteBe32(png, at + 8 + length, crc);
}

// A chunk made of `type` and `data`, with its CRC.
Bytes ChunkMake(const char* type, const Bytes& data) {
  Bytes c(12 + data.size());
  WriteBe32(c, 0, static_cast<std::uint32_t>(data.size()));
  std::memcpy(c.data() + 4, type, 4);
  std::copy(data.begin(), data.end(), c.begin() + 8);
  CrcFix(c, 0);
  return c;
}

Bytes Splice(const Bytes& a, std::size_t at, const Bytes& insert, std::size_t removed = 0) {
  Bytes out(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(at));
  out.insert(out.end(), insert.begin(), insert.end());
  out.insert(out.end(), a.begin() + static_cast<std::ptrdiff_t>(at + removed), a.end());
  return out;
}

}  // namespace

std::vector<Variant> PngVariants(const Bytes& png) {
  std::vector<Variant> out;
  auto add = [&](std::string name, Expect expect, std::string note, Bytes bytes) {
    out.push_back({Kind::Image, std::move(name), expect, std::move(note), std::move(bytes)});
  };
  const std::vector<Chunk> chunks = Chunks(png);
  const Chunk* firstIdat = nullptr;
  std::size_t idatEnd = 0;
  for (const Chunk& c : chunks) {
    if (c.type != "IDAT") continue;
    if (!firstIdat) firstIdat = &c;
    idatEnd = c.at + 12 + c.length;
  }
  if (!firstIdat) return out;

  // Cut short: anywhere from the empty file to one byte before the image data is complete.
  for (std::size_t cut : {std::size_t{0}, std::size_t{4}, kSignatureBytes, std::size_t{20},
                          kSignatureBytes + 25, firstIdat->at + 8})
    add("png_cut_" + std::to_string(cut) + ".png", Expect::Absent, "cut in the header",
        Cut(png, cut));
  for (std::size_t cut : CutPoints(firstIdat->at + 9, idatEnd - 1, 12))
    add("png_cut_" + std::to_string(cut) + ".png", Expect::Absent, "cut in the image data",
        Cut(png, cut));

  auto header = [&](const char* name, const char* note, auto change) {
    Bytes b = png;
    change(b);
    CrcFix(b, kSignatureBytes);
    add(name, Expect::Absent, note, std::move(b));
  };
  Bytes badCrc = png;
  badCrc[kIhdrData + 13] ^= 0x01;
  add("png_ihdr_crc.png", Expect::Absent, "IHDR checksum wrong", badCrc);
  badCrc = png;
  badCrc[idatEnd - 1] ^= 0x80;
  add("png_idat_crc.png", Expect::Absent, "IDAT checksum wrong", badCrc);
  header("png_width_0.png", "width 0", [](Bytes& b) { WriteBe32(b, kIhdrData, 0); });
  header("png_width_2g.png", "width 2^31 - 1",
         [](Bytes& b) { WriteBe32(b, kIhdrData, 0x7FFFFFFF); });
  header("png_65536x1.png", "65536 x 1, wider than any texture", [](Bytes& b) {
    WriteBe32(b, kIhdrData, 65536);
    WriteBe32(b, kIhdrData + 4, 1);
  });
  header("png_16384x16384.png", "16384 x 16384 claimed by a file of a few hundred bytes",
         [](Bytes& b) {
           WriteBe32(b, kIhdrData, 16384);
           WriteBe32(b, kIhdrData + 4, 16384);
         });
  header("png_depth_3.png", "bit depth 3", [](Bytes& b) { b[kIhdrData + 8] = 3; });
  header("png_colour_type_5.png", "colour type 5", [](Bytes& b) { b[kIhdrData + 9] = 5; });
  header("png_palette_without_plte.png", "palette image without a PLTE chunk",
         [](Bytes& b) { b[kIhdrData + 9] = 3; });
  header("png_interlace_2.png", "interlace method 2", [](Bytes& b) { b[kIhdrData + 12] = 2; });

  Bytes garbage = png;
  const Bytes noise = Noise(firstIdat->length, 11);
  std::copy(noise.begin(), noise.end(), garbage.begin() + firstIdat->at + 8);
  CrcFix(garbage, firstIdat->at);
  add("png_idat_noise.png", Expect::Absent, "IDAT holds no deflate stream", garbage);

  // The deflate stream ends early inside a complete chunk with a good checksum.
  Bytes shortStream =
      Splice(png, firstIdat->at,
             ChunkMake("IDAT", Cut(Bytes(png.begin() + firstIdat->at + 8,
                                         png.begin() + firstIdat->at + 8 + firstIdat->length),
                                   firstIdat->length / 2)),
             idatEnd - firstIdat->at);
  add("png_idat_half_stream.png", Expect::Absent, "deflate stream ends halfway", shortStream);

  Bytes noIdat = Splice(png, firstIdat->at, {}, idatEnd - firstIdat->at);
  add("png_no_idat.png", Expect::Absent, "no IDAT chunk", noIdat);

  Bytes endFirst = Splice(png, firstIdat->at, ChunkMake("IEND", {}));
  add("png_iend_first.png", Expect::Absent, "IEND before the image data", endFirst);

  Bytes hugeLength = png;
  WriteBe32(hugeLength, firstIdat->at, 0xFFFFFFFF);
  add("png_idat_length_4g.png", Expect::Absent, "IDAT length 2^32 - 1", hugeLength);

  // An ancillary chunk that claims 2 GiB right after the header.
  Bytes bigText(16, 'x');
  Bytes text = ChunkMake("tEXt", bigText);
  WriteBe32(text, 0, 0x7FFFFFF0);
  add("png_text_2g.png", Expect::Absent, "tEXt chunk claims 2 GiB",
      Splice(png, firstIdat->at, text));

  Bytes twoHeaders = Splice(
      png, firstIdat->at, Bytes(png.begin() + kSignatureBytes, png.begin() + kSignatureBytes + 25));
  add("png_ihdr_twice.png", Expect::Absent, "a second IHDR", twoHeaders);

  Bytes signature = png;
  signature[1] = 'Q';
  add("png_signature.png", Expect::Absent, "signature damaged", signature);
  return out;
}

}  // namespace hostile
