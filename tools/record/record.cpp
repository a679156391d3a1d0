// tidefray-record: runs the real start-up, game and shut-down on the headless host and records
// what a player would see and hear.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame_png.h"
#include "game/startup.h"
#include "key_script.h"
#include "music/music.h"
#include "platform/host/headless/headless_host.h"
#include "platform/input/key_codes.h"
#include "runtime/object_table.h"
#include "sound/sound_device.h"
#include "sprite/sprite_store.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: tidefray-record [--data DIR] [--frames N] [--keys FILE] [--seed S] [--shots DIR]\n"
    "                       [--shot-every K] [--wav FILE] [--realtime] [--rss-every K]\n"
    "                       [--objects]\n";

struct Arguments {
  fs::path data = ".";
  std::uint64_t frames = 600;
  fs::path keys;
  std::uint32_t seed = 0;
  fs::path shots;
  std::uint64_t shotEvery = 1;
  fs::path wav;
  bool realtime = false;
  std::uint64_t rssEvery = 0;
  bool objects = false;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "tidefray-record: %s\n%s", message.c_str(), kUsage);
  return kUsageError;
}

bool ParseNumber(const std::string& text, std::uint64_t max, std::uint64_t* out) {
  if (text.empty() || text.size() > 20) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || v > max) return false;
  *out = v;
  return true;
}

// Returns an empty string on success, else the problem.
std::string ParseArguments(int argc, char** argv, Arguments* a) {
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--realtime") {
      a->realtime = true;
      continue;
    }
    if (flag == "--objects") {
      a->objects = true;
      continue;
    }
    if (i + 1 >= argc) return "missing value after " + flag;
    const std::string value = argv[++i];
    std::uint64_t n = 0;
    if (flag == "--data") {
      a->data = value;
    } else if (flag == "--frames") {
      if (!ParseNumber(value, 1ull << 40, &n)) return "bad frame count '" + value + "'";
      a->frames = n;
    } else if (flag == "--keys") {
      a->keys = value;
    } else if (flag == "--seed") {
      if (!ParseNumber(value, 0xFFFFFFFFull, &n)) return "bad seed '" + value + "'";
      a->seed = static_cast<std::uint32_t>(n);
    } else if (flag == "--shots") {
      a->shots = value;
    } else if (flag == "--shot-every") {
      if (!ParseNumber(value, 1ull << 40, &n) || n == 0) return "bad shot interval '" + value + "'";
      a->shotEvery = n;
    } else if (flag == "--rss-every") {
      if (!ParseNumber(value, 1ull << 40, &n) || n == 0) return "bad RSS interval '" + value + "'";
      a->rssEvery = n;
    } else if (flag == "--wav") {
      a->wav = value;
    } else {
      return "unknown argument " + flag;
    }
  }
  return {};
}

// The process's resident set in KiB, from /proc/self/status; -1 where it cannot be read.
long ResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

// Which of the game's object numbers hold an object, as "sprites 0 1 2 3 4 20 sounds 0 1 music 0":
// tells from outside which media loaded.
std::string GameObjectsLive() {
  std::string text = "sprites";
  for (engine::ObjectId n : {0, 1, 2, 3, 4, 20})
    if (engine::SpriteTable && engine::SpriteLookup(n)) text += " " + std::to_string(n);
  text += " sounds";
  for (engine::ObjectId n : {0, 1})
    if (engine::SoundTable && engine::ObjectTableLookup(engine::SoundTable, n))
      text += " " + std::to_string(n);
  text += " music";
  if (engine::MusicTable && engine::ObjectTableLookup(engine::MusicTable, 0)) text += " 0";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (std::string problem = ParseArguments(argc, argv, &args); !problem.empty())
    return Fail(problem);

  std::error_code ec;
  std::vector<record::KeyEvent> events;
  if (!args.keys.empty()) {
    std::ifstream in(args.keys);
    if (!in) return Fail("cannot read key script " + args.keys.string());
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!record::KeyScriptParse(text.str(), &events, &error))
      return Fail(args.keys.string() + ": " + error);
  }
  if (!args.shots.empty()) {
    fs::create_directories(args.shots, ec);
    if (!fs::is_directory(args.shots))
      return Fail("cannot create screenshot folder " + args.shots.string());
    args.shots = fs::absolute(args.shots);
  }
  if (!args.wav.empty()) {
    args.wav = fs::absolute(args.wav);
    std::FILE* probe = std::fopen(args.wav.c_str(), "wb");
    if (!probe) return Fail("cannot write " + args.wav.string());
    std::fclose(probe);
  }
  if (!fs::is_directory(args.data)) return Fail("no such folder " + args.data.string());
  fs::current_path(args.data, ec);
  if (ec) return Fail("cannot enter " + args.data.string());

  platform::HeadlessHost::Options options;
  options.pacing = args.realtime ? platform::HeadlessHost::Pacing::RealTime60
                                 : platform::HeadlessHost::Pacing::Unthrottled;
  options.clock = platform::HeadlessHost::Clock::Virtual;
  options.tickStart = args.seed;
  options.audio = platform::HeadlessHost::Audio::Manual;
  options.audioPerFrame = true;
  options.audioKeep = false;
  options.wavPath = args.wav.string();

  bool shotFailed = false;
  std::uint64_t presented = 0;
  std::size_t nextEvent = 0;
  const auto start = std::chrono::steady_clock::now();
  {
    platform::HeadlessHost host(options);
    platform::HostInstall(&host);
    host.OnFrame([&](const platform::Frame& frame) {
      ++presented;
      // The first frame is presented by the first pass of the frame loop, after set-up.
      if (args.objects && presented == 1) std::printf("objects: %s\n", GameObjectsLive().c_str());
      if (args.rssEvery != 0 && presented % args.rssEvery == 0)
        std::printf("rss frame %llu: %ld KiB\n", static_cast<unsigned long long>(presented),
                    ResidentKib());
      if (args.objects || args.rssEvery != 0) std::fflush(stdout);
      if (!args.shots.empty() && presented % args.shotEvery == 0) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06llu.png",
                      static_cast<unsigned long long>(presented));
        if (!record::FramePngWrite(frame, (args.shots / name).string())) shotFailed = true;
      }
      // Key changes take effect in the snapshot of the pass that presented this frame.
      while (nextEvent < events.size() && events[nextEvent].frame <= presented) {
        host.KeySet(events[nextEvent].key, events[nextEvent].down);
        ++nextEvent;
      }
      if (presented >= args.frames) host.KeySet(platform::DIK_ESCAPE, true);
    });
    game::TidefrayMain();
    platform::HostInstall(nullptr);
    for (const auto& box : host.MessageBoxes())
      std::fprintf(stderr, "tidefray-record: %s: %s\n",
                   platform::Windows1252ToUtf8(box.caption).c_str(),
                   platform::Windows1252ToUtf8(box.text).c_str());
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("frames presented: %llu, wall seconds: %.3f\n",
              static_cast<unsigned long long>(presented), seconds);
  if (shotFailed) {
    std::fprintf(stderr, "tidefray-record: some screenshots could not be written\n");
    return kUsageError;
  }
  return 0;
}
