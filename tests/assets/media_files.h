#pragma once

// Helpers for the media tests: where the committed files are, reading them, and decoding a PNG
// with libpng (independently of the generator's own encoder).

#include <png.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace media_test {

inline std::filesystem::path SourcePath(const std::string& relative) {
  return std::filesystem::path(TIDEFRAY_SOURCE_DIR) / relative;
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Pixel {
  std::uint8_t r = 0, g = 0, b = 0;
  bool IsMagenta() const { return r == 255 && g == 0 && b == 255; }
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

struct Image {
  int width = 0;
  int height = 0;
  bool truecolour = false;  // stored as RGB or RGBA, not as a palette or grey
  std::vector<Pixel> pixels;
  Pixel At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

inline std::optional<Image> DecodePng(const std::vector<std::uint8_t>& bytes) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()) == 0) return std::nullopt;
  Image image;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.truecolour =
      (png.format & PNG_FORMAT_FLAG_COLOR) != 0 && (png.format & PNG_FORMAT_FLAG_COLORMAP) == 0;
  png.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr) == 0) {
    png_image_free(&png);
    return std::nullopt;
  }
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    image.pixels.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
  }
  return image;
}

}  // namespace media_test
