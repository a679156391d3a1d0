#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "media_files.h"

#ifndef TIDEFRAY_ASSETGEN_PATH
#error "tools/assetgen/CMakeLists.txt defines the generator's path for this test program"
#endif

namespace {

using media_test::ReadBytes;
using media_test::SourcePath;

constexpr const char* kGenerated[] = {"Data/sprites01.png",       "Data/bg_floor01.png",
                                      "Data/player_bullet01.wav", "Data/collision01.wav",
                                      "Music/evolutionloop.it",   "tests/data/song_ends.it",
                                      "tests/data/tiny.it"};

TEST(AssetGenerator, ReproducesTheCommittedFilesByteForByte) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "tidefray-assetgen-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path root = pattern;
  const std::string command =
      std::string("'") + TIDEFRAY_ASSETGEN_PATH + "' '" + root.string() + "'";
  const int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << command;
  for (const char* path : kGenerated) {
    SCOPED_TRACE(path);
    const std::vector<std::uint8_t> committed = ReadBytes(SourcePath(path));
    const std::vector<std::uint8_t> generated = ReadBytes(root / path);
    EXPECT_FALSE(committed.empty());
    EXPECT_TRUE(committed == generated)
        << "regenerate with tools/assetgen (see its README) and commit the result";
  }
  std::filesystem::remove_all(root);
}

}  // namespace
