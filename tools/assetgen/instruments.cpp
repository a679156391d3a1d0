#include "instruments.h"

#include <cmath>
#include <string>
#include <vector>

#include "det_math.h"
#include "wave_writer.h"

namespace assetgen {
namespace {

constexpr double kRate = 22050.0;
constexpr double kSamplePeak = 0.9;

// Linear fade-in over `in` samples and fade-out over the last `out` samples, so that a one-shot
// sample starts and ends at zero and never clicks.
void Fade(std::vector<double>& s, std::size_t in, std::size_t out) {
  for (std::size_t i = 0; i < in && i < s.size(); ++i)
    s[i] *= static_cast<double>(i) / static_cast<double>(in);
  for (std::size_t i = 0; i < out && i < s.size(); ++i) {
    s[s.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(out);
  }
}

std::uint32_t C5Speed(double rate, double recordedFrequency) {
  return static_cast<std::uint32_t>(std::floor(rate * NoteFrequency(60) / recordedFrequency + 0.5));
}

ItSample Finish(std::string name, const std::vector<double>& signal, std::uint32_t c5Speed) {
  ItSample s;
  s.name = std::move(name);
  s.pcm = ToPcm16(signal, kSamplePeak);
  s.c5Speed = c5Speed;
  return s;
}

std::size_t Samples(double seconds, double rate = kRate) {
  return static_cast<std::size_t>(seconds * rate);
}

// One-pole low-pass: y += a (x - y), with a from a cut-off frequency.
double OnePoleCoefficient(double cutoff, double rate) {
  const double a = 2.0 * kPi * cutoff / rate;
  return a / (1.0 + a);
}

}  // namespace

ItSample MakeLeadSample() {
  // A steel pan is tuned so that its strongest overtones are the octave and the twelfth; the
  // upper partials die away first, which gives the struck, glassy start.
  const double f = NoteFrequency(72);
  struct Partial {
    double ratio, amplitude, decay;
  };
  const Partial partials[] = {{1.0, 1.0, 0.55},
                              {2.0, 0.55, 0.30},
                              {3.0, 0.22, 0.16},
                              {4.03, 0.10, 0.06},
                              {5.1, 0.05, 0.03}};
  std::vector<double> s(Samples(1.1));
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0.0;
    for (const Partial& p : partials)
      v += p.amplitude * Exp(-t / p.decay) * SinTurns(p.ratio * f * t);
    s[i] = v;
  }
  Fade(s, Samples(0.002), Samples(0.08));
  return Finish("steel lead", s, C5Speed(kRate, f));
}

ItSample MakePluckSample() {
  // Odd harmonics falling as 1/k^2 (a triangle), the higher ones decaying faster.
  const double f = NoteFrequency(72);
  std::vector<double> s(Samples(0.4));
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0.0;
    for (int k = 1; k <= 9; k += 2) {
      const double sign = (k % 4 == 1) ? 1.0 : -1.0;
      v += sign / (k * k) * Exp(-t * (6.0 + 5.0 * k)) * SinTurns(k * f * t);
    }
    s[i] = v;
  }
  Fade(s, Samples(0.002), Samples(0.05));
  return Finish("pluck", s, C5Speed(kRate, f));
}

ItSample MakeBassSample() {
  // A band-limited saw whose harmonics are rolled off by a falling cut-off, over a sine an octave
  // below the saw's brightest region, so the note has weight on small speakers and a soft attack.
  const double f = NoteFrequency(36);
  std::vector<double> s(Samples(0.9));
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double cutoff = 220.0 + 1400.0 * Exp(-t / 0.07);
    double v = 0.0;
    for (int k = 1; k * f < 4000.0; ++k) {
      const double ratio = k * f / cutoff;
      const double ratio2 = ratio * ratio;
      v += (1.0 / k) / std::sqrt(1.0 + ratio2 * ratio2) * SinTurns(k * f * t);
    }
    v = 0.55 * v + 0.6 * SinTurns(f * t);
    s[i] = SoftClip(1.4 * v) * (0.4 + 0.6 * Exp(-t / 0.12)) * Exp(-t / 1.2);
  }
  Fade(s, Samples(0.004), Samples(0.06));
  return Finish("round bass", s, C5Speed(kRate, f));
}

ItSample MakePadSample() {
  // Every oscillator completes a whole number of cycles in the loop, so the loop joins without a
  // seam; cycle counts 194, 195 and 196 detune the three saws by about 9 cents each way.
  constexpr std::size_t kLoop = 16384;
  constexpr std::size_t kAttack = 3000;
  const int cycles[] = {194, 195, 196};
  const double phases[] = {0.0, 0.37, 0.71};
  const double f = 195.0 * kRate / static_cast<double>(kLoop);
  std::vector<double> s(kAttack + kLoop);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double cyclePos = static_cast<double>(i % kLoop) / static_cast<double>(kLoop);
    double v = 0.0;
    for (int o = 0; o < 3; ++o) {
      for (int k = 1; k * cycles[o] * kRate / kLoop < 3500.0; ++k) {
        const double hf = k * cycles[o] * kRate / static_cast<double>(kLoop);
        const double ratio = hf / 900.0;
        v += (1.0 / k) / (1.0 + ratio * ratio) * SinTurns(k * (cycles[o] * cyclePos + phases[o]));
      }
    }
    if (i < kAttack) {
      const double a = SinTurns(0.25 * static_cast<double>(i) / kAttack);  // quarter sine rise
      v *= a * a;
    }
    s[i] = v;
  }
  ItSample sample = Finish("warm pad", s, C5Speed(kRate, f));
  sample.loop = true;
  sample.loopBegin = kAttack;
  sample.loopEnd = kAttack + kLoop;
  return sample;
}

ItSample MakeKickSample() {
  std::vector<double> s(Samples(0.4));
  Noise noise(0x4B1C4u);
  double phase = 0.0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double freq = 46.0 + 130.0 * Exp(-t / 0.03);
    phase += freq / kRate;
    const double click = t < 0.004 ? 0.3 * noise.Next() * (1.0 - t / 0.004) : 0.0;
    s[i] = SoftClip(1.8 * SinTurns(phase) * Exp(-t / 0.16)) + click;
  }
  Fade(s, Samples(0.001), Samples(0.05));
  return Finish("kick", s, C5Speed(kRate, NoteFrequency(60)));
}

ItSample MakeSnareSample() {
  std::vector<double> s(Samples(0.28));
  Noise noise(0x5A4E3u);
  double low = 0.0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double n = noise.Next();
    low += OnePoleCoefficient(1800.0, kRate) * (n - low);
    const double bright = n - 0.7 * low;  // tilt the noise towards the highs: the snare wires
    const double body = (SinTurns(185.0 * t) + 0.5 * SinTurns(330.0 * t)) * Exp(-t / 0.05);
    s[i] = 0.8 * body + 0.9 * bright * Exp(-t / 0.075);
  }
  Fade(s, Samples(0.001), Samples(0.04));
  return Finish("snare", s, C5Speed(kRate, NoteFrequency(60)));
}

ItSample MakeHatSample() {
  // Recorded at twice the usual rate: a hat lives above 6 kHz.
  const double rate = 2.0 * kRate;
  std::vector<double> s(Samples(0.09, rate));
  Noise noise(0x4A7u);
  double low = 0.0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double n = noise.Next();
    low += OnePoleCoefficient(6000.0, rate) * (n - low);
    const double metal = SoftClip(3.0 * (SinTurns(5400.0 * t) + SinTurns(7900.0 * t)));
    s[i] = ((n - low) + 0.25 * metal) * Exp(-t / 0.022);
  }
  Fade(s, Samples(0.0005, rate), Samples(0.02, rate));
  return Finish("hat", s, C5Speed(rate, NoteFrequency(60)));
}

ItSample MakeSurfSample() {
  // Noise through two low-pass stages whose cut-off rises as the wave builds and falls as it
  // runs out on the sand. A low rate is enough for a sound that has little above 3 kHz.
  const double rate = kRate / 2.0;
  std::vector<double> s(Samples(1.8, rate));
  Noise noise(0x5EA5u);
  double a = 0.0;
  double b = 0.0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double swell = t < 0.5 ? SinTurns(0.5 * t) : Exp(-(t - 0.5) / 0.45);
    const double cutoff = 250.0 + 2600.0 * swell * swell;
    const double c = OnePoleCoefficient(cutoff, rate);
    a += c * (noise.Next() - a);
    b += c * (a - b);
    s[i] = b * swell;
  }
  Fade(s, Samples(0.01, rate), Samples(0.2, rate));
  return Finish("surf", s, C5Speed(rate, NoteFrequency(60)));
}

ItSample MakeBeepSample() {
  constexpr std::size_t kCycle = 64;
  std::vector<double> s(kCycle);
  for (std::size_t i = 0; i < kCycle; ++i) {
    const double p = static_cast<double>(i) / kCycle;
    s[i] = SinTurns(p) + 0.3 * SinTurns(2.0 * p) + 0.15 * SinTurns(3.0 * p);
  }
  ItSample sample =
      Finish("beep", s, static_cast<std::uint32_t>(std::floor(kCycle * NoteFrequency(60) + 0.5)));
  sample.loop = true;
  sample.loopBegin = 0;
  sample.loopEnd = kCycle;
  return sample;
}

}  // namespace assetgen
