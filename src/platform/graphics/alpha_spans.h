#pragma once

// The texels of each row that are not fully transparent, as runs of fully opaque texels and
// runs of texels in between. The quad path copies opaque runs without blending and never looks
// at transparent texels, which is what makes masked sprites cheap. A surface rebuilds its runs
// lazily after its pixels changed.

#include <cstdint>
#include <vector>

#include "platform/graphics/graphics.h"

namespace platform {

class AlphaSpans {
 public:
  enum Kind : std::uint32_t { Opaque, Mixed };
  // Texels [start, end) of a row share `kind`; runs are in order and do not touch when their
  // kinds are equal. Texels in no run have alpha 0.
  struct Run {
    std::uint32_t start;
    std::uint32_t end;
    Kind kind;
  };

  // Builds the runs of a width x height block of `format` pixels, rows `pitch` bytes apart.
  // Returns false (leaving no runs) when memory runs out.
  bool Build(const std::uint8_t* pixels, int pitch, int width, int height, D3DFORMAT format);

  const Run* RowBegin(int y) const { return runs_.data() + rowStart_[y]; }
  const Run* RowEnd(int y) const { return runs_.data() + rowStart_[y + 1]; }
  // All runs, and where each row's begin (row y: [RowStarts()[y], RowStarts()[y + 1])).
  const Run* Runs() const { return runs_.data(); }
  const std::uint32_t* RowStarts() const { return rowStart_.data(); }

  // For textures at most kNarrow texels wide without any texel in between: per row, kNarrow
  // lane masks (-1 for an opaque texel, 0 otherwise), so that a SIMD loop copies a row of a
  // small masked sprite with one masked load and store. Null for other textures.
  static constexpr int kNarrow = 8;
  const std::int32_t* LaneMasks() const { return laneMasks_.empty() ? nullptr : laneMasks_.data(); }

 private:
  std::vector<Run> runs_;
  std::vector<std::uint32_t> rowStart_;
  std::vector<std::int32_t> laneMasks_;
};

}  // namespace platform
