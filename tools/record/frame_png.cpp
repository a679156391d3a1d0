#include "frame_png.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace record {

namespace {

std::uint8_t Widen5(std::uint32_t v) {
  return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}
std::uint8_t Widen6(std::uint32_t v) {
  return static_cast<std::uint8_t>((v << 2) | (v >> 4));
}

// One frame row as RGB bytes.
void RowToRgb(const platform::Frame& frame, int y, std::uint8_t* out) {
  const auto* row =
      static_cast<const std::uint8_t*>(frame.pixels) + static_cast<std::ptrdiff_t>(y) * frame.pitch;
  for (int x = 0; x < frame.width; ++x, out += 3) {
    if (frame.format == 23 || frame.format == 24) {
      const std::uint32_t p = row[x * 2] | (row[x * 2 + 1] << 8);
      if (frame.format == 23) {
        out[0] = Widen5(p >> 11);
        out[1] = Widen6((p >> 5) & 0x3F);
      } else {
        out[0] = Widen5((p >> 10) & 0x1F);
        out[1] = Widen5((p >> 5) & 0x1F);
      }
      out[2] = Widen5(p & 0x1F);
    } else {
      out[0] = row[x * 4 + 2];
      out[1] = row[x * 4 + 1];
      out[2] = row[x * 4 + 0];
    }
  }
}

}  // namespace

bool FramePngWrite(const platform::Frame& frame, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(frame.width) * 3);
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    // Fast settings: screenshots are written often and read rarely.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, frame.width, frame.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame.height; ++y) {
      RowToRgb(frame, y, rgb.data());
      png_write_row(png, rgb.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && ok;
}

}  // namespace record
