#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image_decoder.h"
#include "runtime/main_heap.h"

namespace image_test {

// Every test gets a fresh MainHeap and an empty registry; the heap's block count after set-up
// is the baseline that a closed image must return to.
class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::MainHeapCreate();
    engine::ImageDecodeInit();
    baselineBlocks_ = engine::MainHeap()->LiveBlockCount();
  }
  void TearDown() override { engine::MainHeapDestroy(); }

  std::size_t LiveBlocksAboveBaseline() const {
    return engine::MainHeap()->LiveBlockCount() - baselineBlocks_;
  }

 private:
  std::size_t baselineBlocks_ = 0;
};

// The byte every destination starts with, so that untouched bytes are visible.
inline constexpr std::uint8_t kSentinel = 0xA5;

// A decode destination of `rows` rows at `pitch`, allocated to its exact size so that the address
// sanitizer reports any write past it.
struct PixelBuffer {
  PixelBuffer(std::int32_t pitchBytes, std::int32_t rowCount)
      : pitch(pitchBytes),
        rows(rowCount),
        bytes(static_cast<std::size_t>(pitchBytes) * rowCount, kSentinel) {}

  std::uint8_t* Row(std::int32_t y) { return bytes.data() + static_cast<std::size_t>(y) * pitch; }
  const std::uint8_t* Row(std::int32_t y) const {
    return bytes.data() + static_cast<std::size_t>(y) * pitch;
  }
  // Whether every byte from `rowBytes` to the pitch is still the sentinel in every row.
  bool GapsUntouched(std::int32_t rowBytes) const {
    for (std::int32_t y = 0; y < rows; ++y) {
      for (std::int32_t i = rowBytes; i < pitch; ++i) {
        if (Row(y)[i] != kSentinel) return false;
      }
    }
    return true;
  }

  std::int32_t pitch;
  std::int32_t rows;
  std::vector<std::uint8_t> bytes;
};

// An exact-size copy of the first `length` bytes: reading past it is an address-sanitizer error.
inline std::vector<std::uint8_t> Prefix(const std::vector<std::uint8_t>& data, std::size_t length) {
  return std::vector<std::uint8_t>(data.begin(),
                                   data.begin() + static_cast<std::ptrdiff_t>(length));
}

inline std::int32_t Length(const std::vector<std::uint8_t>& data) {
  return static_cast<std::int32_t>(data.size());
}

}  // namespace image_test
