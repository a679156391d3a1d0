// Inputs that once made a decoder misbehave, most of them found by the fuzz targets, kept as files
// in tests/image/regressions/. A new one is added by dropping the file there.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "image/png_decoder.h"
#include "image_test_support.h"

namespace {

using namespace engine;

long PeakResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

class ImageRegressionTest : public image_test::ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    BmpDecoderRegister();
    PngDecoderRegister();
  }
};

// Each input opens and decodes or is declined, leaves no MainHeap block behind, and needs no
// more memory than its image: none of them describes an image of more than a few pixels.
TEST_F(ImageRegressionTest, EveryKeptInputDecodesOrFailsCleanly) {
  const std::filesystem::path folder =
      std::filesystem::path(TIDEFRAY_SOURCE_DIR) / "tests" / "image" / "regressions";
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    long peakBefore = PeakResidentKilobytes();
    if (ImageDecodeOpen(file.data(), image_test::Length(file))) {
      image_test::PixelBuffer pixels(ImageDecodeWidth() * ImageDecodeDepth() / 8,
                                     ImageDecodeHeight());
      ImageDecodeRead(pixels.bytes.data(), pixels.pitch);
      ImageDecodeClose();
    }
    EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
    EXPECT_LT(PeakResidentKilobytes() - peakBefore, 64 * 1024);
    ++inputs;
  }
  EXPECT_GT(inputs, 0) << "no inputs found in " << folder;
}

}  // namespace
