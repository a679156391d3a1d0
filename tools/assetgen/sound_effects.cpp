#include "sound_effects.h"

#include <cstddef>

#include "det_math.h"
#include "wave_writer.h"

namespace assetgen {
namespace {

constexpr double kRate = kEffectRate;
constexpr double kPeak = 0.85;  // headroom below full scale

// Raised-cosine fades at both ends: the effects start and stop at zero, so they never click,
// not even when the game restarts one in every frame.
void Fade(std::vector<double>& s, double inSeconds, double outSeconds) {
  const auto in = static_cast<std::size_t>(inSeconds * kRate);
  const auto out = static_cast<std::size_t>(outSeconds * kRate);
  for (std::size_t i = 0; i < in && i < s.size(); ++i) {
    const double w = SinTurns(0.25 * static_cast<double>(i) / static_cast<double>(in));
    s[i] *= w * w;
  }
  for (std::size_t i = 0; i < out && i < s.size(); ++i) {
    const double w = SinTurns(0.25 * static_cast<double>(i) / static_cast<double>(out));
    s[s.size() - 1 - i] *= w * w;
  }
}

}  // namespace

std::vector<std::int16_t> SynthesizeShot() {
  // A pulse-like tone (a sine driven into a soft limiter) whose pitch falls quickly from a high
  // chirp, plus a few milliseconds of noise for the attack.
  std::vector<double> s(static_cast<std::size_t>(0.15 * kRate));
  Noise noise(0x5407u);
  double phase = 0.0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double freq = 520.0 + 1500.0 * Exp(-t / 0.035);
    phase += freq / kRate;
    const double tone = SoftClip(2.5 * SinTurns(phase)) + 0.3 * SinTurns(2.0 * phase);
    const double attack = t < 0.006 ? 0.5 * noise.Next() * (1.0 - t / 0.006) : 0.0;
    s[i] = (tone + attack) * Exp(-t / 0.055);
  }
  Fade(s, 0.002, 0.015);
  return ToPcm16(s, kPeak);
}

std::vector<std::int16_t> SynthesizeImpact() {
  // A falling thump for the body of the hit and noise that is held for a few samples at a time
  // (a crude rate reduction) and then driven hard into a limiter: that gives the crunch.
  std::vector<double> s(static_cast<std::size_t>(0.3 * kRate));
  Noise noise(0xC0111u);
  double phase = 0.0;
  double held = 0.0;
  double low = 0.0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double freq = 48.0 + 140.0 * Exp(-t / 0.05);
    phase += freq / kRate;
    const double thump = SinTurns(phase) * Exp(-t / 0.11);
    const auto hold = static_cast<std::size_t>(2.0 + 10.0 * t / 0.3);
    if (i % hold == 0) held = noise.Next();
    const double cutoff = 700.0 + 5000.0 * Exp(-t / 0.05);
    const double a = 2.0 * kPi * cutoff / kRate;
    low += a / (1.0 + a) * (held - low);
    const double crunch = low * Exp(-t / 0.07);
    s[i] = SoftClip(3.0 * (0.9 * thump + 1.1 * crunch));
  }
  Fade(s, 0.001, 0.03);
  return ToPcm16(s, kPeak);
}

}  // namespace assetgen
