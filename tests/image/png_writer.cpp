#include "png_writer.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace image_test {

namespace {

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

std::uint32_t ReadBe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

}  // namespace

int PngChannels(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    case PNG_COLOR_TYPE_PALETTE:
      return 1;
    default:
      return 0;
  }
}

std::uint32_t PngRowBytes(const PngImage& image) {
  return (image.width * PngChannels(image.colorType) * image.bitDepth + 7) / 8;
}

std::vector<std::uint8_t> PngEncode(const PngImage& image) {
  if (image.rows.size() != static_cast<std::size_t>(PngRowBytes(image)) * image.height) {
    throw std::invalid_argument("PngEncode: rows do not match the size");
  }
  // Everything with a destructor exists before setjmp, so a jump back skips no destructor.
  std::vector<std::uint8_t> out;
  std::vector<png_color> palette(image.palette.size() / 3);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    palette[i] = {image.palette[3 * i], image.palette[3 * i + 1], image.palette[3 * i + 2]};
  }
  std::vector<png_bytep> rows(image.height);
  for (std::uint32_t y = 0; y < image.height; ++y) {
    rows[y] = const_cast<png_bytep>(image.rows.data()) + y * PngRowBytes(image);
  }
  png_color_16 colour{};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("PngEncode: libpng failed");
  }
  png_set_write_fn(png, &out, WriteToVector, Flush);
  png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
               image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!image.paletteAlpha.empty()) {
    png_set_tRNS(png, info, image.paletteAlpha.data(), static_cast<int>(image.paletteAlpha.size()),
                 nullptr);
  } else if (image.transparentGrey) {
    colour.gray = *image.transparentGrey;
    png_set_tRNS(png, info, nullptr, 0, &colour);
  } else if (image.transparentRgb[0]) {
    colour.red = *image.transparentRgb[0];
    colour.green = *image.transparentRgb[1];
    colour.blue = *image.transparentRgb[2];
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void PngChunkAppend(std::vector<std::uint8_t>& file, const char name[4],
                    const std::vector<std::uint8_t>& data) {
  auto length = static_cast<std::uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8)
    file.push_back(static_cast<std::uint8_t>(length >> shift));
  std::size_t crcStart = file.size();
  file.insert(file.end(), name, name + 4);
  file.insert(file.end(), data.begin(), data.end());
  auto crc = static_cast<std::uint32_t>(
      crc32(0, file.data() + crcStart, static_cast<uInt>(file.size() - crcStart)));
  for (int shift = 24; shift >= 0; shift -= 8)
    file.push_back(static_cast<std::uint8_t>(crc >> shift));
}

long PngChunkFind(const std::vector<std::uint8_t>& file, const char name[4]) {
  std::size_t at = 8;
  while (at + 8 <= file.size()) {
    if (std::memcmp(file.data() + at + 4, name, 4) == 0) return static_cast<long>(at);
    at += 12 + ReadBe32(file.data() + at);
  }
  return -1;
}

}  // namespace image_test
