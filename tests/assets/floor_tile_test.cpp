#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "media_files.h"

namespace {

using media_test::DecodePng;
using media_test::Image;
using media_test::ReadBytes;
using media_test::SourcePath;

class FloorTile : public ::testing::Test {
 protected:
  void SetUp() override {
    auto decoded = DecodePng(ReadBytes(SourcePath("Data/bg_floor01.png")));
    ASSERT_TRUE(decoded.has_value()) << "Data/bg_floor01.png does not decode";
    tile = *decoded;
    ASSERT_EQ(tile.width, 320);
    ASSERT_EQ(tile.height, 240);
  }
  // First row of the column that is not magenta (the height of the skyline), or the height.
  int Skyline(int x) const {
    int y = 0;
    while (y < tile.height && tile.At(x, y).IsMagenta()) ++y;
    return y;
  }
  // Rows in which column a and column b differ.
  int ColumnDifference(int a, int b) const {
    int rows = 0;
    for (int y = 0; y < tile.height; ++y) rows += tile.At(a, y) == tile.At(b, y) ? 0 : 1;
    return rows;
  }
  Image tile;
};

TEST_F(FloorTile, IsTruecolour) {
  EXPECT_TRUE(tile.truecolour);
}

TEST_F(FloorTile, SkyShowsOnlyAlongTheTopEdge) {
  // Magenta becomes transparent, so the sky colour shows wherever the tile has it: along the
  // skyline (between palm fronds too) but never down in the sea or on the beach.
  for (int x = 0; x < tile.width; ++x) {
    SCOPED_TRACE(x);
    EXPECT_TRUE(tile.At(x, 0).IsMagenta());
    int lowestSky = -1;
    for (int y = 0; y < tile.height; ++y) lowestSky = tile.At(x, y).IsMagenta() ? y : lowestSky;
    EXPECT_LT(lowestSky, tile.height / 4);
  }
}

TEST_F(FloorTile, JoinsSeamlesslyFromColumn319ToColumn0) {
  EXPECT_LE(std::abs(Skyline(319) - Skyline(0)), 1);
  // The seam may differ no more than the most different pair of neighbouring columns inside.
  int worstInside = 0;
  for (int x = 0; x + 1 < tile.width; ++x)
    worstInside = std::max(worstInside, ColumnDifference(x, x + 1));
  EXPECT_LE(ColumnDifference(319, 0), worstInside);
}

TEST_F(FloorTile, UsesASmallPalette) {
  std::vector<media_test::Pixel> colours;
  for (const auto& p : tile.pixels) {
    if (std::find(colours.begin(), colours.end(), p) == colours.end()) colours.push_back(p);
  }
  EXPECT_LE(colours.size(), 48u);
  EXPECT_GE(colours.size(), 8u);
}

}  // namespace
