#include "platform/graphics/alpha_spans.h"

#include <new>

#include "platform/graphics/pixel_format.h"

namespace platform {

bool AlphaSpans::Build(const std::uint8_t* pixels, int pitch, int width, int height,
                       D3DFORMAT format) {
  runs_.clear();
  rowStart_.clear();
  laneMasks_.clear();
  try {
    rowStart_.reserve(static_cast<std::size_t>(height) + 1);
    rowStart_.push_back(0);
    const int bytes = FormatBytes(format);
    const bool hasAlpha = format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5;
    const auto w = static_cast<std::uint32_t>(width);
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
      if (!hasAlpha) {
        runs_.push_back({0, w, Opaque});
      } else {
        for (std::uint32_t x = 0; x < w; ++x) {
          std::uint32_t alpha = pixel::Read(format, row + x * bytes) >> 24;
          if (alpha == 0) continue;
          Kind kind = alpha == 255 ? Opaque : Mixed;
          if (runs_.size() > rowStart_.back() && runs_.back().end == x &&
              runs_.back().kind == kind) {
            runs_.back().end = x + 1;
          } else {
            runs_.push_back({x, x + 1, kind});
          }
        }
      }
      rowStart_.push_back(static_cast<std::uint32_t>(runs_.size()));
    }
    bool mixed = false;
    for (const Run& run : runs_) mixed = mixed || run.kind == Mixed;
    if (width <= kNarrow && !mixed) {
      laneMasks_.assign(static_cast<std::size_t>(height) * kNarrow, 0);
      for (int y = 0; y < height; ++y) {
        for (const Run* run = RowBegin(y); run != RowEnd(y); ++run) {
          for (std::uint32_t x = run->start; x < run->end; ++x) laneMasks_[y * kNarrow + x] = -1;
        }
      }
    }
  } catch (const std::bad_alloc&) {
    runs_.clear();
    rowStart_.clear();
    laneMasks_.clear();
    return false;
  }
  return true;
}

}  // namespace platform
