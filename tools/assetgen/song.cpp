#include "song.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "instruments.h"

namespace assetgen {
namespace {

constexpr int kRowsPerBar = 16;
constexpr int kBarsPerPattern = 4;
constexpr int kRows = kRowsPerBar * kBarsPerPattern;

enum Channel : int {
  kLead,
  kArp,
  kBass,
  kPad1,
  kPad2,
  kPad3,
  kKick,
  kSnare,
  kHat,
  kSurf,
  kChannels
};
enum SampleNumber : std::uint8_t {
  kLeadSample = 1,
  kPluckSample,
  kBassSample,
  kPadSample,
  kKickSample,
  kSnareSample,
  kHatSample,
  kSurfSample,
};

struct Chord {
  int root = 0;                // pitch class, C = 0
  std::vector<int> intervals;  // semitones above the root
  int startRow = 0;
  int rows = 0;
};

struct TimedNote {
  int row = 0;
  int note = -1;  // -1: rest, the previous note rings on
  int rows = 0;
};

int PitchClass(std::string_view name, std::size_t& used) {
  static constexpr int kNatural[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.empty() || name[0] < 'A' || name[0] > 'G') {
    throw std::runtime_error("bad note name: " + std::string(name));
  }
  int pc = kNatural[name[0] - 'A'];
  used = 1;
  if (name.size() > 1 && name[1] == '#') {
    ++pc;
    used = 2;
  } else if (name.size() > 1 && name[1] == 'b') {
    --pc;
    used = 2;
  }
  return (pc + 12) % 12;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty()) parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

// "Dm|Bb|Gm A|Dm": one entry per bar; a bar with two chords gives each half a bar.
std::vector<Chord> ParseHarmony(std::string_view text) {
  std::vector<Chord> chords;
  const std::vector<std::string_view> bars = Split(text, '|');
  if (bars.size() != kBarsPerPattern) throw std::runtime_error("harmony needs four bars");
  for (std::size_t bar = 0; bar < bars.size(); ++bar) {
    const std::vector<std::string_view> names = Split(bars[bar], ' ');
    const int rows = kRowsPerBar / static_cast<int>(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::size_t used = 0;
      Chord chord;
      chord.root = PitchClass(names[i], used);
      const std::string_view quality = names[i].substr(used);
      if (quality.empty()) {
        chord.intervals = {0, 4, 7};
      } else if (quality == "m") {
        chord.intervals = {0, 3, 7};
      } else if (quality == "7") {
        chord.intervals = {0, 4, 7, 10};
      } else {
        throw std::runtime_error("bad chord: " + std::string(names[i]));
      }
      chord.startRow = static_cast<int>(bar) * kRowsPerBar + static_cast<int>(i) * rows;
      chord.rows = rows;
      chords.push_back(chord);
    }
  }
  return chords;
}

// "A4:2 D5:2 r:4 | ...": scientific pitch names (middle C is C4) and lengths in rows; the bar
// lines are only for reading and must fall every sixteen rows.
std::vector<TimedNote> ParseMelody(std::string_view text) {
  std::vector<TimedNote> notes;
  int row = 0;
  for (std::string_view bar : Split(text, '|')) {
    const int barStart = row;
    for (std::string_view token : Split(bar, ' ')) {
      const std::size_t colon = token.find(':');
      if (colon == std::string_view::npos)
        throw std::runtime_error("bad token: " + std::string(token));
      const std::string_view pitch = token.substr(0, colon);
      const int length = std::stoi(std::string(token.substr(colon + 1)));
      TimedNote n;
      n.row = row;
      n.rows = length;
      if (pitch != "r") {
        std::size_t used = 0;
        const int pc = PitchClass(pitch, used);
        const int octave = std::stoi(std::string(pitch.substr(used)));
        n.note = (octave + 1) * 12 + pc;
      }
      notes.push_back(n);
      row += length;
    }
    if (row - barStart != kRowsPerBar) {
      throw std::runtime_error("bar of " + std::to_string(row - barStart) +
                               " rows: " + std::string(bar));
    }
  }
  if (row != kRows && row != 0) throw std::runtime_error("melody must fill four bars");
  return notes;
}

// Places a chord's notes in `low` .. `low` + 11 and sorts them: close voicings whose top voice
// moves little from chord to chord.
std::vector<int> Voicing(const Chord& chord, int low) {
  std::vector<int> notes;
  for (int interval : chord.intervals) {
    int note = chord.root + interval;
    while (note < low) note += 12;
    while (note >= low + 12) note -= 12;
    notes.push_back(note);
  }
  std::sort(notes.begin(), notes.end());
  return notes;
}

void Put(ItPattern& p, int row, int channel, int note, std::uint8_t sample, int volume) {
  ItCell& cell = p.At(row, channel);
  cell.note = static_cast<std::uint8_t>(note);
  cell.sample = sample;
  cell.volume = static_cast<std::uint8_t>(volume);
}

struct Section {
  const char* harmony;
  const char* melody;
  int introBars =
      0;  // bars at the start with only pad, bass and surf (instruments enter one by one)
  bool arpeggio = false;
  bool busyHats = false;  // sixteenths instead of eighths
  bool fill = false;      // a snare fill in the last bar
  bool surf = false;
  int jumpToOrder = -1;  // position jump on the last row
};

struct BassHit {
  int row;
  int interval;
  int volume;
};

constexpr BassHit kBassDrive[] = {{0, 0, 52}, {2, 12, 30},  {4, 0, 42},  {6, 12, 30},
                                  {8, 0, 48}, {10, 12, 30}, {12, 7, 40}, {14, 12, 30}};
constexpr BassHit kBassCalm[] = {{0, 0, 50}, {6, 0, 36}, {8, 7, 40}, {12, 12, 36}};

ItPattern BuildPattern(const Section& section) {
  ItPattern p(kRows, kChannels);
  const std::vector<Chord> chords = ParseHarmony(section.harmony);

  // Lead: notes on the beat a little louder than those between.
  for (const TimedNote& n : ParseMelody(section.melody)) {
    if (n.note < 0) continue;
    Put(p, n.row, kLead, n.note, kLeadSample, n.row % 4 == 0 ? 56 : 48);
  }

  std::vector<int> lastPad(3, -1);
  for (const Chord& chord : chords) {
    const int bar = chord.startRow / kRowsPerBar;
    const bool calm = bar < section.introBars;

    // Bass: the root between B1 and A#2, bouncing on octaves.
    const int root = 35 + ((chord.root - 11 + 12) % 12);
    const std::span<const BassHit> groove =
        calm ? std::span<const BassHit>(kBassCalm) : std::span<const BassHit>(kBassDrive);
    for (const BassHit& hit : groove) {
      if (hit.row >= chord.rows) continue;
      Put(p, chord.startRow + hit.row, kBass, root + hit.interval, kBassSample, hit.volume);
    }

    // Pad: three voices, retriggered only where the voice's note changes, and at the top of
    // every pattern, which the loop may enter by a jump.
    const std::vector<int> voicing = Voicing(chord, 55);
    for (int v = 0; v < 3; ++v) {
      const int note = voicing[static_cast<std::size_t>(v)];
      if (note == lastPad[static_cast<std::size_t>(v)] && chord.startRow != 0) continue;
      Put(p, chord.startRow, kPad1 + v, note, kPadSample, 20);
      lastPad[static_cast<std::size_t>(v)] = note;
    }

    // Arpeggio: up and down the chord in sixteenths, an octave above the pad.
    if (section.arpeggio || (section.introBars > 0 && bar >= section.introBars)) {
      std::vector<int> tones = Voicing(chord, 62);
      tones.push_back(tones.front() + 12);
      static constexpr int kOrder[] = {0, 1, 2, 3, 2, 1, 2, 3};
      for (int r = 0; r < chord.rows; ++r) {
        const int tone =
            tones[static_cast<std::size_t>(kOrder[r % 8] % static_cast<int>(tones.size()))];
        Put(p, chord.startRow + r, kArp, tone, kPluckSample, r % 4 == 0 ? 26 : 18);
      }
    }
  }

  // Drums, bar by bar.
  for (int bar = 0; bar < kBarsPerPattern; ++bar) {
    const int at = bar * kRowsPerBar;
    const bool lastBar = bar == kBarsPerPattern - 1;
    const bool fill = section.fill && lastBar;
    const bool hats = section.introBars == 0 || bar >= 1;
    const bool kick = section.introBars == 0 || bar >= 2;
    if (kick) {
      Put(p, at, kKick, 60, kKickSample, 60);
      Put(p, at + 8, kKick, 60, kKickSample, 54);
      if (!fill) Put(p, at + 10, kKick, 60, kKickSample, 40);
    }
    if (fill) {
      static constexpr int kFillRows[] = {4, 8, 10, 12, 13, 14, 15};
      int volume = 28;
      for (int r : kFillRows) {
        Put(p, at + r, kSnare, 60, kSnareSample, volume);
        volume += 5;
      }
    } else if (kick) {
      Put(p, at + 4, kSnare, 60, kSnareSample, 48);
      Put(p, at + 12, kSnare, 60, kSnareSample, 48);
    }
    if (hats) {
      const int hatRows = fill ? 8 : kRowsPerBar;
      for (int r = 0; r < hatRows; ++r) {
        if (section.busyHats) {
          Put(p, at + r, kHat, 60, kHatSample, r % 4 == 0 ? 36 : (r % 2 == 0 ? 26 : 16));
        } else if (r % 2 == 0) {
          Put(p, at + r, kHat, 60, kHatSample, r % 4 == 0 ? 36 : 26);
        }
      }
    }
  }

  if (section.surf) Put(p, 0, kSurf, 60, kSurfSample, 40);
  if (section.jumpToOrder >= 0) {
    ItCell& cell = p.At(kRows - 1, kSurf);
    cell.effect = kItEffectJumpToOrder;
    cell.param = static_cast<std::uint8_t>(section.jumpToOrder);
  }
  return p;
}

constexpr const char* kVerse1 =
    "A4:2 D5:2 E5:2 F5:2 A5:4 G5:2 F5:2 | D5:2 F5:2 Bb5:4 A5:2 G5:2 F5:4 |"
    "A5:2 C6:2 D6:2 C6:2 A5:4 F5:4 | G5:6 F5:2 E5:4 r:4";
constexpr const char* kVerse2 =
    "A4:2 D5:2 E5:2 F5:2 A5:4 D6:2 C6:2 | Bb5:4 A5:2 G5:2 F5:4 D5:4 |"
    "G5:2 Bb5:2 A5:2 G5:2 E5:2 C#5:2 E5:2 G5:2 | F5:4 E5:2 D5:6 r:4";
constexpr const char* kBridge1 =
    "D6:4 C6:2 Bb5:2 F5:4 Bb5:2 D6:2 | E6:4 D6:2 C6:2 G5:6 r:2 |"
    "C6:2 A5:2 E5:2 A5:2 C6:4 E6:4 | D6:6 C6:2 A5:4 F5:4";
constexpr const char* kBridge2 =
    "G5:2 Bb5:2 D6:2 Bb5:2 G5:4 D6:4 | E6:2 D6:2 C6:2 Bb5:2 G5:4 C6:4 |"
    "A5:2 C6:2 F6:4 E6:2 D6:2 C6:4 | C#6:6 A5:2 E5:4 r:4";
constexpr const char* kTurnaround =
    "D6:6 C6:2 A5:8 | Bb5:6 A5:2 F5:8 | G5:4 A5:4 Bb5:4 C6:4 | C#6:8 E5:4 r:4";

}  // namespace

ItModule ComposeSeaSong() {
  ItModule m;
  m.name = "Tidefray - Evolution Loop";
  m.channels = kChannels;
  m.channelPan = {30, 46, 32, 16, 32, 48, 32, 28, 40, 22};
  m.initialSpeed = 6;
  m.initialTempo = 125;
  m.mixVolume = 32;
  m.samples = {MakeLeadSample(), MakePluckSample(), MakeBassSample(), MakePadSample(),
               MakeKickSample(), MakeSnareSample(), MakeHatSample(),  MakeSurfSample()};

  const Section sections[] = {
      {"Dm|Dm|Bb|C", "", 2, false, false, true, true, -1},           // intro
      {"Dm|Bb|F|C", kVerse1, 0, false, false, false, false, -1},     // verse
      {"Dm|Bb|Gm A|Dm", kVerse2, 0, false, false, true, false, -1},  // verse, cadence
      {"Bb|C|Am|Dm", kBridge1, 0, true, true, false, true, -1},      // bridge
      {"Gm|C|F|A", kBridge2, 0, true, true, true, false, -1},        // bridge, to the dominant
      {"Dm|Bb|F|C", kVerse1, 0, true, true, false, true, -1},        // verse with arpeggio
      {"Dm|Bb|Gm A|Dm", kVerse2, 0, true, true, true, false, -1},    // verse, cadence
      {"Dm|Bb|C|A", kTurnaround, 0, true, false, true, false, 1},  // turnaround, back to the verse
  };
  for (const Section& s : sections) {
    m.orders.push_back(static_cast<std::uint8_t>(m.patterns.size()));
    m.patterns.push_back(BuildPattern(s));
  }
  return m;
}

ItModule ComposeEndingSong() {
  ItModule m;
  m.name = "Tidefray - song that ends";
  m.channels = 2;
  m.channelPan = {24, 40};
  m.samples = {MakeBeepSample()};
  ItPattern p(24, 2);
  const int figure[] = {62, 65, 69, 74};  // D4 F4 A4 D5
  for (int i = 0; i < 4; ++i) Put(p, i * 4, 0, figure[i], 1, 44);
  Put(p, 0, 1, 50, 1, 36);
  p.At(16, 0).note = kItNoteCut;
  p.At(16, 1).note = kItNoteCut;
  m.patterns.push_back(p);
  m.orders = {0};
  return m;
}

ItModule ComposeTinySong() {
  ItModule m;
  m.name = "Tidefray - tiny";
  m.channels = 1;
  m.samples = {MakeBeepSample()};
  ItPattern p(8, 1);
  Put(p, 0, 0, 69, 1, 44);
  p.At(6, 0).note = kItNoteCut;
  m.patterns.push_back(p);
  m.orders = {0};
  return m;
}

}  // namespace assetgen
