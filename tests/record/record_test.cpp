// The headless recorder as a user runs it: same arguments, same pictures; bad arguments, a
// message and exit status 2.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string output;  // stdout and stderr together
};

Result Record(const std::string& arguments) {
  const std::string command = std::string(TIDEFRAY_RECORD_PATH) + " " + arguments + " 2>&1";
  Result r{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) r.output += buffer;
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::temp_directory_path() / ("tidefray-record-test-" + std::to_string(::getpid()));
    fs::create_directories(scratch_);
    keys_ = scratch_ / "keys.txt";
    std::ofstream(keys_)
        << "# move, fire, climb\n5 RIGHT down\n40 RIGHT up\n41 SPACE down\n45 space up\n"
           "50 200 down\n70 UP up\n";
  }
  void TearDown() override { fs::remove_all(scratch_); }
  std::string Data() const { return std::string(" --data ") + TIDEFRAY_SOURCE_DIR; }

  fs::path scratch_;
  fs::path keys_;
};

TEST_F(RecordTest, SameArgumentsGiveTheSameScreenshotsBitForBit) {
  for (const char* run : {"a", "b"}) {
    const Result r = Record(Data() + " --frames 90 --seed 42 --keys " + keys_.string() +
                            " --shot-every 30 --shots " + (scratch_ / run).string());
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("frames presented: 90"), std::string::npos) << r.output;
  }
  for (const char* name : {"frame-000030.png", "frame-000060.png", "frame-000090.png"}) {
    const std::string a = ReadAll(scratch_ / "a" / name), b = ReadAll(scratch_ / "b" / name);
    ASSERT_FALSE(a.empty()) << name;
    EXPECT_EQ(a, b) << name;
  }
  // The key script moved the player: the last picture differs from the first.
  EXPECT_NE(ReadAll(scratch_ / "a" / "frame-000030.png"),
            ReadAll(scratch_ / "a" / "frame-000090.png"));
}

TEST_F(RecordTest, WavHoldsTheMixedAudio) {
  const fs::path wav = scratch_ / "out.wav";
  const Result r = Record(Data() + " --frames 60 --wav " + wav.string());
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string bytes = ReadAll(wav);
  ASSERT_GE(bytes.size(), 44u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(bytes.size() - 44, 60u * 735 * 4);  // 44100 Hz stereo 16-bit, one second
}

TEST_F(RecordTest, BadArgumentsAndOutputsFailWithStatusTwo) {
  std::ofstream(scratch_ / "bad-keys.txt") << "10 LEFT sideways\n";
  const std::string cases[] = {
      "--bogus",
      "--frames",
      "--frames ten",
      "--frames -5",
      "--seed 99999999999",
      "--shot-every 0",
      "--keys " + (scratch_ / "missing.txt").string(),
      "--keys " + (scratch_ / "bad-keys.txt").string(),
      "--wav /nonexistent-folder/out.wav",
      "--data " + (scratch_ / "no-such-folder").string(),
      "--shots /proc/tidefray-cannot-make-this",
  };
  for (const std::string& arguments : cases) {
    const Result r = Record(arguments);
    EXPECT_EQ(r.status, 2) << arguments << "\n" << r.output;
    EXPECT_NE(r.output.find("tidefray-record:"), std::string::npos) << arguments;
  }
}

}  // namespace
