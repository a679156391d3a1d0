#include <gtest/gtest.h>

#include <cstdlib>

#include "media_files.h"

namespace {

using media_test::DecodePng;
using media_test::Image;
using media_test::ReadBytes;
using media_test::SourcePath;

struct Region {
  const char* role;
  int x, y, w, h;
  bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// The regions the game clips out of the sheet.
constexpr Region kRegions[] = {{"player frame 1", 0, 0, 32, 32},
                               {"player frame 2", 32, 0, 32, 32},
                               {"bullet", 64, 12, 7, 7},
                               {"enemy", 0, 32, 32, 32}};

class SpriteSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    auto decoded = DecodePng(ReadBytes(SourcePath("Data/sprites01.png")));
    ASSERT_TRUE(decoded.has_value()) << "Data/sprites01.png does not decode";
    sheet = *decoded;
  }
  int OpaqueCount(const Region& r) const {
    int count = 0;
    for (int y = r.y; y < r.y + r.h; ++y) {
      for (int x = r.x; x < r.x + r.w; ++x) count += sheet.At(x, y).IsMagenta() ? 0 : 1;
    }
    return count;
  }
  Image sheet;
};

TEST_F(SpriteSheet, IsA96By64TruecolourImage) {
  EXPECT_EQ(sheet.width, 96);
  EXPECT_EQ(sheet.height, 64);
  EXPECT_TRUE(sheet.truecolour);
}

TEST_F(SpriteSheet, EveryRegionHoldsASpriteWithMagentaCorners) {
  for (const Region& r : kRegions) {
    SCOPED_TRACE(r.role);
    // A sprite covers a good part of its region but is not a solid box: the corners show the
    // background, so the game's mask makes them transparent.
    EXPECT_GE(OpaqueCount(r), r.w * r.h / 4);
    EXPECT_LT(OpaqueCount(r), r.w * r.h);
    EXPECT_TRUE(sheet.At(r.x, r.y).IsMagenta());
    EXPECT_TRUE(sheet.At(r.x + r.w - 1, r.y).IsMagenta());
    EXPECT_TRUE(sheet.At(r.x, r.y + r.h - 1).IsMagenta());
    EXPECT_TRUE(sheet.At(r.x + r.w - 1, r.y + r.h - 1).IsMagenta());
  }
}

TEST_F(SpriteSheet, EverythingOutsideTheRegionsIsMagenta) {
  int stray = 0;
  for (int y = 0; y < sheet.height; ++y) {
    for (int x = 0; x < sheet.width; ++x) {
      bool inside = false;
      for (const Region& r : kRegions) inside = inside || r.Contains(x, y);
      if (!inside && !sheet.At(x, y).IsMagenta()) ++stray;
    }
  }
  EXPECT_EQ(stray, 0);
}

TEST_F(SpriteSheet, NoColourIsCloseToTheMaskWithoutBeingIt) {
  // The mask matches magenta exactly; a near-magenta pixel would be drawn as a pink speck.
  for (std::size_t i = 0; i < sheet.pixels.size(); ++i) {
    const auto& p = sheet.pixels[i];
    if (p.IsMagenta()) continue;
    const int distance = std::abs(p.r - 255) + p.g + std::abs(p.b - 255);
    EXPECT_GT(distance, 60) << "pixel " << i % 96 << "," << i / 96;
  }
}

TEST_F(SpriteSheet, PlayerFramesShowTheSameCraftWithVisibleDifferences) {
  int differing = 0;
  int sharedOpaque = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const auto a = sheet.At(x, y);
      const auto b = sheet.At(32 + x, y);
      if (!(a == b)) ++differing;
      if (a == b && !a.IsMagenta()) ++sharedOpaque;
    }
  }
  EXPECT_GE(differing, 20);
  EXPECT_GE(sharedOpaque, OpaqueCount(kRegions[0]) / 2);
}

}  // namespace
