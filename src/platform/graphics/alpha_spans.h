#pragma once

// Runs of texels per row sorted by alpha: fully transparent, fully opaque, or in between. The
// quad path skips transparent runs and copies opaque ones without blending, which is what makes
// masked sprites cheap. A surface rebuilds its runs lazily after its pixels changed.

#include <cstdint>
#include <vector>

#include "platform/graphics/graphics.h"

namespace platform {

class AlphaSpans {
 public:
  enum Kind : std::uint32_t { Transparent, Opaque, Mixed };
  // Texels [previous run's end, end) of a row share `kind`; a row's runs cover it completely.
  struct Run {
    std::uint32_t end;
    Kind kind;
  };

  // Builds the runs of a width x height block of `format` pixels, rows `pitch` bytes apart.
  // Returns false (leaving no runs) when memory runs out.
  bool Build(const std::uint8_t* pixels, int pitch, int width, int height, D3DFORMAT format);

  const Run* RowBegin(int y) const { return runs_.data() + rowStart_[y]; }
  const Run* RowEnd(int y) const { return runs_.data() + rowStart_[y + 1]; }
  // The first run of row y that reaches beyond texel x.
  const Run* RowFind(int y, std::uint32_t x) const;

 private:
  std::vector<Run> runs_;
  std::vector<std::uint32_t> rowStart_;
};

}  // namespace platform
