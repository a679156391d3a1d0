#include "image/image_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/bmp_decoder.h"
#include "image/png_decoder.h"
#include "image_test_support.h"
#include "runtime/main_heap.h"

namespace {

using namespace engine;
using image_test::ImageTest;

// Stand-in decoders: each records the order in which it is asked and what it saw.
struct FakeLog {
  std::vector<int> probed;
  std::vector<int> closed;
  std::uintptr_t wordsSeen[8] = {};
  void* destination = nullptr;
  std::int32_t pitch = 0;
  std::uint32_t flags = 0;
};
FakeLog gLog;

template <int Id, bool Accepts>
std::int32_t FakeProbe(ImageDecodeContext* context) {
  gLog.probed.push_back(Id);
  std::memcpy(gLog.wordsSeen, context->privateWords, sizeof gLog.wordsSeen);
  // Leave traces everywhere a careless registry would pass on to the next decoder.
  for (auto& word : context->privateWords) word = 0xDEAD0000u + Id;
  if (!Accepts) return 0;
  context->width = 10 + Id;
  context->height = 20 + Id;
  context->depth = 32;
  return 1;
}

template <int Id>
std::int32_t FakeDecode(ImageDecodeContext*, void* destination, std::int32_t pitch,
                        std::uint32_t flags) {
  gLog.destination = destination;
  gLog.pitch = pitch;
  gLog.flags = flags;
  return 40 + Id;
}

template <int Id>
void FakeClose(ImageDecodeContext*) {
  gLog.closed.push_back(Id);
}

template <int Id, bool Accepts>
constexpr ImageDecoder Fake() {
  return {FakeProbe<Id, Accepts>, FakeDecode<Id>, FakeClose<Id>,
          ImageFormatTag('F', 'K', char('0' + Id))};
}

constexpr ImageDecoder kDeclineA = Fake<1, false>();
constexpr ImageDecoder kAcceptB = Fake<2, true>();
constexpr ImageDecoder kAcceptC = Fake<3, true>();

class ImageDecoderTest : public ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    gLog = FakeLog{};
  }
};

const std::uint8_t kSomeBytes[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

TEST_F(ImageDecoderTest, EmptyRegistryAcceptsNothingAndLaterCallsAreHarmless) {
  EXPECT_EQ(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
  EXPECT_EQ(ImageDecodeWidth(), 0);
  EXPECT_EQ(ImageDecodeHeight(), 0);
  EXPECT_EQ(ImageDecodeDepth(), 0);
  std::uint8_t pixel[4] = {};
  EXPECT_EQ(ImageDecodeRead(pixel, 4), 0);
  ImageDecodeClose();
}

TEST_F(ImageDecoderTest, AsksInRegistrationOrderAndTheFirstAcceptingDecoderAnswers) {
  ImageDecoderRegister(&kDeclineA);
  ImageDecoderRegister(&kAcceptB);
  ImageDecoderRegister(&kAcceptC);
  EXPECT_EQ(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), kAcceptB.FormatTag);
  EXPECT_EQ(gLog.probed, (std::vector<int>{1, 2}));
  EXPECT_EQ(ImageDecodeWidth(), 12);
  EXPECT_EQ(ImageDecodeHeight(), 22);
  EXPECT_EQ(ImageDecodeDepth(), 32);

  std::uint8_t buffer[8];
  EXPECT_EQ(ImageDecodeRead(buffer, 77, 0), 42);
  EXPECT_EQ(gLog.destination, buffer);
  EXPECT_EQ(gLog.pitch, 77);
  EXPECT_EQ(gLog.flags, 0u);
  ImageDecodeClose();
  EXPECT_EQ(gLog.closed, (std::vector<int>{2}));
}

TEST_F(ImageDecoderTest, EveryProbeStartsWithZeroPrivateWords) {
  ImageDecoderRegister(&kDeclineA);
  ImageDecoderRegister(&kAcceptB);
  ASSERT_NE(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
  for (std::uintptr_t word : gLog.wordsSeen) EXPECT_EQ(word, 0u);
  ImageDecodeClose();
}

TEST_F(ImageDecoderTest, TableHoldsThirtyDecodersAndRefusesTheThirtyFirst) {
  // Thirty distinct records that all decline, then one that would accept.
  static ImageDecoder table[kImageDecoderCapacity];
  for (auto& d : table) d = kDeclineA;
  for (std::int32_t i = 0; i < kImageDecoderCapacity; ++i)
    EXPECT_NE(ImageDecoderRegister(&table[i]), 0);
  EXPECT_EQ(ImageDecoderRegister(&kAcceptB), 0);
  EXPECT_EQ(ImageDecoderCount(), kImageDecoderCapacity);
  EXPECT_FALSE(ImageDecoderIsRegistered(&kAcceptB));

  EXPECT_EQ(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
  EXPECT_EQ(gLog.probed.size(), static_cast<std::size_t>(kImageDecoderCapacity));
  for (int id : gLog.probed) EXPECT_EQ(id, 1);
}

TEST_F(ImageDecoderTest, OpenWipesTheValuesOfThePreviousImage) {
  ImageDecoderRegister(&kAcceptB);
  ASSERT_NE(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
  ImageDecodeClose();
  // Width stays readable after the close ...
  EXPECT_EQ(ImageDecodeWidth(), 12);
  // ... until the next open, even one that nobody accepts.
  EXPECT_EQ(ImageDecodeOpen(nullptr, 16), 0u);
  EXPECT_EQ(ImageDecodeWidth(), 0);
  EXPECT_EQ(ImageDecodeDepth(), 0);
}

TEST_F(ImageDecoderTest, OpeningOverAnOpenImageClosesItFirst) {
  ImageDecoderRegister(&kAcceptB);
  ASSERT_NE(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
  ASSERT_NE(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
  EXPECT_EQ(gLog.closed, (std::vector<int>{2}));
  ImageDecodeClose();
  ImageDecodeClose();
  EXPECT_EQ(gLog.closed, (std::vector<int>{2, 2}));
  // Nothing is open any more: a read reaches no decoder.
  gLog.destination = nullptr;
  std::uint8_t buffer[4];
  EXPECT_EQ(ImageDecodeRead(buffer, 4), 0);
  EXPECT_EQ(gLog.destination, nullptr);
}

TEST_F(ImageDecoderTest, NullSourceOrNegativeLengthAsksNoDecoder) {
  ImageDecoderRegister(&kAcceptB);
  EXPECT_EQ(ImageDecodeOpen(nullptr, 100), 0u);
  EXPECT_EQ(ImageDecodeOpen(kSomeBytes, -1), 0u);
  EXPECT_TRUE(gLog.probed.empty());
}

TEST_F(ImageDecoderTest, WithoutAContextEveryOpenFails) {
  MainHeap()->FailAllocation(1);
  ImageDecodeInit();
  ImageDecoderRegister(&kAcceptB);
  EXPECT_EQ(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
  EXPECT_TRUE(gLog.probed.empty());
  ImageDecodeClose();
}

TEST_F(ImageDecoderTest, InitEmptiesTheTable) {
  ImageDecoderRegister(&kAcceptB);
  ImageDecodeInit();
  EXPECT_EQ(ImageDecoderCount(), 0);
  EXPECT_EQ(ImageDecodeOpen(kSomeBytes, sizeof kSomeBytes), 0u);
}

TEST_F(ImageDecoderTest, PngRegistersOnceEvenAfterTheRegistryStartsAgain) {
  BmpDecoderRegister();
  PngDecoderRegister();
  PngDecoderRegister();
  EXPECT_EQ(ImageDecoderCount(), 2);
  ImageDecodeInit();
  PngDecoderRegister();
  EXPECT_EQ(ImageDecoderCount(), 1);
}

// A 1 x 1 24-bit bitmap: 14-byte file header, 40-byte info header, one padded row.
std::vector<std::uint8_t> TinyBmp() {
  std::vector<std::uint8_t> b(58, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[10] = 54;
  b[14] = 40;
  b[18] = 1;
  b[22] = 1;
  b[26] = 1;
  b[28] = 24;
  b[54] = 1;
  b[55] = 2;
  b[56] = 3;
  return b;
}

TEST_F(ImageDecoderTest, BitmapIsClaimedBeforeLaterDecodersAreAsked) {
  BmpDecoderRegister();
  ImageDecoderRegister(&kAcceptB);
  auto bmp = TinyBmp();
  std::uint32_t tag = ImageDecodeOpen(bmp.data(), image_test::Length(bmp));
  EXPECT_EQ(std::memcmp(&tag, "BMP", 4), 0);
  EXPECT_TRUE(gLog.probed.empty());
  EXPECT_EQ(ImageDecodeDepth(), 24);
  ImageDecodeClose();
}

TEST_F(ImageDecoderTest, DataNeitherDecoderKnowsOpensWithZero) {
  BmpDecoderRegister();
  PngDecoderRegister();
  const char text[] = "GIF89a, which neither decoder reads";
  EXPECT_EQ(ImageDecodeOpen(text, sizeof text), 0u);
  EXPECT_EQ(LiveBlocksAboveBaseline(), 0u);
}

}  // namespace
