#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/image_decoder.h"
#include "runtime/main_heap.h"

namespace image_fuzz {

// Larger images are opened and closed but not read, so that one input stays fast; the decoders'
// own limit (kImageDimensionMax) is what the probes are checked against.
inline constexpr std::int64_t kReadPixelBudget = std::int64_t{1} << 22;

// Starts MainHeap and the registry once per process and registers the decoder under test alone,
// so the fuzzer spends its time in that decoder.
inline void Start(void (*decoderRegister)()) {
  engine::MainHeapCreate();
  engine::ImageDecodeInit();
  decoderRegister();
}

// Opens, reads and closes `size` bytes the way the sprite loader does (its pitch and its one
// spare row), and aborts on anything a caller could not rely on: impossible dimensions or depth,
// or MainHeap blocks left behind.
inline void DecodeOne(const std::uint8_t* data, std::size_t size) {
  if (size > INT32_MAX) return;
  std::size_t blocksBefore = engine::MainHeap()->LiveBlockCount();
  if (engine::ImageDecodeOpen(data, static_cast<std::int32_t>(size))) {
    std::int64_t width = engine::ImageDecodeWidth();
    std::int64_t height = engine::ImageDecodeHeight();
    std::int32_t depth = engine::ImageDecodeDepth();
    if (width < 1 || height < 1 || width > engine::kImageDimensionMax ||
        height > engine::kImageDimensionMax || (depth != 24 && depth != 32)) {
      std::abort();
    }
    if (width * height <= kReadPixelBudget) {
      std::int64_t pitch = depth == 32 ? width * 4 : width * 3 + (width & 3);
      auto* buffer =
          static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(pitch * (height + 1))));
      if (buffer) {
        engine::ImageDecodeRead(buffer, static_cast<std::int32_t>(pitch), 0);
        std::free(buffer);
      }
    }
    engine::ImageDecodeClose();
  }
  if (engine::MainHeap()->LiveBlockCount() != blocksBefore) std::abort();
}

}  // namespace image_fuzz
