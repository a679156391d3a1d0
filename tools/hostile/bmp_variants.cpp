// BMP files whose header values point outside the file or describe images that cannot exist,
// and run-length data whose runs, deltas and lengths leave the image or the file.

#include "variant.h"

namespace hostile {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kPixelOffset = 10;
constexpr std::size_t kHeaderSize = 14;
constexpr std::size_t kWidth = 18;
constexpr std::size_t kHeight = 22;
constexpr std::size_t kBitCount = 28;
constexpr std::size_t kCompression = 30;

// A bottom-up BMP with a 40-byte info header, `paletteEntries` colour table entries and the
// given pixel data.
Bytes BmpMake(std::int32_t width, std::int32_t height, std::uint16_t bits,
              std::uint32_t compression, std::size_t paletteEntries, const Bytes& pixels) {
  const std::size_t offset = kFileHeaderBytes + kInfoHeaderBytes + 4 * paletteEntries;
  Bytes b(offset);
  b[0] = 'B';
  b[1] = 'M';
  WriteLe32(b, 2, static_cast<std::uint32_t>(offset + pixels.size()));
  WriteLe32(b, kPixelOffset, static_cast<std::uint32_t>(offset));
  WriteLe32(b, kHeaderSize, kInfoHeaderBytes);
  WriteLe32(b, kWidth, static_cast<std::uint32_t>(width));
  WriteLe32(b, kHeight, static_cast<std::uint32_t>(height));
  WriteLe16(b, 26, 1);
  WriteLe16(b, kBitCount, bits);
  WriteLe32(b, kCompression, compression);
  WriteLe32(b, 34, static_cast<std::uint32_t>(pixels.size()));
  for (std::size_t i = 0; i < paletteEntries; ++i) {
    // A ramp of colours, none of them the black that the loader makes transparent.
    b[kFileHeaderBytes + kInfoHeaderBytes + 4 * i + 0] = static_cast<std::uint8_t>(i);
    b[kFileHeaderBytes + kInfoHeaderBytes + 4 * i + 1] = static_cast<std::uint8_t>(255 - i);
    b[kFileHeaderBytes + kInfoHeaderBytes + 4 * i + 2] = 0x80;
  }
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// 32 x 32 pixels of 24 bits: rows of 96 bytes, no padding needed.
Bytes Bgr24() {
  return BmpMake(32, 32, 24, 0, 0, Noise(32 * 96, 3));
}

Bytes Rle8(const Bytes& runs) {
  return BmpMake(16, 16, 8, 1, 256, runs);
}

}  // namespace

std::vector<Variant> BmpVariants() {
  std::vector<Variant> out;
  auto add = [&](std::string name, Expect expect, std::string note, Bytes bytes) {
    out.push_back({Kind::Image, std::move(name), expect, std::move(note), std::move(bytes)});
  };
  auto changed = [](Bytes b, auto change) {
    change(b);
    return b;
  };
  const Bytes good = Bgr24();
  const std::size_t pixels = kFileHeaderBytes + kInfoHeaderBytes;

  add("bmp_offset_past_end.bmp", Expect::Absent, "pixel offset beyond the file",
      changed(good, [&](Bytes& b) {
        WriteLe32(b, kPixelOffset, static_cast<std::uint32_t>(b.size() + 1));
      }));
  add("bmp_offset_4g.bmp", Expect::Absent, "pixel offset 2^32 - 1",
      changed(good, [](Bytes& b) { WriteLe32(b, kPixelOffset, 0xFFFFFFFF); }));
  add("bmp_offset_last_row.bmp", Expect::Absent, "pixel offset leaves room for one row only",
      changed(good, [](Bytes& b) {
        WriteLe32(b, kPixelOffset, static_cast<std::uint32_t>(b.size() - 96));
      }));
  add("bmp_rows_cut.bmp", Expect::Absent, "file ends in the middle of the rows",
      Cut(good, pixels + 96 * 16 + 17));
  add("bmp_headers_cut.bmp", Expect::Absent, "file ends inside the info header", Cut(good, 30));
  add("bmp_header_size_12.bmp", Expect::Absent, "core header size 12 with info fields",
      changed(good, [](Bytes& b) { WriteLe32(b, kHeaderSize, 12); }));
  add("bmp_width_negative.bmp", Expect::Absent, "width -2^31",
      changed(good, [](Bytes& b) { WriteLe32(b, kWidth, 0x80000000); }));
  add("bmp_height_negative.bmp", Expect::Absent, "height -32 (top-down)",
      changed(good, [](Bytes& b) { WriteLe32(b, kHeight, static_cast<std::uint32_t>(-32)); }));
  add("bmp_width_16385.bmp", Expect::Absent, "wider than any texture",
      changed(good, [](Bytes& b) { WriteLe32(b, kWidth, 16385); }));
  add("bmp_16384x16384.bmp", Expect::Absent, "16384 x 16384 claimed by a file of 3 KiB",
      changed(good, [](Bytes& b) {
        WriteLe32(b, kWidth, 16384);
        WriteLe32(b, kHeight, 16384);
      }));
  add("bmp_bits_7.bmp", Expect::Absent, "7 bits per pixel",
      changed(good, [](Bytes& b) { WriteLe16(b, kBitCount, 7); }));
  add("bmp_bits_0.bmp", Expect::Absent, "0 bits per pixel",
      changed(good, [](Bytes& b) { WriteLe16(b, kBitCount, 0); }));
  add("bmp_rle4.bmp", Expect::Absent, "4-bit run-length data, which gives no pixels",
      BmpMake(16, 16, 4, 2, 16, Bytes{0, 1}));
  // A colour table that starts 4 GiB away: every index reads as black, the image loads.
  add("bmp_table_4g.bmp", Expect::Loads, "info header size 2^32 - 1 moves the colour table away",
      changed(BmpMake(16, 16, 8, 0, 256, Noise(256, 4)),
              [](Bytes& b) { WriteLe32(b, kHeaderSize, 0xFFFFFFFF); }));

  add("bmp_rle_16384x16384.bmp", Expect::Absent,
      "run-length header claiming 16384 x 16384 pixels for 2 bytes of data",
      BmpMake(16384, 16384, 8, 1, 256, Bytes{0, 1}));
  add("bmp_rle_offset_past_end.bmp", Expect::Absent, "run-length data offset beyond the file",
      changed(Rle8({0, 1}), [](Bytes& b) {
        WriteLe32(b, kPixelOffset, static_cast<std::uint32_t>(b.size() + 10));
      }));
  Bytes longRuns;
  for (int row = 0; row < 20; ++row) longRuns.insert(longRuns.end(), {255, 7, 255, 9, 0, 0});
  add("bmp_rle_runs_past_row.bmp", Expect::Loads, "runs of 510 pixels in 16-pixel rows, 20 rows",
      Rle8(longRuns));
  add("bmp_rle_delta_out.bmp", Expect::Loads, "deltas that leave the image, then a run",
      Rle8({3, 5, 0, 2, 255, 0, 4, 6, 0, 2, 0, 255, 4, 6, 0, 1}));
  add("bmp_rle_absolute_past_end.bmp", Expect::Loads,
      "absolute run of 255 indices in a file that ends after 5", Rle8({0, 255, 1, 2, 3, 4, 5}));
  add("bmp_rle_no_end.bmp", Expect::Loads, "runs without an end-of-bitmap, ending on half a pair",
      Rle8({16, 3, 0, 0, 16, 4, 7}));
  return out;
}

}  // namespace hostile
