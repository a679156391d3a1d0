// tidefray-soak-keys: writes a key script for tidefray-record in which a restless player holds
// and releases the arrows and the space bar, and now and then presses a key the game ignores,
// for a given number of frames. The same seed always gives the same script, on every machine:
// the generator and every draw from it are written out here rather than taken from <random>,
// whose distributions differ between standard libraries. Escape is never pressed; the recorder
// ends the run.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/input/key_codes.h"

namespace {

constexpr char kUsage[] = "usage: tidefray-soak-keys --frames N [--seed S]\n";

// splitmix64: tiny, fast and well mixed, which is all a key script needs.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A value in [low, high]; the slight bias of the modulo does not matter here.
  std::uint64_t Between(std::uint64_t low, std::uint64_t high) {
    return low + Next() % (high - low + 1);
  }

 private:
  std::uint64_t state_;
};

struct Event {
  std::uint64_t frame;
  std::string key;
  bool down;
};

// Key codes of the keyboard snapshot: 1 is Escape, which would end the game.
constexpr int kFirstIgnoredKey = platform::DIK_ESCAPE + 1;
constexpr int kLastKeyCode = 255;
const char* const kPlayKeys[] = {"LEFT", "RIGHT", "UP", "DOWN", "SPACE"};
// Their codes, which the ignored keys must not hit.
constexpr std::uint64_t kPlayKeyCodes[] = {platform::DIK_LEFT, platform::DIK_RIGHT,
                                           platform::DIK_UP, platform::DIK_DOWN,
                                           platform::DIK_SPACE};

std::uint64_t IgnoredKeyDraw(Random& random) {
  for (;;) {
    const std::uint64_t code = random.Between(kFirstIgnoredKey, kLastKeyCode);
    bool played = false;
    for (std::uint64_t c : kPlayKeyCodes) played = played || c == code;
    if (!played) return code;
  }
}

// Each key alternates between released and held stretches of random length: the arrows in
// stretches of up to two seconds, so the player crosses the screen and rests at its edges;
// the space bar in short taps and long holds, so shots follow each other as fast as the game
// allows and also one at a time.
void KeyEventsAdd(Random& random, const std::string& key, std::uint64_t frames, std::uint64_t maxUp,
                  std::uint64_t maxDown, std::vector<Event>* events) {
  std::uint64_t frame = random.Between(1, maxUp);
  while (frame < frames) {
    events->push_back({frame, key, true});
    frame += random.Between(1, maxDown);
    if (frame >= frames) break;
    events->push_back({frame, key, false});
    frame += random.Between(1, maxUp);
  }
}

bool ParseNumber(const char* text, std::uint64_t* out) {
  if (!*text || std::strlen(text) > 15) return false;
  for (const char* p = text; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  *out = std::strtoull(text, nullptr, 10);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t frames = 0;
  std::uint64_t seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::uint64_t* target = std::strcmp(argv[i], "--frames") == 0 ? &frames
                            : std::strcmp(argv[i], "--seed") == 0 ? &seed
                                                                  : nullptr;
    if (!target || !ParseNumber(argv[i + 1], target)) {
      std::fprintf(stderr, "tidefray-soak-keys: bad argument %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  if (argc % 2 == 0 || frames == 0) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }

  Random random(seed);
  std::vector<Event> events;
  for (const char* key : kPlayKeys) {
    const bool space = std::strcmp(key, "SPACE") == 0;
    KeyEventsAdd(random, key, frames, space ? 90 : 150, space ? 60 : 120, &events);
  }
  // A few keys the game does not read, tapped now and then.
  for (std::uint64_t frame = random.Between(1, 600); frame < frames;
       frame += random.Between(1, 600)) {
    const std::string key = std::to_string(IgnoredKeyDraw(random));
    events.push_back({frame, key, true});
    if (frame + 2 < frames) events.push_back({frame + 2, key, false});
  }

  std::printf("# tidefray-soak-keys --frames %llu --seed %llu\n",
              static_cast<unsigned long long>(frames), static_cast<unsigned long long>(seed));
  // The recorder sorts by frame and keeps the order of events within a frame.
  for (const Event& e : events)
    std::printf("%llu %s %s\n", static_cast<unsigned long long>(e.frame), e.key.c_str(),
                e.down ? "down" : "up");
  return 0;
}
