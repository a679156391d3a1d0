#include "platform/graphics/alpha_spans.h"

#include <algorithm>
#include <new>

#include "platform/graphics/pixel_format.h"

namespace platform {

namespace {

AlphaSpans::Kind KindOf(std::uint32_t alpha) {
  if (alpha == 0) return AlphaSpans::Transparent;
  if (alpha == 255) return AlphaSpans::Opaque;
  return AlphaSpans::Mixed;
}

}  // namespace

bool AlphaSpans::Build(const std::uint8_t* pixels, int pitch, int width, int height,
                       D3DFORMAT format) {
  runs_.clear();
  rowStart_.clear();
  try {
    rowStart_.reserve(static_cast<std::size_t>(height) + 1);
    rowStart_.push_back(0);
    int bytes = FormatBytes(format);
    bool hasAlpha = format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
      if (!hasAlpha) {
        runs_.push_back({static_cast<std::uint32_t>(width), Opaque});
      } else {
        Kind current = KindOf(pixel::Read(format, row) >> 24);
        for (int x = 1; x < width; ++x) {
          Kind kind = KindOf(pixel::Read(format, row + x * bytes) >> 24);
          if (kind != current) {
            runs_.push_back({static_cast<std::uint32_t>(x), current});
            current = kind;
          }
        }
        runs_.push_back({static_cast<std::uint32_t>(width), current});
      }
      rowStart_.push_back(static_cast<std::uint32_t>(runs_.size()));
    }
  } catch (const std::bad_alloc&) {
    runs_.clear();
    rowStart_.clear();
    return false;
  }
  return true;
}

const AlphaSpans::Run* AlphaSpans::RowFind(int y, std::uint32_t x) const {
  return std::upper_bound(RowBegin(y), RowEnd(y), x,
                          [](std::uint32_t value, const Run& run) { return value < run.end; });
}

}  // namespace platform
